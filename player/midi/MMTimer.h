#pragma once

// A millisecond timer that calls its handler once or periodically on a thread of its own, for
// animations that must keep their pace while the window thread is busy (the system menu's fades).
//
// Each start runs one thread that sleeps on the monotonic clock to the next due time. Periodic
// due times are laid on a fixed grid (start + n·Delay), so a late wake-up or a slow handler does
// not push the later ticks back; a handler that overruns by more than a period loses the ticks it
// covered instead of having them delivered in a burst.
//
// Threads: configure, start, stop and destroy the timer from one owning thread. The handler may in
// addition call Stop and Start on its own sender. Running() may be read from anywhere. The timer
// must not be destroyed from inside its own handler.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace tavri {

enum class TTimerEventType { ONESHOT = 0, PERIODIC = 1 };

class TMMTimer {
  public:
    using TTimerEvent = std::function<void(TMMTimer& sender)>;

    // The range Delay and Resolution are held to, in milliseconds.
    static constexpr uint32_t kMinPeriod = 1;
    static constexpr uint32_t kMaxPeriod = 1000000;

    TMMTimer() = default;
    // Stops the timer and waits for a handler call in progress to return.
    ~TMMTimer();
    TMMTimer(const TMMTimer&) = delete;
    TMMTimer& operator=(const TMMTimer&) = delete;

    uint32_t MinPeriod() const { return kMinPeriod; }
    uint32_t MaxPeriod() const { return kMaxPeriod; }

    // Delay, Resolution and EventType are read when the timer starts; a change while it runs
    // applies to the next start.
    TTimerEventType EventType() const { return eventType_.load(std::memory_order_relaxed); }
    void SetEventType(TTimerEventType type) { eventType_.store(type, std::memory_order_relaxed); }
    uint32_t Delay() const { return delay_.load(std::memory_order_relaxed); }
    void SetDelay(uint32_t milliseconds);
    // Kept for callers that state how precise they need the timer to be. The sleeping thread
    // already wakes as precisely as the scheduler allows, so it does not change the timing.
    uint32_t Resolution() const { return resolution_.load(std::memory_order_relaxed); }
    void SetResolution(uint32_t milliseconds);

    // Called on the timer's thread, never on the thread that started the timer. The handler is
    // copied when the timer starts, so it must not be changed while the timer runs: a new one
    // only takes effect at the next Start, and changing it from inside a handler races with
    // the owner.
    const TTimerEvent& OnTimer() const { return onTimer_; }
    void SetOnTimer(TTimerEvent handler) { onTimer_ = std::move(handler); }

    // False without a handler or while running; false too if no thread could be started.
    // A timer that was stopped, or whose one-shot has fired, can be started again.
    bool Start();
    // False when the timer is not running (a one-shot that has fired is no longer running).
    // Otherwise no handler call begins after Stop returns; from any thread but the timer's own
    // it also waits for a call in progress. From inside the handler it only marks the timer
    // stopped, as waiting there would wait for itself: the thread ends when the handler returns.
    bool Stop();
    bool Running() const { return running_.load(std::memory_order_acquire); }

  private:
    using TClock = std::chrono::steady_clock;

    void Run(uint64_t generation, TTimerEvent handler, TTimerEventType type,
             std::chrono::milliseconds delay, TClock::time_point due,
             std::shared_ptr<std::thread> previous);

    std::atomic<TTimerEventType> eventType_{TTimerEventType::PERIODIC};
    std::atomic<uint32_t> delay_{kMaxPeriod};
    std::atomic<uint32_t> resolution_{kMinPeriod};
    TTimerEvent onTimer_;
    std::atomic<bool> running_{false};

    std::mutex mutex_;
    std::condition_variable wake_;
    // Counts starts and stops; a thread whose run is no longer the current one ends.
    uint64_t generation_ = 0;
    // Set by the destructor, so that a handler still running cannot start a thread it would miss.
    bool closing_ = false;
    // The newest thread. An older one, stopped from its own handler, is joined by its successor.
    std::thread thread_;
};

}  // namespace tavri
