#pragma once

// A device whose mixed output the test pulls itself, and loading of generated sound bytes into
// a sound on it, shared by the static and the streaming sound tests.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

#include "DXSound.h"
#include "MemoryStream.h"
#include "SoundFixtures.h"

namespace soundtest {

class ManualDeviceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        device.SetOutput(morwick::ds::Output::Manual);
        ASSERT_TRUE(device.Initialize());
    }

    template <typename TSound>
    void Load(TSound& sound, const Bytes& bytes) {
        morwick::CMemoryStream stream;
        stream.Write(bytes.data(), static_cast<int32_t>(bytes.size()));
        stream.Seek(0, 0);
        sound.Open(device, stream);
    }

    // The loudest sample of the next frames of output, pulled in small blocks as a real
    // output would, so the streaming threads are woken segment by segment.
    int RenderPeak(int frames) {
        std::vector<int16_t> out(512 * 2);
        int peak = 0;
        for (int done = 0; done < frames;) {
            const int n = std::min(512, frames - done);
            device.GetDirectSound()->Render(out.data(), n);
            for (size_t i = 0; i < static_cast<size_t>(n) * 2; ++i) {
                peak = std::max(peak, std::abs(int{out[i]}));
            }
            done += n;
        }
        return peak;
    }

    morwick::CDXSound device;
};

// True once the condition holds; false if it did not within a generous bound. For what
// another thread finishes on its own.
inline bool Eventually(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

}  // namespace soundtest
