#include <time.h>

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

std::unique_ptr<IClock> CreateSystemClock() {
    return std::make_unique<SystemClock>();
}

}  // namespace tavri::platform
