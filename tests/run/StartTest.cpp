// The start of a reading: which item it starts at, what is reset, what survives, and that the
// first page fades in from black.

#include <gtest/gtest.h>

#include <string>

#include "graphics/CommandStrings.h"
#include "graphics/DIBTools.h"
#include "graphics/TestBitmaps.h"
#include "run/RunFixture.h"

namespace tavri::test {
namespace {

std::string Source(const std::string& startName, int bookmarkMode) {
    return R"(
[header]
NovelTitle = "Start"
StartItemName = ")" +
           startName + R"("
BookmarkMode = )" +
           std::to_string(bookmarkMode) + R"(
TextSpeed = 33
DefaultTransitionName = "BLEND"
DefaultTransitionDuration = 300

[counter "keep"]
Value = 1
Maximum = 100
Persistent = 1

[counter "reset"]
Value = 2
Maximum = 100

[item "a"]
Text:
| a

[item "start"]
Text:
| first

[item "b"]
Text:
| b

[item "start"]
Text:
| second
)";
}

void SetCounter(TRunCommon& state, const char* name, int32_t value) {
    state.Counters().Entries[size_t(state.Counters().IndexOf(name))].Value = value;
}

int32_t CounterValue(TRunCommon& state, const char* name) {
    return state.Counters().Entries[size_t(state.Counters().IndexOf(name))].Value;
}

TEST(StartTest, ResetsTheReadingAndFadesInFromBlack) {
    RunFixture f(Source("start", 2));
    TMainForm& main = *f.main;
    TRunCommon& state = *f.state;
    DibFillBlend(state.ScreenImage, {0, 0, 640, 480}, RGB(255, 0, 0), 100);
    DibFillBlend(state.NextFrameImage, {0, 0, 640, 480}, RGB(255, 0, 0), 100);
    state.CurrentItem = 2;
    state.TextCursor = {5, 3};
    state.PageNumber = 7;
    state.CurrentBackgroundName = "bg.png";
    state.CurrentMidiName = "m.mid";
    state.CurrentSoundName = "s.wav";
    state.CurrentBgmName = "b.ogg";
    // Until a reading starts the timer keeps an interval of its own.
    ASSERT_NE(main.TimerInterval(), 33);

    main.StartFromBeginning();

    EXPECT_EQ(state.CurrentItem, 3);  // the later of the two items named "start"
    EXPECT_EQ(state.TextCursor, (TTextCursor{1, 0}));
    EXPECT_EQ(state.RunMode, RmTyping);
    EXPECT_EQ(state.PageNumber, 0);
    EXPECT_EQ(state.ReadingCount, 1);
    EXPECT_EQ(state.CurrentBackgroundName, "");
    EXPECT_EQ(state.CurrentMidiName, "");
    EXPECT_EQ(state.CurrentSoundName, "");
    EXPECT_EQ(state.CurrentBgmName, "");
    EXPECT_EQ(state.PageSnapshot.SnapshotBackground, "");
    EXPECT_TRUE(Uniform(state.NextFrameImage, 0));
    EXPECT_TRUE(main.IsTransitionActive());
    EXPECT_EQ(main.PreparedTransition().Effect, kEffectBlend);
    EXPECT_EQ(main.PreparedTransition().Duration, 300);
    EXPECT_TRUE(f.messages.records.empty());

    // The screen still shows the page presented at the start, and the fade brings in black;
    // then the timer runs at the header's text speed.
    for (int tick = 0; tick < 100 && main.IsTransitionActive(); ++tick) {
        main.TransitionTick();
        f.clock.Advance(20);
    }
    EXPECT_FALSE(main.IsTransitionActive());
    EXPECT_TRUE(Uniform(state.ScreenImage, 0));
    EXPECT_EQ(main.TimerInterval(), 33);
}

TEST(StartTest, StartNameThatNamesNoItemStartsAtTheFirst) {
    RunFixture f(Source("nowhere", 2));
    f.state->CurrentItem = 2;
    f.main->StartFromBeginning();
    EXPECT_EQ(f.state->CurrentItem, 0);
}

struct CounterCase {
    int bookmarkMode;
    int32_t keep, reset;
};

// Without bookmarks only the persistent counters outlive a reading.
TEST(StartTest, CountersByBookmarkMode) {
    const CounterCase cases[] = {{0, 50, 2}, {2, 50, 60}, {1, 50, 60}};
    for (const CounterCase& c : cases) {
        SCOPED_TRACE(c.bookmarkMode);
        RunFixture f(Source("start", c.bookmarkMode));
        SetCounter(*f.state, "keep", 50);
        SetCounter(*f.state, "reset", 60);
        f.main->StartFromBeginning();
        EXPECT_EQ(CounterValue(*f.state, "keep"), c.keep);
        EXPECT_EQ(CounterValue(*f.state, "reset"), c.reset);
    }
}

TEST(StartTest, NonPersistentCountersAreMatchedByIndex) {
    RunFixture f(Source("start", 2));
    CNovelCounters& counters = f.state->Counters();
    counters.Entries[0].Value = 70;
    counters.Entries[1].Name = "renamed";
    counters.Entries[1].Value = 80;
    f.main->ResetNonPersistentCounters();
    EXPECT_EQ(counters.Entries[0].Name, "keep");
    EXPECT_EQ(counters.Entries[0].Value, 70);
    EXPECT_EQ(counters.Entries[1].Name, "reset");
    EXPECT_EQ(counters.Entries[1].Value, 2);
}

}  // namespace
}  // namespace tavri::test
