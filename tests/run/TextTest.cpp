// Typing scenario text onto the page, click waits and the blinking marker, driven tick by tick
// through the main window's own steps on a headless display.

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "platform/TextEncoding.h"
#include "run/RunFixture.h"

namespace tavri::test {
namespace {

using platform::Cp932;

const TColor kBackground = RGB(0, 0, 128);
constexpr int kTop = 26, kLeft = 26, kLineHeight = 39;

// A novel whose glyphs measure 28 px high (a 27 px cell measured at twice the size and halved
// with rounding), so lines are 39 px apart.
std::string Novel(const std::vector<std::string>& lines, const std::string& header = "",
                  int textSpeed = 20) {
    std::string source = "[header]\nFontSize = -27\nTextSpeed = " + std::to_string(textSpeed) +
                         "\n" + header + "\n[item \"text\"]\nLinkKind = ending\nText:\n";
    for (const std::string& line : lines) {
        source += line.empty() ? "|\n" : "| " + line + "\n";
    }
    return source;
}

// Reading starts at the top of an empty page of the item, the background a plain colour. The
// reading is begun as the title's click begins it (which takes the header's text speed), and its
// fade-in skipped.
void StartPage(RunFixture& f, TTextCursor cursor = {}) {
    TRunCommon& s = *f.state;
    f.main->StartFromBeginning();
    f.main->SkipTransition();
    s.CurrentItem = 0;
    s.TextCursor = cursor;
    f.main->SetRunMode(RmTyping);
    DibFillBlend(s.NextFrameImage, TRect{0, 0, kCanvasWidth, kCanvasHeight}, kBackground, 100);
    s.BackgroundImage = s.NextFrameImage;
    f.main->PresentPage();
}

int Width(RunFixture& f, const std::string& utf8) {
    int width = 0;
    const std::string text = Cp932(utf8);
    for (size_t p = 0; p < text.size();) {
        const size_t n = platform::CharLength(text, p);
        width += f.state->TextRenderer.MeasureText(text.substr(p, n)).Width;
        p += n;
    }
    return width;
}

// How many characters of width w one screen line takes before the next one wraps.
int PerLine(int w) {
    int count = 0;
    for (int x = kLeft; x + w / 2 <= 590; x += w) {
        ++count;
    }
    return count;
}

bool InkIn(const TImage& image, int left, int top, int right, int bottom) {
    for (int y = std::max(top, 0); y < std::min(bottom, image.Height()); ++y) {
        for (int x = std::max(left, 0); x < std::min(right, image.Width()); ++x) {
            if (image.Pixel(x, y) != kBackground) {
                return true;
            }
        }
    }
    return false;
}

void Click(RunFixture& f, uint8_t button = 0) {
    f.state->PendingClick = TPendingClick{true, 100, 100, button};
}

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) {
        out += s;
    }
    return out;
}

// ----- Typing, case by case -----

struct TypingCase {
    const char* name;
    std::vector<std::string> lines;
    TTextCursor start;
    std::vector<int> ticks;  // the characters each tick may type
    TTextCursor cursor;      // where reading stands afterwards
    const char* penText;     // what stands on the pen's screen line before the pen
    int penLine;             // the pen's screen line
    uint8_t runMode;
    bool pageFull;  // a click wait turns the page when clicked
};

class TypingTest : public ::testing::TestWithParam<TypingCase> {};

TEST_P(TypingTest, EndsWhereTheTextSays) {
    const TypingCase& c = GetParam();
    RunFixture f(Novel(c.lines));
    StartPage(f, c.start);
    const int32_t page = f.state->PageNumber;
    for (int n : c.ticks) {
        f.main->TypeCharacters(n);
    }
    EXPECT_EQ(f.state->TextCursor, c.cursor);
    EXPECT_EQ(f.state->PenPosition,
              (TPoint{kLeft + Width(f, c.penText), kTop + kLineHeight * c.penLine}));
    EXPECT_EQ(f.state->RunMode, c.runMode);
    EXPECT_EQ(f.state->PageNumber, page);
    if (c.runMode == RmClickWait) {
        Click(f);
        f.main->WaitForClick();
        EXPECT_EQ(f.state->PageNumber, page + (c.pageFull ? 1 : 0));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Text, TypingTest,
    ::testing::Values(
        TypingCase{
            "AtMidLineWaits", {"あい@うえ"}, {}, {10}, {6, 0}, "あい", 0, RmClickWait, false},
        TypingCase{"AtLineEndWaitsBeforeTheBreak",
                   {"あい@", "うえ"},
                   {},
                   {10},
                   {6, 0},
                   "あい",
                   0,
                   RmClickWait,
                   false},
        TypingCase{"SemicolonAtEndJoinsLines",
                   {"あい;", "うえ"},
                   {},
                   {3, 1},
                   {3, 1},
                   "あいう",
                   0,
                   RmTyping,
                   false},
        TypingCase{
            "SemicolonMidLineIsDrawn", {"あ;い"}, {}, {2}, {4, 0}, "あ;", 0, RmTyping, false},
        TypingCase{"EmptyLinesMakeNoBlankLine",
                   {"あ", "", "", "い"},
                   {},
                   {5, 5, 1},
                   {1, 4},
                   "",
                   2,
                   RmTyping,
                   false},
        TypingCase{
            "EmptyLineEndsTheTick", {"あ", "", "いう"}, {}, {5}, {1, 2}, "", 1, RmTyping, false},
        TypingCase{"CommandLineEndsTheTick",
                   {".NOSUCHCOMMAND", "あい"},
                   {},
                   {5},
                   {1, 1},
                   "",
                   0,
                   RmTyping,
                   false},
        TypingCase{"ExhaustedLinesGoToTheLinks", {"あ"}, {}, {5, 5}, {1, 2}, "", 1, RmLinks, false},
        TypingCase{"CursorBeforeTheStartIsRepaired",
                   {"あい"},
                   {-3, -2},
                   {1},
                   {3, 0},
                   "あ",
                   0,
                   RmTyping,
                   false},
        TypingCase{"ColumnPastTheLineEndsIt",
                   {"あい", "うえ"},
                   {9, 0},
                   {1},
                   {3, 1},
                   "う",
                   0,
                   RmTyping,
                   false},
        TypingCase{"LineBelowTheItemGoesToTheLinks",
                   {"あい"},
                   {1, 40},
                   {3},
                   {1, 40},
                   "",
                   0,
                   RmLinks,
                   false},
        TypingCase{"LeadByteAtLineEndIsOneCharacter",
                   {"あ\\[82]"},
                   {},
                   {2},
                   {1, 1},
                   "",
                   1,
                   RmTyping,
                   false}),
    [](const ::testing::TestParamInfo<TypingCase>& info) { return std::string(info.param.name); });

// ----- Pages -----

TEST(Text, PageOf28PxGlyphsHoldsElevenLines) {
    std::vector<std::string> lines(12, "あいう");
    RunFixture f(Novel(lines));
    StartPage(f);
    f.main->TypeCharacters(1000);

    TRunCommon& s = *f.state;
    const int32_t page = s.PageNumber;
    EXPECT_EQ(s.GlyphSize.Height, 28);
    EXPECT_EQ(s.RunMode, RmClickWait);
    EXPECT_EQ(s.TextCursor, (TTextCursor{1, 11}));
    EXPECT_EQ(s.PenPosition.Y, 416);
    for (int i = 0; i < 11; ++i) {
        const int y = kTop + kLineHeight * i;
        EXPECT_TRUE(InkIn(s.ScreenImage, 0, y, kCanvasWidth, y + 28)) << "line " << i;
        EXPECT_FALSE(InkIn(s.ScreenImage, 0, y + 30, kCanvasWidth, y + kLineHeight - 1))
            << "gap below line " << i;
    }
    EXPECT_FALSE(InkIn(s.ScreenImage, 0, 416 + 30, kCanvasWidth, kCanvasHeight));

    // The page is full: the click clears it and the twelfth line opens the next one.
    Click(f);
    f.main->WaitForClick();
    EXPECT_EQ(s.RunMode, RmTyping);
    EXPECT_EQ(s.PageNumber, page + 1);
    EXPECT_EQ(s.PenPosition, (TPoint{kLeft, kTop}));
    EXPECT_FALSE(InkIn(s.ScreenImage, 0, 0, kCanvasWidth, kCanvasHeight));
    f.main->TypeCharacters(1);
    EXPECT_EQ(s.TextCursor, (TTextCursor{3, 11}));
    EXPECT_TRUE(InkIn(s.ScreenImage, kLeft, kTop, kLeft + 30, kTop + 28));
}

TEST(Text, CharacterThatDidNotFitStartsTheNextPage) {
    RunFixture probe(Novel({"あ"}));
    StartPage(probe);
    const int perLine = PerLine(Width(probe, "あ"));
    RunFixture f(Novel({Repeat("あ", perLine * 11) + "いう"}));
    StartPage(f);
    TRunCommon& s = *f.state;

    const int32_t page = s.PageNumber;
    f.main->TypeCharacters(100000);
    EXPECT_EQ(s.RunMode, RmClickWait);
    EXPECT_EQ(s.TextCursor, (TTextCursor{perLine * 11 * 2 + 1, 0}));
    EXPECT_EQ(s.PenPosition.Y, 416);

    // The page is full: the click clears it.
    Click(f);
    f.main->WaitForClick();
    EXPECT_EQ(s.PageNumber, page + 1);
    EXPECT_FALSE(InkIn(s.ScreenImage, 0, 0, kCanvasWidth, kCanvasHeight));
    EXPECT_EQ(s.TextCursor, (TTextCursor{perLine * 11 * 2 + 1, 0}));
    f.main->TypeCharacters(1);
    EXPECT_EQ(s.TextCursor, (TTextCursor{perLine * 11 * 2 + 3, 0}));
    EXPECT_EQ(s.PenPosition, (TPoint{kLeft + Width(f, "い"), kTop}));
}

TEST(Text, LineHeadCharacterHangsPastTheMarginAndTheNextOneWraps) {
    RunFixture probe(Novel({"あ"}));
    StartPage(probe);
    const int perLine = PerLine(Width(probe, "あ"));
    RunFixture f(Novel({Repeat("あ", perLine) + "。いう"}));
    StartPage(f);
    TRunCommon& s = *f.state;

    f.main->TypeCharacters(perLine + 1);
    const int hangX = kLeft + perLine * Width(f, "あ");
    EXPECT_EQ(s.PenPosition, (TPoint{hangX + Width(f, "。"), kTop}));
    EXPECT_TRUE(InkIn(s.ScreenImage, hangX, kTop, kCanvasWidth, kTop + 28));
    EXPECT_FALSE(InkIn(s.ScreenImage, 0, kTop + kLineHeight, kCanvasWidth, kCanvasHeight));

    f.main->TypeCharacters(1);
    EXPECT_EQ(s.PenPosition, (TPoint{kLeft + Width(f, "い"), kTop + kLineHeight}));
    EXPECT_TRUE(
        InkIn(s.ScreenImage, kLeft, kTop + kLineHeight, kLeft + 28, kTop + kLineHeight + 28));
}

TEST(Text, TypingTouchesOnlyTheCharacterJustDrawn) {
    RunFixture f(Novel({"あい"}));
    StartPage(f);
    TRunCommon& s = *f.state;
    f.main->TypeCharacters(1);
    const TImage first = s.ScreenImage;
    f.main->TypeCharacters(1);
    const int x = kLeft + Width(f, "あ");
    // Only the rectangle repainted for it changed: its width + 2 by its height at the pen.
    for (int y = 0; y < kCanvasHeight; ++y) {
        for (int px = 0; px < kCanvasWidth; ++px) {
            const bool inside = px >= x && px < x + s.GlyphSize.Width + 2 && y >= kTop &&
                                y < kTop + s.GlyphSize.Height;
            if (!inside) {
                ASSERT_EQ(s.ScreenImage.Pixel(px, y), first.Pixel(px, y)) << px << "," << y;
            }
        }
    }
    EXPECT_TRUE(InkIn(s.ScreenImage, x, kTop, x + s.GlyphSize.Width, kTop + 28));
}

TEST(Text, RendererTakesTheHeadersAntiAliasSetting) {
    for (const int antiAlias : {0, 1}) {
        RunFixture f(Novel({"あ"}, "TextAntiAlias = " + std::to_string(antiAlias)));
        StartPage(f);
        f.state->TextRenderer.AntiAlias = !antiAlias;
        f.main->TypeCharacters(1);
        EXPECT_EQ(f.state->TextRenderer.AntiAlias, antiAlias != 0);
        EXPECT_EQ(f.state->TextRenderer.Target, &f.state->ScreenImage);
    }
}

TEST(Text, EachTickTypesAsManyCharactersAsIntervalsPassed) {
    RunFixture f(Novel({"あいうえおか"}));
    StartPage(f);
    // The first tick only chooses the display.
    f.main->TimerTimer(1);
    EXPECT_EQ(f.state->TextCursor, (TTextCursor{1, 0}));
    f.main->TimerTimer(3);
    EXPECT_EQ(f.state->TextCursor, (TTextCursor{7, 0}));
    f.main->TimerTimer(1);
    EXPECT_EQ(f.state->TextCursor, (TTextCursor{9, 0}));
    EXPECT_EQ(f.state->PenPosition, (TPoint{kLeft + Width(f, "あいうえ"), kTop}));
}

TEST(Text, FontChosenByACommandOutlastsAClickWait) {
    RunFixture f(Novel({".FONTCOLOR 255 0 0", "あ@い"}));
    StartPage(f);
    f.main->TypeCharacters(1);
    ASSERT_EQ(f.state->TextRenderer.TextColor, RGB(255, 0, 0));
    f.main->TypeCharacters(5);
    ASSERT_EQ(f.state->RunMode, RmClickWait);
    Click(f);
    f.main->WaitForClick();
    EXPECT_EQ(f.state->RunMode, RmTyping);
    EXPECT_EQ(f.state->TextRenderer.TextColor, RGB(255, 0, 0));
}

// ----- Click waits and the marker -----

const TColor kFrame0 = RGB(255, 0, 0), kFrame1 = RGB(0, 255, 0);

// Frame 0 a red block at (2..5, 2..5) of its cell, frame 1 a green one at (10..13, 10..13); the
// rest pure white.
TImage MarkerImage() {
    TImage marks(48, 24);
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 48; ++x) {
            TColor c = 0xFFFFFF;
            if (x >= 2 && x < 6 && y >= 2 && y < 6) {
                c = kFrame0;
            } else if (x >= 34 && x < 38 && y >= 10 && y < 14) {
                c = kFrame1;
            }
            marks.SetPixel(x, y, c);
        }
    }
    return marks;
}

// The page stands in a click wait after "あ@" with the pen at (x, y).
void WaitAt(RunFixture& f, int x, int y) {
    StartPage(f);
    f.state->ClickMarkImage = MarkerImage();
    f.main->TypeCharacters(10);
    ASSERT_EQ(f.state->RunMode, RmClickWait);
    f.state->PenPosition = TPoint{x, y};
}

struct BlinkCase {
    int interval;
    uint32_t tickTotal;
    int frame;
};

class MarkerBlinkTest : public ::testing::TestWithParam<BlinkCase> {};

TEST_P(MarkerBlinkTest, FrameFollowsTheTickCount) {
    const BlinkCase& c = GetParam();
    RunFixture f(Novel({"あ@い"}, "", c.interval));
    WaitAt(f, 100, 100);
    f.state->TickTotal = c.tickTotal;
    f.main->WaitForClick();
    // The marker cell sits at the pen plus (1, 3).
    const TImage& screen = f.state->ScreenImage;
    EXPECT_EQ(screen.Pixel(101 + 3, 103 + 3) == kFrame0, c.frame == 0);
    EXPECT_EQ(screen.Pixel(101 + 11, 103 + 11) == kFrame1, c.frame == 1);
    // White is transparent.
    EXPECT_EQ(screen.Pixel(101, 103), kBackground);
    EXPECT_EQ(screen.Pixel(101 + 20, 103 + 20), kBackground);
    EXPECT_EQ(f.state->RunMode, RmClickWait);
}

INSTANTIATE_TEST_SUITE_P(Text, MarkerBlinkTest,
                         ::testing::Values(BlinkCase{25, 0, 0}, BlinkCase{25, 9, 0},
                                           BlinkCase{25, 10, 1}, BlinkCase{25, 20, 0},
                                           BlinkCase{100, 2, 1}, BlinkCase{300, 1, 1},
                                           BlinkCase{300, 2, 0}, BlinkCase{0, 250, 1},
                                           BlinkCase{-5, 249, 0}, BlinkCase{25, 4294967295u, 1}));

TEST(Text, MarkerFrameIsErasedBeforeTheNextOne) {
    RunFixture f(Novel({"あ@い"}, "", 25));
    WaitAt(f, 100, 100);
    f.state->TickTotal = 0;
    f.main->WaitForClick();
    ASSERT_EQ(f.state->ScreenImage.Pixel(104, 106), kFrame0);
    f.state->TickTotal = 10;
    f.main->WaitForClick();
    EXPECT_EQ(f.state->ScreenImage.Pixel(104, 106), kBackground);
    EXPECT_EQ(f.state->ScreenImage.Pixel(112, 114), kFrame1);
    EXPECT_EQ(f.state->GlyphSize.Width, 24);
    EXPECT_EQ(f.main->TimerInterval(), 25);
}

TEST(Text, MarkerIsClippedAtThePictureEdges) {
    RunFixture f(Novel({"あ"}));
    TImage solid(48, 24);
    DibFillBlend(solid, TRect{0, 0, 48, 24}, kFrame0, 100);
    f.state->ClickMarkImage = solid;
    TImage target(kCanvasWidth, kCanvasHeight);
    f.main->DrawClickMark(target, 630, 470, 1);
    f.main->DrawClickMark(target, -20, -20, 0);
    f.main->DrawClickMark(target, 700, 100, 0);
    int marked = 0;
    for (int y = 0; y < kCanvasHeight; ++y) {
        for (int x = 0; x < kCanvasWidth; ++x) {
            const bool corner = (x >= 630 && y >= 470) || (x < 4 && y < 4);
            EXPECT_EQ(target.Pixel(x, y) == kFrame0, corner) << x << "," << y;
            marked += corner;
        }
    }
    EXPECT_EQ(marked, 10 * 10 + 4 * 4);
}

struct RecordingServices : IMainWindowServices {
    explicit RecordingServices(TMainForm*& form) : form(form) {}
    void ShowSystemMenu() override {
        ++menus;
        timerStopped = timerStopped || !form->IsTimerRunning();
    }
    TMainForm*& form;
    int menus = 0;
    bool timerStopped = false;
};

TEST(Text, RightClickOpensTheSystemMenuAndKeepsWaiting) {
    TMainForm* form = nullptr;
    RecordingServices services(form);
    RunFixture f(Novel({"あ@い"}));
    f.windows->ReplaceServices(&services);
    form = f.main;
    WaitAt(f, 100, 100);
    Click(f, 1);
    f.main->WaitForClick();
    EXPECT_EQ(services.menus, 1);
    EXPECT_TRUE(services.timerStopped);
    EXPECT_TRUE(f.main->IsTimerRunning());
    EXPECT_FALSE(f.state->PendingClick.Pending);
    EXPECT_EQ(f.state->RunMode, RmClickWait);
}

struct ContinueCase {
    const char* name;
    std::vector<std::string> lines;
    int penY;
    uint8_t button;
    bool skip;
    TTextCursor cursor;  // after the click
    TPoint pen;
    bool pageCleared;
};

class ClickContinuesTest : public ::testing::TestWithParam<ContinueCase> {};

TEST_P(ClickContinuesTest, TypingGoesOn) {
    const ContinueCase& c = GetParam();
    RunFixture f(Novel(c.lines));
    WaitAt(f, 200, c.penY);
    const int32_t page = f.state->PageNumber;
    if (c.skip) {
        f.main->StartFastForward();
        ASSERT_TRUE(f.main->IsSkipMode());
    } else {
        Click(f, c.button);
    }
    f.main->WaitForClick();
    EXPECT_EQ(f.state->RunMode, RmTyping);
    EXPECT_FALSE(f.state->PendingClick.Pending);
    EXPECT_EQ(f.state->TextCursor, c.cursor);
    EXPECT_EQ(f.state->PenPosition, c.pen);
    // The text typed so far ("あ" at the top left) stays unless the page turned.
    EXPECT_EQ(InkIn(f.state->ScreenImage, 0, 0, kCanvasWidth, kCanvasHeight), !c.pageCleared);
    EXPECT_EQ(f.state->PageNumber, page + (c.pageCleared ? 1 : 0));
}

INSTANTIATE_TEST_SUITE_P(
    Text, ClickContinuesTest,
    ::testing::Values(
        ContinueCase{"MidLineStaysOnTheLine", {"あ@い"}, 26, 0, false, {4, 0}, {200, 26}, false},
        ContinueCase{
            "LineEndGoesToTheNextLine", {"あ@", "い"}, 26, 0, false, {1, 1}, {26, 65}, false},
        ContinueCase{"MiddleButtonContinues", {"あ@", "い"}, 26, 2, false, {1, 1}, {26, 65}, false},
        ContinueCase{"SkipModeContinues", {"あ@", "い"}, 26, 0, true, {1, 1}, {26, 65}, false},
        ContinueCase{"LineEndOnTheLastLineTurnsThePage",
                     {"あ@", "い"},
                     416,
                     0,
                     false,
                     {1, 1},
                     {26, 26},
                     true}),
    [](const ::testing::TestParamInfo<ContinueCase>& info) {
        return std::string(info.param.name);
    });

TEST(Text, ClickWaitOnALineOutsideTheItemDoesNotReadIt) {
    RunFixture f(Novel({"あ@"}));
    WaitAt(f, 100, 100);
    f.state->TextCursor = TTextCursor{5, 30};
    Click(f);
    f.main->WaitForClick();
    EXPECT_EQ(f.state->TextCursor, (TTextCursor{1, 31}));
    EXPECT_EQ(f.state->RunMode, RmTyping);
    f.main->TypeCharacters(1);
    EXPECT_EQ(f.state->RunMode, RmLinks);

    f.state->RunMode = RmClickWait;
    f.state->TextCursor = TTextCursor{5, INT32_MAX};
    Click(f);
    f.main->WaitForClick();
    EXPECT_EQ(f.state->TextCursor, (TTextCursor{1, INT32_MAX}));
}

}  // namespace
}  // namespace tavri::test
