#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <optional>
#include <vector>

#include "graphics/Canvas.h"
#include "graphics/CanvasText.h"
#include "midi/SmfWriter.h"
#include "platform/TextEncoding.h"
#include "run/RunFixture.h"

namespace tavri::test {
namespace {

using platform::Cp932;
using platform::TDisplayMode;

// The bit counts of the full-screen switches asked of the display, in order; all at 640 × 480.
std::vector<int> FullScreenBitCounts(const platform::HeadlessDisplay& display) {
    std::vector<int> bits;
    for (const TDisplayMode& mode : display.fullScreenRequests) {
        EXPECT_EQ(mode.width, 640);
        EXPECT_EQ(mode.height, 480);
        bits.push_back(mode.bitCount);
    }
    return bits;
}

// Whether the last presented frame shows `cp932` at the left of the debug strip's first label,
// drawn as the label draws it, black on the strip's grey.
bool DebugStripBegins(const platform::HeadlessDisplay& display, const std::string& cp932) {
    constexpr int kStripTop = 480 - 13, kLabelLeft = 2, kLabelWidth = 436, kHeight = 13;
    TFont font;
    font.Face = Cp932("ＭＳ Ｐゴシック");
    font.Height = -12;
    TImage expected(kLabelWidth, kHeight);
    FillRect(expected, TRect{0, 0, kLabelWidth, kHeight}, RGB(192, 192, 192));
    CanvasTextOut(expected, 0, 0, cp932, font, 0, std::nullopt, TGlyphRendering::Grey);
    const int width = std::min(TextExtent(font, cp932).Width, kLabelWidth);
    if (width <= 0 || display.frame.size() != size_t(640 * 480 * 3)) {
        return false;
    }
    bool ink = false;
    for (int y = 0; y < kHeight; ++y) {
        const uint8_t* shown =
            display.frame.data() + (size_t(kStripTop + y) * 640 + kLabelLeft) * 3;
        if (!std::equal(shown, shown + 3 * width, expected.ScanLine(y))) {
            return false;
        }
        for (int x = 0; x < width; ++x) {
            ink = ink || expected.Pixel(x, y) != RGB(192, 192, 192);
        }
    }
    return ink;
}

// A long note (ten seconds at 120 beats per minute).
std::vector<uint8_t> Song() {
    return WriteSmf(0, 480, {TSmfTrack().NoteOn(0, 0, 60, 100).NoteOff(9600, 0, 60)});
}

std::string Novel(const std::string& headerExtra = "") {
    return "[header]\nNovelTitle = \"小径\"\nStartItemName = \"start\"\nBookmarkMode = 0\n"
           "TextSpeed = 30\n" +
           headerExtra +
           "\n[item \"start\"]\nLinkKind = ending\nText:\n| はじめの頁。@\n| 次の行。\n";
}

TEST(MainWindow, CreationSetsTitleAndKeepsTheWindowHiddenUntilTheFirstTick) {
    RunFixture f(Novel());
    EXPECT_EQ(f.display.title, Cp932("小径"));
    EXPECT_EQ(f.app->Title, Cp932("小径"));
    EXPECT_FALSE(f.display.IsShown());
    EXPECT_EQ(f.main->TimerInterval(), 30);
    EXPECT_EQ(f.state->RunMode, RmTitle);
    EXPECT_FALSE(f.display.fastForwardCursor.pixels.empty());
    f.RunFor(31);
    EXPECT_TRUE(f.display.IsShown());
    EXPECT_FALSE(f.display.IsFullScreen());  // StartWindowed defaults to 1
    EXPECT_TRUE(f.display.fullScreenRequests.empty());
    // The deepest of the modes offered was chosen when the window was made.
    f.main->EnterFullScreen();
    EXPECT_EQ(FullScreenBitCounts(f.display), std::vector<int>{32});
    EXPECT_TRUE(f.main->IsFullScreen());
}

TEST(MainWindow, EmptyTitleBecomesTheRuntimeCaption) {
    RunFixture f("[header]\nBookmarkMode = 0\n[item \"a\"]\nText:\n| x\n");
    EXPECT_EQ(f.display.title, "Tavri! Novel Runtime");
}

TEST(MainWindow, FullScreenModeRule) {
    struct Case {
        const char* name;
        std::vector<TDisplayMode> modes;
        bool only16;
        int failures;               // full-screen switches that fail
        std::vector<int> attempts;  // the bit counts asked for, retries included
        bool highColourMessage;
        bool screenModeMessage;
    };
    const Case cases[] = {
        {"default list", {{640, 480, 16}, {640, 480, 32}}, false, 0, {32}, false, false},
        {"16 asked", {{640, 480, 16}, {640, 480, 32}}, true, 0, {16}, false, false},
        {"only 32 offered, 16 asked", {{640, 480, 32}}, true, 0, {}, true, true},
        {"last qualifying wins",
         {{640, 480, 32}, {800, 600, 32}, {640, 480, 24}},
         false,
         0,
         {24},
         false,
         false},
        {"8 bits only", {{640, 480, 8}}, false, 0, {}, true, true},
        {"retry at 16", {{640, 480, 32}}, false, 1, {32, 16}, false, false},
        {"retry fails", {{640, 480, 32}}, false, 2, {32, 16}, false, true},
        {"16 fails without retry", {{640, 480, 16}}, false, 1, {16}, false, true},
    };
    for (const Case& c : cases) {
        RunFixture f(Novel(std::string("StartWindowed = 0\nOnly16BitColor = ") +
                           (c.only16 ? "1" : "0") + "\n"));
        // The mode list is read when the window is created: the windows are opened again on a
        // display that offers the case's modes.
        CloseNovelWindows(f);
        f.display.modes = c.modes;
        f.display.failFullScreen = c.failures;
        f.messages.records.clear();
        OpenNovelWindows(f);
        f.RunFor(31);
        const std::string high =
            Cp932("ビデオカードがハイカラーに対応していません。\r\n実行を中止します。");
        const std::string screen = Cp932("画面モードを変更できません。\r\n実行を中止します。");
        std::vector<std::string> expected;
        if (c.highColourMessage) {
            expected.push_back(high);
        }
        if (c.screenModeMessage) {
            expected.push_back(screen);
        }
        std::vector<std::string> texts;
        for (const auto& r : f.messages.records) {
            texts.push_back(r.text);
            EXPECT_EQ(r.caption, Cp932("小径")) << c.name;
        }
        EXPECT_EQ(texts, expected) << c.name;
        EXPECT_EQ(FullScreenBitCounts(f.display), c.attempts) << c.name;
        EXPECT_EQ(f.app->Terminated(), c.screenModeMessage) << c.name;
        EXPECT_EQ(f.main->ExitStatus(), c.screenModeMessage ? 1 : 0) << c.name;
        EXPECT_EQ(f.display.IsFullScreen(), !c.screenModeMessage) << c.name;
    }
}

TEST(MainWindow, EscapeAsksAndOkClosesTheWindow) {
    for (const bool ok : {false, true}) {
        RunFixture f(Novel(), {{"song.mid", Song()}});
        f.RunFor(100);
        f.main->PlayMidi("song.mid", true);
        ASSERT_TRUE(f.RunUntil([&] { return Sent(f.midi, NoteOnMessage(60)); }, 1000));
        f.Key(platform::VkEscape);
        // The dialog comes up centred; click one of its buttons a little later.
        const int left = 320 - 141, top = 240 - 54;
        f.Click(left + (ok ? 48 : 144) + 40, top + 80);
        f.RunFor(200);
        EXPECT_EQ(f.yesNo->Caption, Cp932("本を閉じる"));
        EXPECT_EQ(f.app->Terminated(), ok);
        // Closing the book stops its music.
        EXPECT_EQ(EndsSilenced(f.midi), ok);
        EXPECT_TRUE(f.main->IsTimerRunning());
    }
}

TEST(MainWindow, ClicksAndKeysLeaveOnePendingClick) {
    RunFixture f(Novel());
    f.StartReading();
    ASSERT_TRUE(f.RunUntil([&] { return f.state->RunMode == RmClickWait; }));
    // Stopped, so that no click wait takes the click before it is looked at.
    f.main->PauseTimer();
    f.main->StartFastForward();
    ASSERT_TRUE(f.main->IsSkipMode());
    f.Key(platform::VkSpace);
    f.Key(platform::VkReturn);
    f.Click(100, 200, platform::MouseButton::Right);
    f.app->HandleMessage();
    const TPendingClick& click = f.state->PendingClick;
    EXPECT_TRUE(click.Pending);
    EXPECT_EQ(click.X, 0);
    EXPECT_EQ(click.Y, 0);
    EXPECT_EQ(click.Button, 0);
    EXPECT_EQ(f.state->MousePosition, (TPoint{100, 200}));  // the later move
    EXPECT_EQ(f.display.pointerX, 4);
    EXPECT_EQ(f.display.pointerY, 4);
    EXPECT_FALSE(f.main->IsSkipMode());

    f.state->PendingClick.Pending = false;
    f.Click(7, 9, platform::MouseButton::Middle);
    f.app->HandleMessage();
    EXPECT_EQ(f.state->PendingClick.Button, 2);
    EXPECT_EQ(f.state->PendingClick.X, 7);
}

TEST(MainWindow, WaitCountsIntervalsTimesTheTimerInterval) {
    RunFixture f(Novel());
    f.RunFor(31);  // first tick
    ASSERT_EQ(f.main->TimerInterval(), 30);
    f.main->RunCommandLine(".WAIT 100");
    f.main->TimerTimer(2);  // 60 ms
    EXPECT_TRUE(f.main->IsWaiting());
    f.main->TimerTimer(1);  // 90 ms
    EXPECT_TRUE(f.main->IsWaiting());
    f.main->TimerTimer(1);  // 120 ms
    EXPECT_FALSE(f.main->IsWaiting());
    // No overflow: the sum saturates, and the longest wait still ends.
    f.main->RunCommandLine(".WAIT 2147483647");
    f.main->TimerTimer(1000000);
    EXPECT_TRUE(f.main->IsWaiting());
    f.main->TimerTimer(INT32_MAX);
    EXPECT_FALSE(f.main->IsWaiting());
}

TEST(MainWindow, PresentPageTakesTheSnapshot) {
    RunFixture f(Novel());
    f.state->CurrentMidiName = "m.mid";
    f.state->CurrentSoundName = "s.wav";  // no engine: not playing, so not kept
    f.state->CurrentBgmName = "b.ogg";
    f.state->TextCursor = TTextCursor{5, 2};
    f.state->PenPosition = TPoint{300, 300};
    FillRect(f.state->NextFrameImage, TRect{0, 0, 640, 480}, RGB(1, 2, 3));
    const int32_t page = f.state->PageNumber;
    f.main->PresentPage();
    EXPECT_EQ(f.state->ScreenImage.Pixel(10, 10), RGB(1, 2, 3));
    EXPECT_EQ(f.state->PenPosition, (TPoint{26, 26}));
    EXPECT_EQ(f.state->PageNumber, page + 1);
    EXPECT_EQ(f.state->PageSnapshot.SnapshotMidi, "m.mid");
    EXPECT_EQ(f.state->PageSnapshot.SnapshotSound, "");
    EXPECT_EQ(f.state->PageSnapshot.SnapshotBgm, "b.ogg");
    EXPECT_EQ(f.state->PageSnapshot.SnapshotCursor, (TTextCursor{5, 2}));

    f.state->CurrentBackgroundName = "bg.png";
    f.main->ResetPageState();
    EXPECT_EQ(f.state->CurrentMidiName, "");
    EXPECT_EQ(f.state->PageSnapshot.SnapshotBackground, "");
    EXPECT_EQ(f.state->PageSnapshot.SnapshotMidi, "");
    EXPECT_EQ(f.state->PageSnapshot.SnapshotBgm, "b.ogg");
}

TEST(MainWindow, DebugPanelShowsTheItemAndTakesNoKeys) {
    RunFixture f(Novel(), {}, {"/DEBUG"});
    EXPECT_TRUE(f.main->DebugPanelShown());
    f.RunFor(200);
    EXPECT_TRUE(DebugStripBegins(f.display, Cp932("デバッグモード")));
    EXPECT_EQ(f.main->DebugItemText(), " 0. start");
    f.Click(5, 475);  // on the panel: the main window does not get it
    f.app->HandleMessage();
    EXPECT_FALSE(f.state->PendingClick.Pending);
    EXPECT_EQ(f.app->Host().ActiveForm(), nullptr);
    f.state->CurrentItem = -1;
    f.main->SkipTransition();
    f.main->TimerTimer(1);
    EXPECT_EQ(f.main->DebugItemText(), " -1");
}

}  // namespace
}  // namespace tavri::test

namespace tavri::test {
namespace {

TEST(MainWindow, ConversionErrorIsShownAndReadingGoesOn) {
    RunFixture f(
        "[header]\nNovelTitle = \"小径\"\nStartItemName = \"start\"\nBookmarkMode = 0\n"
        "[item \"start\"]\nLinkKind = ending\nText:\n| .WAIT soon\n| 続き。@\n");
    f.StartReading();
    ASSERT_TRUE(f.RunUntil([&] { return f.state->RunMode == RmClickWait; }, 10000));
    ASSERT_EQ(f.messages.records.size(), 1u);
    EXPECT_EQ(f.messages.records[0].text, "'soon' is not a valid integer value");
    EXPECT_EQ(f.messages.records[0].caption, platform::Cp932("小径"));
    EXPECT_EQ(f.state->TextCursor.Line, 1);
}

}  // namespace
}  // namespace tavri::test
