// Reading a novel without a display: it says how far it read, and a novel it could not read to
// an ending is never reported as read.

#include <gtest/gtest.h>

#include <string>

#include "graphics/Picture.h"
#include "platform/FileSystem.h"
#include "run/HeadlessReader.h"
#include "run/RunFixture.h"

namespace tavri::test {
namespace {

std::string Novel(const std::string& items) {
    return "[header]\nNovelTitle = \"Reader\"\nStartItemName = \"start\"\nTextSpeed = 10\n"
           "DefaultTransitionName = \"NONE\"\n\n" +
           items;
}

// Takes nothing from the title: the bookmark screen that never opens.
struct SilentServices : IMainWindowServices {};

TEST(HeadlessReader, SaysWhereItStoppedWhenThereWasNoEnding) {
    struct Case {
        const char* what;
        std::string items;
        const char* stoppedAt;  // the start of the line
    } cases[] = {
        {"a wait that never ends", "[item \"start\"]\nText:\n| a@\n| .WAIT 2000000000\n| b\n",
         "nothing to click for 2 minutes of novel time, at item 0 \"start\", line 3, in a .WAIT"},
        {"a menu without a choice", "[item \"start\"]\nLink = \"一\" -> \"nowhere\"\nText:\n| a@\n",
         "the reading went back to the title from item 0 \"start\", not from an ending"},
        {"an automatic link to nothing",
         "[item \"other\"]\nText:\n| x\n"
         "[item \"start\"]\nLinkKind = auto\nLink = \"\" -> \"nowhere\"\nText:\n| a@\n",
         "the reading went back to the title from item 1 \"start\", not from an ending"},
    };
    for (const Case& c : cases) {
        RunFixture f(Novel(c.items));
        THeadlessReader reader(f.clock, f.display, *f.main);
        f.windows->ReplaceServices(&reader.Answers());
        const THeadlessReadResult read = reader.Read("", 3600000, 120000);
        EXPECT_FALSE(read.Finished) << c.what;
        EXPECT_EQ(read.Endings, 0) << c.what;
        EXPECT_EQ(read.StoppedAt.rfind(c.stoppedAt, 0), 0u) << c.what << ": " << read.StoppedAt;
        EXPECT_EQ(HeadlessReadSummary(read).rfind("The novel did not reach an ending: ", 0), 0u)
            << c.what;
    }
}

TEST(HeadlessReader, ATitleThatDoesNotGiveWayIsNoReading) {
    RunFixture f(Novel("[item \"start\"]\nLinkKind = ending\nText:\n| a@\n"));
    SilentServices silent;
    f.windows->ReplaceServices(&silent);
    THeadlessReader reader(f.clock, f.display, *f.main);
    const THeadlessReadResult read = reader.Read("");
    EXPECT_FALSE(read.Finished);
    EXPECT_EQ(read.Pages, 0);
    EXPECT_EQ(HeadlessReadSummary(read),
              "The novel did not reach an ending: the title did not start a reading when it was "
              "clicked (0 pages and 0 endings read)");
}

TEST(HeadlessReader, ADefaultSettingsNovelReadsToItsEndingAndKeepsItsPages) {
    TempDir shots;
    RunFixture linked(
        Novel("[item \"start\"]\nLinkKind = auto\nLink = \"\" -> \"end\"\nText:\n"
              "| a@\n| b@\n| .NEXTPAGE\n| c@\n"
              "[item \"end\"]\nLinkKind = ending\nText:\n| d\n"));
    EXPECT_EQ(linked.state->Header().BookmarkMode, BmTitleAndEnding);
    THeadlessReader whole(linked.clock, linked.display, *linked.main);
    linked.windows->ReplaceServices(&whole.Answers());
    const THeadlessReadResult done = whole.Read(shots.path() + "/pages");
    EXPECT_TRUE(done.Finished) << done.StoppedAt;
    EXPECT_EQ(done.Pages, 3);
    EXPECT_EQ(HeadlessReadSummary(done), "3 pages and 1 ending read");
    // Every page is kept as a picture the picture decoders read back.
    const auto third = platform::ReadWholeFile(shots.path() + "/pages/page-0003.bmp");
    ASSERT_TRUE(third.has_value());
    EXPECT_EQ(DecodeBmp(third->data(), third->size()).Image.Width(), kCanvasWidth);
    EXPECT_TRUE(linked.messages.records.empty());
}

// The program itself, without a display, on novels compiled by the tool with the header's
// defaults: status 0 and its line for a novel read to its ending, status 2 and where it stopped
// for one that never gets there.
TEST(HeadlessReader, TheProgramReportsItsReadingAndFailsWhenItFoundNoEnding) {
    TempDir dir;
    const std::string read =
        dir.Write("read.src",
                  "[header]\nNovelTitle = \"Read\"\nStartItemName = \"start\"\n\n"
                  "[item \"start\"]\nLinkKind = ending\nText:\n| hello@\n| world@\n");
    const std::string stuck =
        dir.Write("stuck.src",
                  "[header]\nNovelTitle = \"Stuck\"\nStartItemName = \"start\"\n\n"
                  "[item \"start\"]\nText:\n| .WAIT 2000000000\n| hello@\n");
    for (const std::string& source : {read, stuck}) {
        const RunResult compiled =
            RunProgram(BinDir() + "/tavri-tool", {"compile", source, source + ".qke"});
        ASSERT_EQ(compiled.status, 0) << compiled.err;
    }
    const RunResult good = RunProgram(BinDir() + "/TavriNovelRun", {read + ".qke"});
    EXPECT_EQ(good.status, 0) << good.err;
    EXPECT_NE(good.err.find("2 pages and 1 ending read\n"), std::string::npos) << good.err;

    const RunResult bad = RunProgram(BinDir() + "/TavriNovelRun", {stuck + ".qke"});
    EXPECT_EQ(bad.status, kUnfinishedReadingStatus) << bad.err;
    EXPECT_NE(bad.err.find("The novel did not reach an ending: nothing to click for 10 minutes "
                           "of novel time, at item 0 \"start\", line 2, in a .WAIT (0 pages and "
                           "0 endings read)\n"),
              std::string::npos)
        << bad.err;
}

}  // namespace
}  // namespace tavri::test
