#pragma once

#include <cstdint>
#include <memory>

namespace tavri::platform {

// Milliseconds that wrap at 2^32, like the original timeGetTime. Elapsed times are always the
// unsigned difference of two readings, so the wrap is harmless.
class IClock {
  public:
    virtual ~IClock() = default;
    virtual uint32_t Now() = 0;
    virtual void Sleep(uint32_t ms) = 0;
    // A clock that moves only when told to: only the thread that owns it may read it, so work
    // that would run on a timer thread of its own is stepped from the main loop instead.
    virtual bool IsVirtual() const { return false; }
};

// CLOCK_MONOTONIC truncated to 32 bits of milliseconds.
std::unique_ptr<IClock> CreateSystemClock();

// The wall clock's date and time of day in the machine's time zone.
struct TLocalTime {
    int Year = 1899, Month = 12, Day = 30;  // Month 1..12, Day 1..31
    int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
    bool operator==(const TLocalTime&) const = default;
};
TLocalTime LocalTimeNow();

// Time that moves only when told to (or by Sleep), so tests decide what "later" means.
class VirtualClock final : public IClock {
  public:
    explicit VirtualClock(uint32_t start = 0) : now_(start) {}
    uint32_t Now() override { return now_; }
    void Sleep(uint32_t ms) override { now_ += ms; }
    bool IsVirtual() const override { return true; }
    void Advance(uint32_t ms) { now_ += ms; }
    void Set(uint32_t ms) { now_ = ms; }

  private:
    uint32_t now_;
};

}  // namespace tavri::platform
