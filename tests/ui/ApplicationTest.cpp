#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "platform/TextEncoding.h"
#include "ui/UiFixture.h"

namespace tavri::test {
namespace {

using platform::Cp932;

TEST(IdleTimer, ElapsedCountsWholeIntervalsSinceTheLastCall) {
    UiFixture f;
    ui::TIdleTimer timer(f.app);
    std::vector<int> calls;
    timer.OnTimer = [&](int elapsed) { calls.push_back(elapsed); };
    timer.SetInterval(30);
    // (time of the check, interval set before it, expected elapsed or 0 for no call)
    struct Step {
        uint32_t at;
        int interval;
        int expected;
    };
    const Step steps[] = {
        {100, 30, 0},                // the first check only starts counting
        {129, 30, 0},                // 29 ms: not yet
        {130, 30, 1},                // one interval
        {221, 30, 3},                // 91 ms: three whole intervals, the rest is dropped
        {250, 30, 0},                // counted from the last call (221), not from 220
        {251, 30, 1},  {252, 1, 1},  // a new interval applies at once
        {262, 0, 10},                // intervals below 1 ms count as 1 ms
        {272, -5, 10},
    };
    for (const Step& s : steps) {
        calls.clear();
        timer.SetInterval(s.interval);
        timer.Check(s.at, true);
        if (s.expected == 0) {
            EXPECT_TRUE(calls.empty()) << "at " << s.at;
        } else {
            EXPECT_EQ(calls, std::vector<int>{s.expected}) << "at " << s.at;
        }
    }
}

TEST(IdleTimer, PausesRestartTheReferenceTimeAndTheClockMayWrap) {
    UiFixture f;
    ui::TIdleTimer timer(f.app);
    std::vector<int> calls;
    timer.OnTimer = [&](int elapsed) { calls.push_back(elapsed); };
    timer.SetInterval(10);
    timer.Check(0xFFFFFFF0u, true);
    timer.Check(0x00000004u, true);  // 20 ms later across the wrap
    EXPECT_EQ(calls, std::vector<int>{2});

    // Inactive for a long time: no ticks, and no burst when active again.
    calls.clear();
    timer.Check(1000, false);
    timer.Check(9000, false);
    timer.Check(9005, true);
    timer.Check(9014, true);
    timer.Check(9015, true);
    EXPECT_EQ(calls, std::vector<int>{1});

    // Disabled and enabled again: the same.
    calls.clear();
    timer.SetEnabled(false);
    timer.Check(20000, true);
    timer.SetEnabled(true);
    timer.Check(30000, true);
    timer.Check(30010, true);
    EXPECT_EQ(calls, std::vector<int>{1});

    // A timer allowed to run while the application is inactive keeps counting.
    calls.clear();
    timer.ActiveOnlyWhenAppActive = false;
    timer.Check(30030, false);
    EXPECT_EQ(calls, std::vector<int>{2});
}

TEST(IdleTimer, TheLoopSleepsOneMillisecondBetweenChecks) {
    UiFixture f;
    ui::TIdleTimer timer(f.app);
    int calls = 0, total = 0;
    timer.OnTimer = [&](int elapsed) {
        ++calls;
        total += elapsed;
    };
    timer.SetInterval(30);
    const uint32_t start = f.clock.Now();
    for (int i = 0; i < 301; ++i) {
        f.app.HandleMessage();
    }
    EXPECT_EQ(f.clock.Now() - start, 301u);
    EXPECT_EQ(calls, 10);
    EXPECT_EQ(total, 10);

    // While the application is inactive the main timer does not run.
    f.display.active = false;
    for (int i = 0; i < 100; ++i) {
        f.app.HandleMessage();
    }
    EXPECT_EQ(calls, 10);
}

TEST(Application, AnEscapedExceptionIsShownAndTheLoopCarriesOn) {
    UiFixture f;
    f.app.Title = Cp932("テスト");
    ui::TIdleTimer timer(f.app);
    int calls = 0;
    timer.SetInterval(5);
    timer.OnTimer = [&](int) {
        if (++calls == 1) {
            throw std::runtime_error("'x1' is not a valid integer value");
        }
    };
    for (int i = 0; i < 20; ++i) {
        f.app.HandleMessage();
    }
    EXPECT_GE(calls, 2);
    ASSERT_EQ(f.messages.records.size(), 1u);
    EXPECT_EQ(f.messages.records[0].text, "'x1' is not a valid integer value");
    EXPECT_EQ(f.messages.records[0].caption, Cp932("テスト"));
    EXPECT_EQ(f.messages.records[0].icon, platform::MsgIcon::Error);
}

TEST(Application, PostedWorkRunsOnTheLoopThread) {
    UiFixture f;
    const std::thread::id loop = std::this_thread::get_id();
    std::thread::id ranOn;
    std::thread poster([&] { f.app.Post([&] { ranOn = std::this_thread::get_id(); }); });
    poster.join();
    f.app.HandleMessage();
    EXPECT_EQ(ranOn, loop);
}

TEST(Application, InputNoFormTakesReachesTheMainWindowAndCloseEndsTheLoop) {
    UiFixture f;
    f.ClickAt(5, 6);
    f.display.Key(platform::VkEscape);
    f.Drain();
    EXPECT_EQ(f.main.clicks, (std::vector<std::pair<int, int>>{{5, 6}}));
    EXPECT_EQ(f.main.keys, std::vector<int>{platform::VkEscape});

    platform::TInputEvent close;
    close.kind = platform::TInputEvent::Kind::Close;
    f.display.Schedule(f.clock.Now(), close);
    f.app.Run();  // returns because the close ends the loop
    EXPECT_TRUE(f.app.Terminated());
}

}  // namespace
}  // namespace tavri::test
