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
};

// CLOCK_MONOTONIC truncated to 32 bits of milliseconds.
std::unique_ptr<IClock> CreateSystemClock();

// Time that moves only when told to (or by Sleep), so tests decide what "later" means.
class VirtualClock final : public IClock {
  public:
    explicit VirtualClock(uint32_t start = 0) : now_(start) {}
    uint32_t Now() override { return now_; }
    void Sleep(uint32_t ms) override { now_ += ms; }
    void Advance(uint32_t ms) { now_ += ms; }
    void Set(uint32_t ms) { now_ = ms; }

  private:
    uint32_t now_;
};

}  // namespace tavri::platform
