#include <gtest/gtest.h>

#include "Exceptions.h"
#include "ManualDevice.h"
#include "MemoryStream.h"
#include "SoundFixtures.h"
#include "StaticSound.h"

using namespace morwick;
using namespace soundtest;

namespace {

class SoundStatic : public ManualDeviceTest {
  protected:
    std::vector<int16_t> Render(int frames) {
        std::vector<int16_t> out(static_cast<size_t>(frames) * 2);
        device.GetDirectSound()->Render(out.data(), frames);
        return out;
    }
};

TEST_F(SoundStatic, PlaysOnceOrLoopsFromTheStart) {
    // 3,000 frames of a ramp, 16-bit mono at the output rate, so samples pass unchanged.
    Bytes pcm;
    for (int i = 0; i < 3000; ++i) {
        PutU16(pcm, static_cast<uint16_t>(i * 10));
    }
    for (const bool looping : {false, true}) {
        CStaticSound sound(0x80);
        sound.SetLooping(looping);
        Load(sound, Wav(1, 44100, 16, pcm));
        sound.Play();
        EXPECT_TRUE(sound.IsPlaying());
        const auto out = Render(7000);
        for (int i = 0; i < 7000; ++i) {
            const int expected = looping || i < 3000 ? (i % 3000) * 10 : 0;
            ASSERT_NEAR(out[static_cast<size_t>(i) * 2], expected, 1) << i << " " << looping;
        }
        EXPECT_EQ(sound.IsPlaying(), looping);
    }
}

TEST_F(SoundStatic, EmptySoundCannotSizeABuffer) {
    CStaticSound sound(0x80);
    try {
        Load(sound, Wav(1, 44100, 16, Bytes()));
        FAIL();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.GetMessage(), Cp932("サウンドバッファの作成に失敗しました."));
        EXPECT_EQ(e.GetOrigin(), "morwick::CStaticSound");
    }
    EXPECT_FALSE(sound.IsPlaying());
}

}  // namespace
