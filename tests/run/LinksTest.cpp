// What follows an item's last line: the choice menu, the automatic link and the ending, driven
// tick by tick through the main window's own steps on a headless display.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "graphics/TestBitmaps.h"
#include "platform/TextEncoding.h"
#include "run/RunFixture.h"

namespace tavri::test {
namespace {

using platform::Cp932;

const TColor kBackdrop = RGB(0, 0, 96);
// Glyphs measure 28 px high, so rows are 39 px apart and bands reach 4 px above a row.
constexpr int kRow = 39, kTop = 26;

const char* const kItems = R"(
[counter "c"]
Value = 5
Maximum = 100

[item "menu"]
Link = "一" -> "a"
Link = disabled "二" -> "b"
Link = "三" -> "c" if "c" >= 3
Link = "四" -> "a" if "c" >= 9
Link = "五" -> "b" if "nothing" >= 0
Link = "六" -> "nowhere"
Link = "七" -> "b"
Text:
| x

[item "dead"]
Link = "一" -> "nowhere"
Link = disabled "二" -> "a"
Link = "三" -> "a" if "nothing" >= 0
Text:
| x

[item "auto"]
LinkKind = auto
Link = "" -> "a"
Link 3 = "" -> "b" if "c" >= 3
Link 4 = "" -> "a" if "nothing" >= 0
Link 5 = "" -> "c" if "c" >= 9
Link 6 = disabled "" -> "b"
Text:
| x

[item "lost"]
LinkKind = auto
Link = "" -> "a" if "c" >= 50
Link = "" -> "nowhere"
Text:
| x

[item "end"]
LinkKind = ending
Text:
| x

[item "odd"]
LinkKind = 7
Text:
| x

[item "a"]
Text:
| a

[item "b"]
Text:
| b

[item "c"]
Text:
| c
)";

std::string Novel(const std::string& header = "") {
    return "[header]\nFontSize = -27\nChoiceHighlightColor = 0x0000FF\n" + header + "\n" + kItems;
}

// A menu whose links all lead somewhere and carry `captions` just as they are written.
std::string PlainMenuNovel(const std::vector<std::string>& captions) {
    std::string source =
        "[header]\nFontSize = -27\nChoiceHighlightColor = 0x0000FF\nChoiceNumbering = 0\n\n";
    source += "[item \"menu\"]\n";
    for (const std::string& caption : captions) {
        source += "Link = \"" + caption + "\" -> \"a\"\n";
    }
    return source + "Text:\n| x\n\n[item \"a\"]\nText:\n| a\n";
}

struct RecordingServices : IMainWindowServices {
    void ShowSystemMenu() override {
        ++menus;
        timerStopped = timerStopped || !form->IsTimerRunning();
    }
    void ShowBookmarkScreen(const std::string& caption, bool markMode) override {
        screens.push_back(caption);
        mark = markMode;
        pageNumber = form->State.PageNumber;
        timerStopped = timerStopped || !form->IsTimerRunning();
    }
    TMainForm* form = nullptr;
    int menus = 0;
    std::vector<std::string> screens;
    bool mark = false;
    bool timerStopped = false;
    int32_t pageNumber = 0;
};

// The fixture's main window opens its forms through recording services.
void UseServices(RunFixture& f, RecordingServices& services) {
    f.windows->ReplaceServices(&services);
    services.form = f.main;
}

int ItemIndex(RunFixture& f, const char* name) {
    return f.state->Items().IndexOf(Cp932(name));
}

// The item's lines are read; the picture is black, the background alone dark blue.
void ReachLinks(RunFixture& f, const char* item) {
    TRunCommon& s = *f.state;
    s.CurrentItem = ItemIndex(f, item);
    s.TextCursor = TTextCursor{1, 2};
    DibFillBlend(s.BackgroundImage, TRect{0, 0, kCanvasWidth, kCanvasHeight}, kBackdrop, 100);
    DibFillBlend(s.NextFrameImage, TRect{0, 0, kCanvasWidth, kCanvasHeight}, 0, 100);
    s.MousePosition = TPoint{4, 4};
    f.main->SetRunMode(RmLinks);
}

bool SameRows(const TImage& a, const TImage& b, int top, int bottom) {
    for (int y = top; y < bottom; ++y) {
        if (std::memcmp(a.ScanLine(y), b.ScanLine(y), a.RowBytes()) != 0) {
            return false;
        }
    }
    return true;
}

TColor Tinted(TColor under) {
    TImage pixel(1, 1);
    pixel.SetPixel(0, 0, under);
    DibFillBlend(pixel, TRect{0, 0, 1, 1}, 0x0000FF, 40);
    return pixel.Pixel(0, 0);
}

void Hover(RunFixture& f, int row) {
    f.state->MousePosition = TPoint{300, kTop + kRow * row + kRow / 2};
    f.main->FollowLinks();
}

// ----- The menu -----

struct NumberingCase {
    int numbering;
    std::vector<std::string> captions;
};

class MenuNumberingTest : public ::testing::TestWithParam<NumberingCase> {};

TEST_P(MenuNumberingTest, OffersOnlyReachableLinksInOrder) {
    const NumberingCase& c = GetParam();
    RunFixture f(Novel("ChoiceNumbering = " + std::to_string(c.numbering)));
    ReachLinks(f, "menu");
    f.main->FollowLinks();
    ASSERT_EQ(f.main->OfferedChoiceCount(), 3);
    EXPECT_EQ(f.state->RunMode, RmLinks);
    EXPECT_EQ(f.app->Display().Cursor(), platform::CursorKind::Default);
    EXPECT_TRUE(f.messages.records.empty());

    // The menu looks exactly like one whose links are written with the expected captions.
    RunFixture plain(PlainMenuNovel(c.captions));
    ReachLinks(plain, "menu");
    plain.main->FollowLinks();
    ASSERT_EQ(plain.main->OfferedChoiceCount(), 3);
    EXPECT_TRUE(SameImage(f.state->NextFrameImage, plain.state->NextFrameImage));
    EXPECT_TRUE(SameImage(f.state->ChoiceHighlightImage, plain.state->ChoiceHighlightImage));

    // Each row leads to its link's item.
    const char* const targets[] = {"a", "c", "b"};
    for (int row = 0; row < 3; ++row) {
        ReachLinks(f, "menu");
        f.main->FollowLinks();
        f.state->PendingClick = TPendingClick{true, 300, kTop + kRow * row + kRow / 2, 0};
        Hover(f, row);
        EXPECT_EQ(f.state->CurrentItem, ItemIndex(f, targets[row])) << row;
    }
}

INSTANTIATE_TEST_SUITE_P(Links, MenuNumberingTest,
                         ::testing::Values(NumberingCase{0, {"一", "三", "七"}},
                                           NumberingCase{1, {"1. 一", "2. 三", "3. 七"}},
                                           NumberingCase{2, {"A. 一", "B. 三", "C. 七"}},
                                           NumberingCase{5, {"一", "三", "七"}}));

TEST(Links, MenuPicturesAreMadeOnce) {
    RunFixture f(Novel());
    ReachLinks(f, "menu");
    f.main->FollowLinks();
    const TRunCommon& s = *f.state;
    // The captions stand in the scene and on the screen, each at its row.
    EXPECT_TRUE(SameImage(s.ScreenImage, s.NextFrameImage));
    for (int i = 0; i < 3; ++i) {
        bool ink = false;
        for (int x = 34; x < 120 && !ink; ++x) {
            ink = s.NextFrameImage.Pixel(x, kTop + kRow * i + 14) != 0;
        }
        EXPECT_TRUE(ink) << "row " << i;
    }
    // The tint covers the rows of the menu only.
    EXPECT_EQ(s.ChoiceHighlightImage.Pixel(620, 0), Tinted(0));
    EXPECT_EQ(s.ChoiceHighlightImage.Pixel(620, kTop + 3 * kRow - 1), Tinted(0));
    EXPECT_EQ(s.ChoiceHighlightImage.Pixel(620, kTop + 3 * kRow), 0u);

    // Later ticks draw nothing new.
    const TImage scene = s.NextFrameImage, highlight = s.ChoiceHighlightImage;
    f.main->FollowLinks();
    EXPECT_TRUE(SameImage(scene, s.NextFrameImage));
    EXPECT_TRUE(SameImage(highlight, s.ChoiceHighlightImage));
}

TEST(Links, HoveredRowShowsTheHighlightBand) {
    RunFixture f(Novel());
    ReachLinks(f, "menu");
    f.main->FollowLinks();
    const TRunCommon& s = *f.state;
    // A band reaches lh div 8 above its row and GlyphSize.height + lh div 4 + 1 down.
    const auto bandTop = [](int row) { return kTop + kRow * row - kRow / 8; };
    const int bandHeight = 28 + kRow / 4 + 1;

    Hover(f, 1);
    EXPECT_TRUE(
        SameRows(s.ScreenImage, s.ChoiceHighlightImage, bandTop(1), bandTop(1) + bandHeight));
    EXPECT_TRUE(SameRows(s.ScreenImage, s.NextFrameImage, 0, bandTop(1)));
    EXPECT_TRUE(SameRows(s.ScreenImage, s.NextFrameImage, bandTop(1) + bandHeight, kCanvasHeight));

    Hover(f, 0);
    EXPECT_TRUE(
        SameRows(s.ScreenImage, s.ChoiceHighlightImage, bandTop(0), bandTop(0) + bandHeight));
    EXPECT_TRUE(SameRows(s.ScreenImage, s.NextFrameImage, bandTop(0) + bandHeight, kCanvasHeight));

    // Above the menu (where Space and Enter put the pointer) no row is lit.
    f.state->MousePosition = TPoint{4, 4};
    f.main->FollowLinks();
    EXPECT_TRUE(SameImage(s.ScreenImage, s.NextFrameImage));
}

TEST(Links, LeftClickOnARowJumpsToItsItem) {
    RunFixture f(Novel());
    ReachLinks(f, "menu");
    f.main->FollowLinks();
    f.state->PendingClick = TPendingClick{true, 300, 100, 0};
    Hover(f, 1);
    const TRunCommon& s = *f.state;
    EXPECT_EQ(s.CurrentItem, ItemIndex(f, "c"));
    EXPECT_EQ(s.TextCursor, (TTextCursor{1, 0}));
    EXPECT_EQ(s.RunMode, RmTyping);
    EXPECT_FALSE(s.PendingClick.Pending);
    // The captions are gone: the scene is the background again, and so is the screen.
    EXPECT_TRUE(SameImage(s.NextFrameImage, s.BackgroundImage));
    EXPECT_TRUE(SameImage(s.ScreenImage, s.NextFrameImage));
}

struct IgnoredClickCase {
    const char* name;
    int mouseY;
    uint8_t button;
};

class MenuIgnoresClickTest : public ::testing::TestWithParam<IgnoredClickCase> {};

TEST_P(MenuIgnoresClickTest, ChoosesNothing) {
    const IgnoredClickCase& c = GetParam();
    RunFixture f(Novel());
    ReachLinks(f, "menu");
    f.main->FollowLinks();
    f.state->MousePosition = TPoint{300, c.mouseY};
    f.state->PendingClick = TPendingClick{true, 300, c.mouseY, c.button};
    f.main->FollowLinks();
    EXPECT_EQ(f.state->RunMode, RmLinks);
    EXPECT_EQ(f.state->CurrentItem, ItemIndex(f, "menu"));
    EXPECT_FALSE(f.state->PendingClick.Pending);
}

INSTANTIATE_TEST_SUITE_P(Links, MenuIgnoresClickTest,
                         ::testing::Values(IgnoredClickCase{"BelowTheRows", kTop + 3 * kRow + 10,
                                                            0},
                                           IgnoredClickCase{"AboveTheRows", 4, 0},
                                           IgnoredClickCase{"MiddleButtonOnARow", kTop + 10, 2},
                                           IgnoredClickCase{"FarBelowThePicture", 100000, 0}),
                         [](const ::testing::TestParamInfo<IgnoredClickCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(Links, RightClickInTheMenuOpensTheSystemMenu) {
    RecordingServices services;
    RunFixture f(Novel());
    UseServices(f, services);
    ReachLinks(f, "menu");
    f.main->FollowLinks();
    f.state->PendingClick = TPendingClick{true, 300, 40, 1};
    Hover(f, 0);
    EXPECT_EQ(services.menus, 1);
    EXPECT_TRUE(services.timerStopped);
    EXPECT_TRUE(f.main->IsTimerRunning());
    EXPECT_FALSE(f.state->PendingClick.Pending);
    EXPECT_EQ(f.state->RunMode, RmLinks);
    EXPECT_EQ(f.state->CurrentItem, ItemIndex(f, "menu"));
}

TEST(Links, MenuWithoutReachableTargetsReturnsToTheTitle) {
    RunFixture f(Novel());
    ReachLinks(f, "dead");
    f.main->FollowLinks();
    ASSERT_EQ(f.messages.records.size(), 1u);
    EXPECT_EQ(f.messages.records[0].text, Cp932("有効なリンク先がありません。"));
    EXPECT_EQ(f.messages.records[0].caption, Cp932("メニューリンク"));
    EXPECT_EQ(f.messages.records[0].icon, platform::MsgIcon::Error);
    EXPECT_EQ(f.messages.records[0].buttons, platform::MsgButtons::Ok);
    EXPECT_EQ(f.state->RunMode, RmTitle);
    EXPECT_EQ(f.main->OfferedChoiceCount(), 0);
}

// ----- Automatic links -----

struct AutoCase {
    int counter;
    const char* target;
};

class AutomaticLinkTest : public ::testing::TestWithParam<AutoCase> {};

TEST_P(AutomaticLinkTest, LastQualifyingLinkWins) {
    const AutoCase& c = GetParam();
    RunFixture f(Novel());
    ReachLinks(f, "auto");
    f.state->Counters().Entries[0].Value = c.counter;
    const TImage scene = f.state->NextFrameImage;
    f.main->FollowLinks();
    const TRunCommon& s = *f.state;
    EXPECT_EQ(s.CurrentItem, ItemIndex(f, c.target));
    EXPECT_EQ(s.TextCursor, (TTextCursor{1, 0}));
    EXPECT_EQ(s.RunMode, RmTyping);
    // The picture stays; only the typed text is cleared.
    EXPECT_TRUE(SameImage(s.NextFrameImage, scene));
    EXPECT_TRUE(SameImage(s.ScreenImage, scene));
    EXPECT_TRUE(f.messages.records.empty());
}

INSTANTIATE_TEST_SUITE_P(Links, AutomaticLinkTest,
                         ::testing::Values(AutoCase{10, "c"}, AutoCase{9, "c"}, AutoCase{5, "b"},
                                           AutoCase{3, "b"}, AutoCase{2, "a"}, AutoCase{-7, "a"}));

TEST(Links, AutomaticLinkWithoutTargetReturnsToTheTitle) {
    RunFixture f(Novel());
    ReachLinks(f, "lost");
    f.main->FollowLinks();
    ASSERT_EQ(f.messages.records.size(), 1u);
    EXPECT_EQ(f.messages.records[0].text, Cp932("リンク先が見つかりません。"));
    EXPECT_EQ(f.messages.records[0].caption, Cp932("自動リンク"));
    EXPECT_EQ(f.messages.records[0].icon, platform::MsgIcon::Error);
    EXPECT_EQ(f.state->CurrentItem, -1);
    EXPECT_EQ(f.state->RunMode, RmTitle);
    // With no item at all the links end the same way instead of reading outside the items.
    f.state->RunMode = RmLinks;
    f.main->FollowLinks();
    EXPECT_EQ(f.state->RunMode, RmTitle);
}

// ----- Endings -----

// After the ending the opening begins again at its logo, even when the title was up before.
TEST(Links, EndingWithBookmarksOffersTheBookmarkScreen) {
    RecordingServices services;
    RunFixture f(Novel("BookmarkMode = 2"));
    UseServices(f, services);
    ASSERT_TRUE(f.RunUntil([&] { return f.main->AcceptsTitleClick(); }));
    ReachLinks(f, "end");
    f.state->PageNumber = 12;
    f.main->FollowLinks();
    ASSERT_EQ(services.screens.size(), 1u);
    EXPECT_EQ(services.screens[0], Cp932("しおりに記録"));
    EXPECT_TRUE(services.mark);
    EXPECT_EQ(services.pageNumber, -1);
    EXPECT_TRUE(services.timerStopped);
    EXPECT_TRUE(f.main->IsTimerRunning());
    EXPECT_EQ(f.state->RunMode, RmTitle);
    EXPECT_FALSE(f.main->AcceptsTitleClick());
    f.main->TitleTick();
    EXPECT_TRUE(f.main->IsTransitionActive());
    int logo = 0;
    for (int y = 410; y < 458; ++y) {
        for (int x = 360; x < 570; ++x) {
            logo += f.state->NextFrameImage.Pixel(x, y) != 0;
        }
    }
    EXPECT_GT(logo, 200);
}

TEST(Links, EndingWithoutBookmarksReturnsToTheTitle) {
    RecordingServices services;
    RunFixture f(Novel("BookmarkMode = 0"));
    UseServices(f, services);
    ReachLinks(f, "end");
    f.state->PageNumber = 12;
    f.main->FollowLinks();
    EXPECT_TRUE(services.screens.empty());
    EXPECT_EQ(f.state->PageNumber, 12);
    EXPECT_EQ(f.state->RunMode, RmTitle);
}

TEST(Links, UnknownLinkKindEndsLikeAnEnding) {
    RecordingServices services;
    RunFixture f(Novel("BookmarkMode = 2"));
    UseServices(f, services);
    ReachLinks(f, "odd");
    f.main->FollowLinks();
    EXPECT_TRUE(services.screens.empty());
    EXPECT_TRUE(f.messages.records.empty());
    EXPECT_EQ(f.state->RunMode, RmTitle);
    EXPECT_TRUE(SameImage(f.state->ScreenImage, f.state->NextFrameImage));
}

// ----- Through the running loop -----

TEST(Links, ReadingThroughTheLoopChoosesAndJumps) {
    RunFixture f(R"([header]
StartItemName = "start"
FontSize = -27
TextSpeed = 10
BookmarkMode = 0

[item "start"]
Link = "左へ" -> "left"
Link = "右へ" -> "right"
Text:
| あい@
| うえ

[item "left"]
LinkKind = ending
Text:
| l

[item "right"]
LinkKind = ending
Text:
| r
)");
    f.StartReading();
    // A click made while the text is typed is not taken for the wait that follows.
    f.Click(320, 300);
    ASSERT_TRUE(f.RunUntil([&] { return f.state->RunMode == RmClickWait; }));
    f.RunFor(500);
    EXPECT_EQ(f.state->RunMode, RmClickWait);

    f.Click(320, 300);
    ASSERT_TRUE(f.RunUntil([&] { return f.main->OfferedChoiceCount() > 0; }));
    EXPECT_EQ(f.main->OfferedChoiceCount(), 2);
    f.RunFor(100);
    f.Click(300, kTop + kRow + kRow / 2);
    ASSERT_TRUE(f.RunUntil([&] { return f.state->RunMode != RmLinks; }));
    EXPECT_EQ(f.state->CurrentItem, ItemIndex(f, "right"));
    EXPECT_EQ(f.state->RunMode, RmTyping);
}

}  // namespace
}  // namespace tavri::test
