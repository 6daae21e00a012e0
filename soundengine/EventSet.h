// Auto-reset events that one thread can wait on together ("wait for any"). An event stays set
// until a wait consumes it, so a wake-up given before the waiter arrives is never lost.
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "Object.h"

namespace morwick {

class CEventSet : public CNonCopyable {
  public:
    static constexpr int kTimeout = -1;

    explicit CEventSet(int count) : signalled_(static_cast<size_t>(count), false) {}

    void Set(int index) {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            signalled_[static_cast<size_t>(index)] = true;
        }
        wake_.notify_all();
    }

    void ResetAll() {
        std::lock_guard<std::mutex> guard(mutex_);
        std::fill(signalled_.begin(), signalled_.end(), false);
    }

    // The lowest set event, which is reset; blocks until one is set.
    int WaitAny() {
        std::unique_lock<std::mutex> guard(mutex_);
        int index = kTimeout;
        wake_.wait(guard, [&] { return (index = TakeLocked()) != kTimeout; });
        guard.unlock();
        wake_.notify_all();
        return index;
    }

    // As WaitAny, or kTimeout when none is set within the time.
    int WaitAny(std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> guard(mutex_);
        int index = kTimeout;
        wake_.wait_for(guard, timeout, [&] { return (index = TakeLocked()) != kTimeout; });
        guard.unlock();
        wake_.notify_all();
        return index;
    }

    // Blocks until a waiter has taken every set event, or the time is up. Lets a driver of
    // the output keep pace with the thread it wakes.
    bool WaitUntilTaken(std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> guard(mutex_);
        return wake_.wait_for(guard, timeout, [&] {
            return std::find(signalled_.begin(), signalled_.end(), true) == signalled_.end();
        });
    }

  private:
    int TakeLocked() {
        for (size_t i = 0; i < signalled_.size(); ++i) {
            if (signalled_[i]) {
                signalled_[i] = false;
                return static_cast<int>(i);
            }
        }
        return kTimeout;
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<bool> signalled_;
};

}  // namespace morwick
