#include <gtest/gtest.h>

#include <set>

#include "graphics/TestBitmaps.h"
#include "platform/FileSystem.h"
#include "platform/TextEncoding.h"
#include "run/HeadlessReader.h"
#include "run/RunFixture.h"

namespace tavri::test {
namespace {

using platform::Cp932;

int CountNonBlack(const TImage& image, TRect r) {
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y) {
        for (int x = r.Left; x < r.Right; ++x) {
            n += image.Pixel(x, y) != 0;
        }
    }
    return n;
}

const char* kNovel =
    "[header]\nNovelTitle = \"小径\"\nStartItemName = \"start\"\nBookmarkMode = 0\n"
    "TextSpeed = 30\n"
    "[item \"start\"]\nLinkKind = ending\nText:\n| はじめの頁。\n";

TEST(Title, LogoWithVersionThenTitleAndOnlyALateClickStarts) {
    RunFixture f(kNovel);
    const TRect logoArea{360, 410, 570, 458};
    ASSERT_TRUE(f.RunUntil([&] { return CountNonBlack(f.state->NextFrameImage, logoArea) > 0; }));
    // The logo frame: the carried logo at (360, 410) and the version text ending at x = 636.
    const TImage& logo = f.state->NextFrameImage;
    EXPECT_GT(CountNonBlack(logo, logoArea), 200);
    EXPECT_GT(CountNonBlack(logo, TRect{580, 418, 637, 440}), 30);
    EXPECT_EQ(CountNonBlack(logo, TRect{637, 400, 640, 480}), 0);
    EXPECT_EQ(CountNonBlack(logo, TRect{0, 0, 640, 400}), 0);
    EXPECT_TRUE(f.main->IsTransitionActive());  // the logo fades in

    // A click while the logo stands on the screen is dropped before the title takes clicks.
    ASSERT_TRUE(f.RunUntil([&] { return !f.main->IsTransitionActive(); }));
    f.RunFor(1000);
    ASSERT_GT(CountNonBlack(f.state->ScreenImage, logoArea), 200);
    ASSERT_FALSE(f.main->AcceptsTitleClick());
    f.Click(320, 300);
    ASSERT_TRUE(f.RunUntil([&] { return f.main->AcceptsTitleClick(); }));
    EXPECT_FALSE(f.state->PendingClick.Pending);
    f.RunFor(500);
    EXPECT_EQ(f.state->RunMode, RmTitle);

    // The drawn title: the novel's title and the prompt, centred, white.
    ASSERT_TRUE(f.RunUntil([&] { return !f.main->IsTransitionActive(); }));
    const TImage& title = f.state->ScreenImage;
    EXPECT_GT(CountNonBlack(title, TRect{280, 200, 360, 232}), 50);
    EXPECT_GT(CountNonBlack(title, TRect{200, 240, 440, 272}), 100);
    EXPECT_EQ(CountNonBlack(title, TRect{0, 0, 640, 190}), 0);

    // A right click starts the reading like a left one.
    f.Click(10, 10, platform::MouseButton::Right);
    ASSERT_TRUE(f.RunUntil([&] { return f.state->RunMode != RmTitle; }, 1000));
    EXPECT_EQ(f.state->RunMode, RmTyping);
    EXPECT_EQ(f.state->PageNumber, 0);
    EXPECT_TRUE(f.messages.records.empty());
}

// Left alone, the title stays: the opening never comes round to the logo again.
TEST(Title, TitleStaysAndNeverWrapsToTheLogo) {
    RunFixture f(kNovel);
    ASSERT_TRUE(f.RunUntil([&] { return f.main->AcceptsTitleClick(); }));
    ASSERT_TRUE(f.RunUntil([&] { return !f.main->IsTransitionActive(); }));
    const TImage title = f.state->ScreenImage;
    for (int second = 0; second < 5; ++second) {
        f.RunFor(1000);
        EXPECT_TRUE(f.main->AcceptsTitleClick()) << second;
        EXPECT_FALSE(f.main->IsTransitionActive()) << second;
        EXPECT_EQ(f.state->RunMode, RmTitle);
    }
    EXPECT_TRUE(SameImage(f.state->ScreenImage, title));
    EXPECT_EQ(CountNonBlack(f.state->NextFrameImage, TRect{360, 410, 570, 458}), 0);
}

// The demo novel, drawn by its art program and read through by the headless reader, reaches
// both of its endings depending on the choices, without a single message.
TEST(DemoNovel, ReadsToEachEnding) {
    TempDir art;
    const RunResult drawn = RunProgram(BinDir() + "/tavri-demo-art", {art.path() + "/data"});
    ASSERT_EQ(drawn.status, 0) << drawn.err;
    std::map<std::string, std::vector<uint8_t>> files;
    const std::string root = art.path() + "/data/";
    for (const char* folder : {"bg", "chara", "trans", "music", "sound"}) {
        for (const std::string& name : platform::ListDirectory(root + folder)) {
            files[std::string(folder) + "/" + name] =
                *platform::ReadWholeFile(root + folder + "/" + name);
        }
    }
    const auto story = platform::ReadWholeFile(std::string(TAVRI_SOURCE_DIR) + "/demo/story.src");
    ASSERT_TRUE(story.has_value());
    const std::string source(story->begin(), story->end());

    std::set<std::string> endings;
    for (int first = 0; first < 3; ++first) {
        RunFixture f(source, files);
        THeadlessReader reader(f.clock, f.display, *f.main, first);
        f.windows->ReplaceServices(&reader.Answers());
        const THeadlessReadResult read = reader.Read("");
        EXPECT_TRUE(read.Finished) << first;
        EXPECT_GT(read.Pages, 5) << first;
        for (const auto& m : f.messages.records) {
            ADD_FAILURE() << "message: " << platform::Cp932ToUtf8(m.text);
        }
        const int32_t lastIndex = f.state->CurrentItem;
        const CNovelItems& items = f.state->Items();
        ASSERT_TRUE(lastIndex >= 0 && lastIndex < items.Count) << lastIndex;
        const CNovelItem* last = items.List[size_t(lastIndex)].get();
        EXPECT_EQ(last->LinkKind, LinkEnding);
        endings.insert(platform::Cp932ToUtf8(last->Name));
    }
    EXPECT_EQ(endings, (std::set<std::string>{"蛍の夜", "帰り道"}));
}

}  // namespace
}  // namespace tavri::test
