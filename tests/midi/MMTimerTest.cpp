#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "midi/MMTimer.h"

namespace tavri {
namespace {

using namespace std::chrono_literals;

// Every wait in these tests gives up after this, so that a broken timer fails instead of hanging.
constexpr auto kBound = 5s;

// What the handlers saw. Shared with them, so that a timer a failing test leaves behind still has
// somewhere to write, and so that its use count tells whether a timer thread still holds a handler.
class TCalls {
  public:
    // Returns the number of this call, from 1.
    int Record() {
        int count;
        {
            std::lock_guard lock(mutex_);
            count = ++count_;
            if (std::this_thread::get_id() == testThread_) {
                onTestThread_ = true;
            }
        }
        changed_.notify_all();
        return count;
    }
    int Count() {
        std::lock_guard lock(mutex_);
        return count_;
    }
    bool OnTestThread() {
        std::lock_guard lock(mutex_);
        return onTestThread_;
    }
    bool WaitFor(int count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kBound, [&] { return count_ >= count; });
    }

    // What a handler reports back about the calls it made on its sender.
    void Report(bool value) {
        {
            std::lock_guard lock(mutex_);
            reports_.push_back(value);
        }
        changed_.notify_all();
    }
    std::optional<std::vector<bool>> WaitForReports(size_t count) {
        std::unique_lock lock(mutex_);
        if (!changed_.wait_for(lock, kBound, [&] { return reports_.size() >= count; })) {
            return std::nullopt;
        }
        return reports_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int count_ = 0;
    std::vector<bool> reports_;
    bool onTestThread_ = false;
    const std::thread::id testThread_ = std::this_thread::get_id();
};

// Runs work on a thread of its own and waits for it within the bound. Work that does not finish
// in time is left running, so a deadlocked timer fails the test rather than hanging it.
template <class F>
bool FinishesInTime(F work) {
    struct TDone {
        std::mutex mutex;
        std::condition_variable cv;
        bool done = false;
    };
    auto done = std::make_shared<TDone>();
    std::thread worker([work = std::move(work), done]() mutable {
        work();
        std::lock_guard lock(done->mutex);
        done->done = true;
        done->cv.notify_all();
    });
    std::unique_lock lock(done->mutex);
    const bool finished = done->cv.wait_for(lock, kBound, [&] { return done->done; });
    lock.unlock();
    if (finished) {
        worker.join();
    } else {
        worker.detach();
    }
    return finished;
}

// Polls a state that nothing signals, within the bound.
template <class F>
bool Eventually(F condition) {
    const auto deadline = std::chrono::steady_clock::now() + kBound;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// A timer whose blocking operations (Stop and destruction) run under the bound.
class TTimerUnderTest {
  public:
    TTimerUnderTest() : timer_(std::make_shared<TMMTimer>()) {}
    ~TTimerUnderTest() {
        if (timer_ && !Destroy()) {
            ADD_FAILURE() << "destroying the timer did not finish";
        }
    }
    TMMTimer* operator->() { return timer_.get(); }

    std::optional<bool> Stop() {
        auto result = std::make_shared<std::atomic<int>>(-1);
        if (!FinishesInTime([timer = timer_, result] { *result = timer->Stop(); })) {
            return std::nullopt;
        }
        return *result == 1;
    }
    bool Destroy() {
        return FinishesInTime([timer = std::move(timer_)]() mutable { timer.reset(); });
    }

  private:
    std::shared_ptr<TMMTimer> timer_;
};

// A handler that only counts.
TMMTimer::TTimerEvent Counting(const std::shared_ptr<TCalls>& calls) {
    return [calls](TMMTimer&) { calls->Record(); };
}

TEST(MMTimer, DefaultsAfterCreation) {
    TTimerUnderTest timer;
    EXPECT_EQ(timer->MinPeriod(), 1u);
    EXPECT_EQ(timer->MaxPeriod(), 1000000u);
    EXPECT_EQ(timer->Delay(), timer->MaxPeriod());
    EXPECT_EQ(timer->Resolution(), timer->MinPeriod());
    EXPECT_EQ(timer->EventType(), TTimerEventType::PERIODIC);
    EXPECT_FALSE(timer->OnTimer());
    EXPECT_FALSE(timer->Running());
}

TEST(MMTimer, DelayAndResolutionAreClampedToThePeriodRange) {
    const struct {
        uint32_t set;
        uint32_t stored;
    } cases[] = {
        {0, 1},
        {1, 1},
        {5, 5},
        {20, 20},
        {1000000, 1000000},
        {1000001, 1000000},
        {UINT32_MAX, 1000000},
    };
    for (const auto& c : cases) {
        TTimerUnderTest timer;
        timer->SetDelay(c.set);
        timer->SetResolution(c.set);
        EXPECT_EQ(timer->Delay(), c.stored) << c.set;
        EXPECT_EQ(timer->Resolution(), c.stored) << c.set;
    }
}

TEST(MMTimer, StartWithoutHandlerFails) {
    for (TTimerEventType type : {TTimerEventType::ONESHOT, TTimerEventType::PERIODIC}) {
        TTimerUnderTest timer;
        timer->SetEventType(type);
        timer->SetDelay(1);
        EXPECT_FALSE(timer->Start());
        EXPECT_FALSE(timer->Running());
        EXPECT_EQ(timer.Stop(), false);
    }
}

TEST(MMTimer, SecondStartFailsWhileRunning) {
    for (TTimerEventType type : {TTimerEventType::ONESHOT, TTimerEventType::PERIODIC}) {
        auto calls = std::make_shared<TCalls>();
        TTimerUnderTest timer;
        timer->SetEventType(type);
        timer->SetOnTimer(Counting(calls));
        EXPECT_TRUE(timer->Start());
        EXPECT_FALSE(timer->Start());
        EXPECT_TRUE(timer->Running());
        // The default delay is the longest one: stopping must wake the sleeping thread.
        EXPECT_EQ(timer.Stop(), true);
        EXPECT_FALSE(timer->Running());
        EXPECT_EQ(calls->Count(), 0);
    }
}

TEST(MMTimer, StopFailsWhenNotRunning) {
    TTimerUnderTest timer;
    EXPECT_EQ(timer.Stop(), false);
    timer->SetOnTimer([](TMMTimer&) {});
    ASSERT_TRUE(timer->Start());
    EXPECT_EQ(timer.Stop(), true);
    EXPECT_EQ(timer.Stop(), false);
}

TEST(MMTimer, OneShotFiresOnceAndCanBeStartedAgain) {
    auto calls = std::make_shared<TCalls>();
    TTimerUnderTest timer;
    timer->SetEventType(TTimerEventType::ONESHOT);
    timer->SetDelay(1);
    timer->SetOnTimer(Counting(calls));
    for (int round = 1; round <= 3; ++round) {
        ASSERT_TRUE(timer->Start()) << round;
        ASSERT_TRUE(calls->WaitFor(round)) << round;
        ASSERT_TRUE(Eventually([&] { return !timer->Running(); })) << round;
        // Not running means the thread has delivered its one call and let go of its handler.
        EXPECT_TRUE(Eventually([&] { return calls.use_count() == 2; })) << round;
        EXPECT_EQ(calls->Count(), round);
        EXPECT_EQ(timer.Stop(), false) << "a fired one-shot is no longer running";
    }
    EXPECT_FALSE(calls->OnTestThread());
}

TEST(MMTimer, PeriodicFiresUntilStopped) {
    for (uint32_t delay : {1u, 5u}) {
        auto calls = std::make_shared<TCalls>();
        auto afterStop = std::make_shared<std::atomic<bool>>(false);
        auto lateCalls = std::make_shared<std::atomic<int>>(0);
        TTimerUnderTest timer;
        timer->SetDelay(delay);
        timer->SetOnTimer([calls, afterStop, lateCalls](TMMTimer&) {
            if (*afterStop) {
                ++*lateCalls;
            }
            calls->Record();
        });
        for (int round = 0; round < 2; ++round) {
            *afterStop = false;
            const int before = calls->Count();
            ASSERT_TRUE(timer->Start()) << delay;
            ASSERT_TRUE(calls->WaitFor(before + 5)) << delay;
            EXPECT_TRUE(timer->Running());
            ASSERT_EQ(timer.Stop(), true) << delay;
            *afterStop = true;
            EXPECT_FALSE(timer->Running());
            // The thread has ended: only the test and the timer's own handler hold the counter.
            EXPECT_EQ(calls.use_count(), 2) << delay;
            const int stoppedAt = calls->Count();
            std::this_thread::sleep_for(std::chrono::milliseconds(4 * delay));
            EXPECT_EQ(calls->Count(), stoppedAt) << delay;
        }
        EXPECT_EQ(*lateCalls, 0) << delay;
        EXPECT_FALSE(calls->OnTestThread());
    }
}

TEST(MMTimer, HandlerCanStopItsOwnTimer) {
    const struct {
        TTimerEventType type;
        int stopAt;
    } cases[] = {{TTimerEventType::ONESHOT, 1}, {TTimerEventType::PERIODIC, 3}};
    for (const auto& c : cases) {
        auto calls = std::make_shared<TCalls>();
        TTimerUnderTest timer;
        timer->SetEventType(c.type);
        timer->SetDelay(1);
        timer->SetOnTimer([calls, stopAt = c.stopAt](TMMTimer& sender) {
            if (calls->Record() == stopAt) {
                const bool stopped = sender.Stop();
                calls->Report(stopped);
                calls->Report(sender.Running());
            }
        });
        ASSERT_TRUE(timer->Start());
        const auto reports = calls->WaitForReports(2);
        ASSERT_TRUE(reports) << "Stop inside the handler did not return";
        EXPECT_TRUE((*reports)[0]) << "the timer was running while its handler ran";
        EXPECT_FALSE((*reports)[1]);
        EXPECT_FALSE(timer->Running());
        EXPECT_EQ(timer.Stop(), false);
        // Once the handler has returned its thread ends without another call.
        EXPECT_TRUE(Eventually([&] { return calls.use_count() == 2; }));
        EXPECT_EQ(calls->Count(), c.stopAt);

        // Starting again also takes care of the thread the handler stopped.
        ASSERT_TRUE(timer->Start());
        ASSERT_TRUE(calls->WaitFor(c.stopAt + 1));
        if (c.type == TTimerEventType::PERIODIC) {
            EXPECT_EQ(timer.Stop(), true);
        }
        EXPECT_TRUE(timer.Destroy());
        EXPECT_EQ(calls.use_count(), 1);
    }
}

TEST(MMTimer, HandlerCanRestartItsOwnTimer) {
    for (TTimerEventType type : {TTimerEventType::ONESHOT, TTimerEventType::PERIODIC}) {
        auto calls = std::make_shared<TCalls>();
        TTimerUnderTest timer;
        timer->SetEventType(type);
        timer->SetDelay(1);
        timer->SetOnTimer([calls](TMMTimer& sender) {
            if (calls->Record() == 2) {
                // The new run waits far longer than the test: it must still be running after the
                // handler of the old run has returned.
                sender.SetDelay(sender.MaxPeriod());
                const bool stopped = sender.Stop();
                const bool started = sender.Start();
                calls->Report(stopped);
                calls->Report(started);
            }
        });
        ASSERT_TRUE(timer->Start());
        if (type == TTimerEventType::ONESHOT) {
            ASSERT_TRUE(calls->WaitFor(1));
            ASSERT_TRUE(Eventually([&] { return !timer->Running(); }));
            ASSERT_TRUE(timer->Start());
        }
        const auto reports = calls->WaitForReports(2);
        ASSERT_TRUE(reports) << "Stop and Start inside the handler did not return";
        EXPECT_TRUE((*reports)[0]);
        EXPECT_TRUE((*reports)[1]);
        // The old run's thread ends once the handler returns; after that only the new run's
        // thread holds a copy of the handler besides the test and the timer.
        EXPECT_TRUE(Eventually([&] { return calls.use_count() == 3; }));
        EXPECT_TRUE(timer->Running());
        EXPECT_EQ(calls->Count(), 2);
        EXPECT_EQ(timer.Stop(), true);
        EXPECT_EQ(calls.use_count(), 2);
    }
}

TEST(MMTimer, DestroyingJoinsTheTimerThread) {
    enum class TState { Firing, WaitingLong, OneShotFired, StoppedByHandler };
    for (TState state :
         {TState::Firing, TState::WaitingLong, TState::OneShotFired, TState::StoppedByHandler}) {
        const int label = static_cast<int>(state);
        auto calls = std::make_shared<TCalls>();
        TTimerUnderTest timer;
        timer->SetDelay(state == TState::WaitingLong ? timer->MaxPeriod() : 1);
        timer->SetEventType(state == TState::OneShotFired ? TTimerEventType::ONESHOT
                                                          : TTimerEventType::PERIODIC);
        timer->SetOnTimer([calls, state](TMMTimer& sender) {
            calls->Record();
            if (state == TState::StoppedByHandler) {
                sender.Stop();
            }
        });
        ASSERT_TRUE(timer->Start()) << label;
        switch (state) {
            case TState::Firing:
                ASSERT_TRUE(calls->WaitFor(2)) << label;
                break;
            case TState::WaitingLong:
                break;
            case TState::OneShotFired:
            case TState::StoppedByHandler:
                ASSERT_TRUE(calls->WaitFor(1)) << label;
                ASSERT_TRUE(Eventually([&] { return !timer->Running(); })) << label;
                break;
        }
        ASSERT_TRUE(timer.Destroy()) << label;
        // Only the test holds the counter: the thread and its copy of the handler are gone.
        EXPECT_EQ(calls.use_count(), 1) << label;
        const int destroyedAt = calls->Count();
        std::this_thread::sleep_for(5ms);
        EXPECT_EQ(calls->Count(), destroyedAt) << label;
    }
}

}  // namespace
}  // namespace tavri
