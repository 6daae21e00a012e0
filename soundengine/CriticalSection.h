// The one lock of a sound, shared by its controlling and streaming threads.
#pragma once

#include <mutex>

#include "Object.h"

namespace morwick {

class CCriticalSection : public CNonCopyable {
  public:
    virtual void Enter() { mutex_.lock(); }
    virtual void Leave() { mutex_.unlock(); }
    // For std::lock_guard.
    void lock() { Enter(); }
    void unlock() { Leave(); }

  private:
    std::recursive_mutex mutex_;
};

}  // namespace morwick
