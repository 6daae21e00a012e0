#pragma once

// A device whose mixed output the test pulls itself, and loading of generated sound bytes into
// a sound on it, shared by the static and the streaming sound tests.

#include <gtest/gtest.h>

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

    morwick::CDXSound device;
};

}  // namespace soundtest
