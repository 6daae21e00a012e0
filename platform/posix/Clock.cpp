#include <time.h>

#include <algorithm>

#include "platform/Clock.h"

namespace tavri::platform {

namespace {
class SystemClock final : public IClock {
  public:
    uint32_t Now() override {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        uint64_t ms =
            static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
        return static_cast<uint32_t>(ms);
    }
    void Sleep(uint32_t ms) override {
        timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
        while (nanosleep(&ts, &ts) != 0) {
        }
    }
};
}  // namespace

TLocalTime LocalTimeNow() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    TLocalTime t;
    t.Year = local.tm_year + 1900;
    t.Month = local.tm_mon + 1;
    t.Day = local.tm_mday;
    t.Hour = local.tm_hour;
    t.Minute = local.tm_min;
    t.Second = std::min(local.tm_sec, 59);  // a leap second reads as the one before it
    t.Millisecond = int(ts.tv_nsec / 1000000);
    return t;
}

std::unique_ptr<IClock> CreateSystemClock() {
    return std::make_unique<SystemClock>();
}

}  // namespace tavri::platform
