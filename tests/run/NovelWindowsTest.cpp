// The windows of a running novel as one owner opens them, and what the other forms ask of the
// main window: starting over, taking and restoring the reading position, jumping, fast-forward
// and pausing the timer.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "graphics/TestBitmaps.h"
#include "midi/SmfWriter.h"
#include "platform/TextEncoding.h"
#include "run/RunFixture.h"

namespace tavri::test {
namespace {

using platform::Cp932;

// No BookmarkMode line: the header's default, 2, as most novels keep it.
const char* const kDefaultNovel = R"(
[header]
NovelTitle = "Default"
StartItemName = "start"
TextSpeed = 10
DefaultTransitionName = "NONE"

[counter "kept"]
Value = 1
Maximum = 100
Persistent = 1

[counter "plain"]
Value = 2
Maximum = 100

[item "start"]
Text:
| .CounterSet "kept" 50
| .CounterSet "plain" 60
| .MidiPlay "tune.mid"
| .GraphLoad "bg.bmp"
| .CharSet "girl" "girl.bmp" BOTTOM CENTER
| one@
| two@
| .CounterSet "plain" 70
| three@
| .NEXTPAGE
| four@

[item "end"]
LinkKind = ending
Text:
| the end@
)";

std::map<std::string, std::vector<uint8_t>> Files() {
    return {
        {"bg.bmp", Bmp(640, 480, RGB(0, 0, 200), RGB(0, 0, 200))},
        {"girl.bmp", Bmp(40, 80, RGB(200, 0, 0), RGB(255, 255, 255))},
        {"tune.mid", WriteSmf(0, 480, {TSmfTrack().NoteOn(0, 0, 60, 100).NoteOff(9600, 0, 60)})}};
}

int32_t CounterValue(RunFixture& f, const char* name) {
    const CNovelCounters& counters = f.state->Counters();
    return counters.Entries[size_t(counters.IndexOf(name))].Value;
}

// Runs until the reader waits for a click; `clicks` waits are clicked through first.
void ReachClickWait(RunFixture& f, int clicks = 0) {
    for (int i = 0;; ++i) {
        ASSERT_TRUE(f.RunUntil(
            [&] { return f.state->RunMode == RmClickWait && !f.main->IsTransitionActive(); }));
        if (i == clicks) {
            return;
        }
        f.Click(320, 240);
        ASSERT_TRUE(f.RunUntil([&] { return f.state->RunMode != RmClickWait; }));
    }
}

TEST(NovelWindows, CreatesTheFormsInStartUpOrder) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{}, std::vector<std::string>{"/DEBUG"}}) {
        RunFixture f(kDefaultNovel, Files(), arguments);
        std::vector<std::string> order{"TMainForm",     "TYesNoForm",        "TMenuForm",
                                       "TBookmarkForm", "TBookmarkMenuForm", "TAboutForm"};
        if (!arguments.empty()) {
            order.insert(order.end(), {"TDebugCounterForm", "TDebugJumpForm"});
        }
        EXPECT_EQ(f.windows->CreationOrder(), order);
        EXPECT_EQ(f.main->DebugPanelShown(), !arguments.empty());
        EXPECT_EQ(&f.windows->Main().Application, &f.windows->Application());
        // Escape reaches the shared dialog through the connection made after creation; its
        // cancel button is clicked a little later.
        f.RunFor(100);
        f.Key(platform::VkEscape);
        f.Click(320 - 141 + 144 + 40, 240 - 54 + 80);
        f.RunFor(200);
        EXPECT_EQ(f.yesNo->Caption, Cp932("本を閉じる"));
        EXPECT_FALSE(f.app->Terminated());
    }
}

TEST(NovelWindows, ADefaultSettingsTitleStartsAReadingAndTheEndingReturnsToIt) {
    RunFixture f(kDefaultNovel, Files());
    f.StartReading();
    EXPECT_EQ(f.state->RunMode, RmTyping);
    EXPECT_EQ(f.state->CurrentItem, f.state->Items().IndexOf("start"));
    EXPECT_EQ(f.state->ReadingCount, 1);
    ReachClickWait(f, 3);
    f.main->JumpToItem(f.state->Items().IndexOf("end"));
    ReachClickWait(f);
    EXPECT_EQ(CounterValue(f, "kept"), 50);
    // The ending offers the bookmark book; the reader places nothing.
    ClickWhenModal(f, f.windows->Bookmarks(), kScreenCancelButton.X, kScreenCancelButton.Y);
    f.Click(320, 240);
    ASSERT_TRUE(f.RunUntil([&] { return f.main->AcceptsTitleClick(); }));
    EXPECT_EQ(f.windows->Bookmarks().Bookmarks().Count(), 0);
    // Starting over from the title puts every counter back, the persistent one too.
    ClickWhenModal(f, f.windows->Bookmarks(), kStartOverButton.X, kStartOverButton.Y);
    ClickWhenModal(f, *f.yesNo, kYesNoOkButton.X, kYesNoOkButton.Y);
    f.Click(320, 300);
    ASSERT_TRUE(f.RunUntil([&] { return f.state->RunMode == RmTyping; }));
    EXPECT_EQ(CounterValue(f, "kept"), 1);
    EXPECT_EQ(CounterValue(f, "plain"), 2);
    EXPECT_TRUE(f.messages.records.empty());
}

TEST(NovelWindows, ARestoredPositionContinuesWhereThePageBegan) {
    RunFixture f(kDefaultNovel, Files());
    f.StartReading();
    ReachClickWait(f, 1);  // at "two": the page began with the sprite shown
    const TReadingPosition taken = f.main->TakeReadingPosition();
    EXPECT_EQ(taken.ItemName, "start");
    EXPECT_EQ(taken.BackgroundName, "bg.bmp");
    EXPECT_EQ(taken.MidiName, "tune.mid");
    EXPECT_EQ(taken.Sprites.IndexOf("girl"), 0);
    EXPECT_EQ(taken.ReadingCount, 1);
    EXPECT_GT(taken.PageNumber, 0);
    const TTextCursor pageStart = taken.Cursor;

    ReachClickWait(f, 2);  // past the next page, with "plain" changed again
    f.main->RunCommandLine(".CharClear");
    f.main->RunCommandLine(".MidiStop");
    EXPECT_EQ(CounterValue(f, "plain"), 70);

    f.main->RestoreReadingPosition(taken);
    EXPECT_EQ(f.state->CurrentItem, f.state->Items().IndexOf("start"));
    EXPECT_EQ(f.state->TextCursor, pageStart);
    EXPECT_EQ(f.state->RunMode, RmTyping);
    EXPECT_EQ(f.state->PageNumber, taken.PageNumber);
    EXPECT_EQ(CounterValue(f, "kept"), 50);
    EXPECT_EQ(CounterValue(f, "plain"), 60);
    EXPECT_EQ(f.state->SpriteLayer.IndexOf("girl"), 0);
    EXPECT_EQ(f.state->CurrentBackgroundName, "bg.bmp");
    EXPECT_EQ(f.state->CurrentMidiName, "tune.mid");
    // The background with the girl standing in front of it is back on the screen.
    EXPECT_EQ(f.state->ScreenImage.Pixel(10, 10), RGB(0, 0, 200));
    EXPECT_EQ(f.state->ScreenImage.Pixel(320, 470), RGB(200, 0, 0));
    EXPECT_TRUE(f.messages.records.empty());
}

TEST(NovelWindows, AClearedPositionStartsTheNextReadingAndAMissingFileIsOnlyReported) {
    RunFixture f(kDefaultNovel, Files());
    f.StartReading();
    ReachClickWait(f);
    TReadingPosition cleared = f.main->TakeReadingPosition();
    cleared.PageNumber = -1;
    cleared.ReadingCount = 4;
    f.main->RestoreReadingPosition(cleared);
    EXPECT_EQ(f.state->ReadingCount, 5);
    EXPECT_EQ(f.state->PageNumber, 0);
    EXPECT_EQ(CounterValue(f, "kept"), 50);  // persistent: as the ending left it
    EXPECT_EQ(CounterValue(f, "plain"), 2);

    // A file gone since the bookmark was taken: told once, the page still comes back whole.
    TReadingPosition lost = f.main->TakeReadingPosition();
    lost.MidiName = "gone.mid";
    lost.PageNumber = 3;
    f.main->RestoreReadingPosition(lost);
    ASSERT_EQ(f.messages.records.size(), 1u);
    EXPECT_EQ(f.messages.records[0].text, Cp932("ファイル gone.mid を開けません。"));
    EXPECT_EQ(f.state->PageNumber, 3);
    EXPECT_EQ(f.state->RunMode, RmTyping);
}

TEST(NovelWindows, FastForwardOnlyFromAClickWaitAndPausesNest) {
    RunFixture f(kDefaultNovel, Files());
    f.StartReading();
    f.main->StartFastForward();
    EXPECT_FALSE(f.main->IsSkipMode());
    ReachClickWait(f);
    f.main->StartFastForward();
    EXPECT_TRUE(f.main->IsSkipMode());
    EXPECT_EQ(f.main->TimerInterval(), 1);

    EXPECT_TRUE(f.main->IsTimerRunning());
    {
        TTimerPause outer(*f.main);
        { TTimerPause inner(*f.main); }
        EXPECT_FALSE(f.main->IsTimerRunning());
    }
    EXPECT_TRUE(f.main->IsTimerRunning());
}

}  // namespace
}  // namespace tavri::test
