#include "midi/MMTimer.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace tavri {
namespace {

// The timer whose thread this is, so that Stop can tell a call from inside a handler (which must
// not wait for its own thread) from a call by the owner.
thread_local const TMMTimer* tTimerOfThisThread = nullptr;

uint32_t ClampPeriod(uint32_t milliseconds) {
    return std::clamp(milliseconds, TMMTimer::kMinPeriod, TMMTimer::kMaxPeriod);
}

}  // namespace

TMMTimer::~TMMTimer() {
    std::thread last;
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
        ++generation_;
        running_.store(false, std::memory_order_release);
        last = std::move(thread_);
    }
    wake_.notify_all();
    // Joining the newest thread also waits for any older one, which the newest joins first.
    if (last.joinable()) {
        last.join();
    }
}

void TMMTimer::SetDelay(uint32_t milliseconds) {
    delay_.store(ClampPeriod(milliseconds), std::memory_order_relaxed);
}

void TMMTimer::SetResolution(uint32_t milliseconds) {
    resolution_.store(ClampPeriod(milliseconds), std::memory_order_relaxed);
}

bool TMMTimer::Start() {
    std::lock_guard lock(mutex_);
    if (!onTimer_ || running_.load(std::memory_order_relaxed) || closing_) {
        return false;
    }
    TTimerEvent handler = onTimer_;
    const TTimerEventType type = EventType();
    const std::chrono::milliseconds delay(Delay());
    // The grid is fixed here rather than when the thread gets going, so that the new thread's
    // wait for the previous one does not shift it.
    const TClock::time_point due = TClock::now() + delay;

    // A thread left from an earlier run has been told to end but may still be inside its handler,
    // and may even be the caller. The new thread joins it, so Start never waits and the owner
    // keeps one thread to join. Shared, so that it is not lost if the new thread cannot start.
    auto previous = std::make_shared<std::thread>(std::move(thread_));
    const uint64_t generation = ++generation_;
    try {
        thread_ = std::thread(&TMMTimer::Run, this, generation, std::move(handler), type, delay,
                              due, previous);
    } catch (const std::system_error&) {
        thread_ = std::move(*previous);
        return false;
    }
    running_.store(true, std::memory_order_release);
    return true;
}

bool TMMTimer::Stop() {
    std::thread finished;
    {
        std::lock_guard lock(mutex_);
        if (!running_.load(std::memory_order_relaxed)) {
            return false;
        }
        ++generation_;
        running_.store(false, std::memory_order_release);
        if (tTimerOfThisThread != this) {
            finished = std::move(thread_);
        }
    }
    wake_.notify_all();
    if (finished.joinable()) {
        finished.join();
    }
    return true;
}

void TMMTimer::Run(uint64_t generation, TTimerEvent handler, TTimerEventType type,
                   std::chrono::milliseconds delay, TClock::time_point due,
                   std::shared_ptr<std::thread> previous) {
    tTimerOfThisThread = this;
    if (previous->joinable()) {
        previous->join();
    }
    previous.reset();

    const auto superseded = [&] { return generation_ != generation; };
    std::unique_lock lock(mutex_);
    while (!wake_.wait_until(lock, due, superseded)) {
        lock.unlock();
        handler(*this);
        lock.lock();
        if (type == TTimerEventType::ONESHOT) {
            // A handler that stopped and restarted the timer has made a new run; that one is
            // not over.
            if (!superseded()) {
                running_.store(false, std::memory_order_release);
            }
            break;
        }
        due += delay;
        const TClock::duration late = TClock::now() - due;
        if (late >= delay) {
            // Keep to the grid, but deliver the ticks the handler overran as one.
            due += late / delay * delay;
        }
    }
}

}  // namespace tavri
