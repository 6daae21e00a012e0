// The streaming sound on a device whose output the test pulls itself, so what comes out can
// be checked sample by sample.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "Exceptions.h"
#include "ManualDevice.h"
#include "MemoryStream.h"
#include "SoundFixtures.h"
#include "SoundTrackList.h"
#include "StreamingSound.h"

using namespace morwick;
using namespace soundtest;

namespace {

constexpr int kRate = 44100;

class SoundStreaming : public ManualDeviceTest {
  protected:
    // Pulls output much faster than real time; the manual output waits for the streaming
    // thread to take each notification it gives, so the refills keep pace.
    std::vector<int16_t> Render(int frames) {
        std::vector<int16_t> out(static_cast<size_t>(frames) * 2);
        for (int done = 0; done < frames;) {
            const int n = std::min(512, frames - done);
            device.GetDirectSound()->Render(out.data() + static_cast<size_t>(done) * 2, n);
            done += n;
        }
        return out;
    }

    // Renders until the sound stops, failing after a generous amount of output.
    std::vector<int16_t> RenderUntilStopped(CStreamingSound& sound, int maxFrames) {
        std::vector<int16_t> all;
        while (sound.IsPlaying() && static_cast<int>(all.size() / 2) < maxFrames) {
            const auto block = Render(2048);
            all.insert(all.end(), block.begin(), block.end());
        }
        EXPECT_FALSE(sound.IsPlaying());
        return all;
    }
};

int Peak(const std::vector<int16_t>& samples, size_t from, size_t to) {
    int peak = 0;
    for (size_t i = from; i < to && i < samples.size(); ++i) {
        peak = std::max(peak, std::abs(int{samples[i]}));
    }
    return peak;
}

// Rising zero crossings of one channel per second.
double Frequency(const std::vector<int16_t>& samples, int channel, size_t fromFrame,
                 size_t frames) {
    int crossings = 0;
    for (size_t i = fromFrame + 1; i < fromFrame + frames; ++i) {
        const int16_t a = samples[(i - 1) * 2 + static_cast<size_t>(channel)];
        const int16_t b = samples[i * 2 + static_cast<size_t>(channel)];
        if (a < 0 && b >= 0) {
            ++crossings;
        }
    }
    return crossings * static_cast<double>(kRate) / static_cast<double>(frames);
}

TEST_F(SoundStreaming, ToneComesOutAtItsPitchAndFullLevel) {
    CStreamingSound sound(0x80);
    Load(sound, Wav(2, kRate, 16, Sine16(2, kRate, 1000, 0.9, kRate * 3)));
    sound.SetVolume(0);
    sound.Play();
    EXPECT_TRUE(sound.IsPlaying());
    const auto out = Render(kRate * 5 / 2);
    EXPECT_NEAR(Frequency(out, 0, kRate / 2, kRate), 1000.0, 3.0);
    EXPECT_NEAR(Frequency(out, 1, kRate / 2, kRate), 1000.0, 3.0);
    EXPECT_NEAR(Peak(out, kRate, kRate * 4), 0.9 * 32767, 200);
}

TEST_F(SoundStreaming, VolumeScalesTheLevel) {
    CStreamingSound sound(0x80);
    Load(sound, Wav(1, kRate, 16, Sine16(1, kRate, 1000, 0.9, kRate)));
    sound.SetVolume(-5000);  // raw -1414: a gain of 10^(-1414/2000)
    sound.Play();
    const auto out = Render(kRate / 2);
    EXPECT_NEAR(Peak(out, 0, out.size()), 0.9 * 32767 * std::pow(10.0, -1414 / 2000.0), 150);
}

TEST_F(SoundStreaming, LoopIsSeamlessAtTheJoint) {
    // 882 Hz has exactly 50 samples per period; the sound's length is not a whole number
    // of segments, so every joint is completed from the rewound reader within a fill.
    const uint32_t frames = 50 * 397;
    const Bytes pcm = Sine16(1, kRate, 882, 0.8, frames);
    CStreamingSound sound(0x80);
    sound.SetLooping(true);
    Load(sound, Wav(1, kRate, 16, pcm));
    sound.Play();
    const auto out = Render(kRate * 4);
    EXPECT_TRUE(sound.IsPlaying());
    int worst = 0;
    for (size_t i = 0; i < out.size() / 2; ++i) {
        const size_t at = (i % frames) * 2;
        const int expected = static_cast<int16_t>(static_cast<uint8_t>(pcm[at]) |
                                                  static_cast<uint8_t>(pcm[at + 1]) << 8);
        worst = std::max(worst, std::abs(out[i * 2] - expected));
    }
    EXPECT_LE(worst, 2);
}

TEST_F(SoundStreaming, ShortSoundPadsWithSilenceAndStops) {
    struct Case {
        uint16_t bits;
        Bytes pcm;
    };
    const std::vector<Case> cases = {{16, Sine16(1, kRate, 1000, 0.5, kRate / 4)},
                                     {8, Sine8(kRate, 1000, 0.5, kRate / 4)}};
    for (const Case& c : cases) {
        CStreamingSound sound(0x80);
        Load(sound, Wav(1, kRate, c.bits, c.pcm));
        sound.Play();
        ASSERT_TRUE(sound.IsPlaying());
        const auto out = RenderUntilStopped(sound, kRate * 10);
        // It stops at the first refill after its length has been played.
        ASSERT_GT(out.size() / 2, static_cast<size_t>(kRate / 4));
        EXPECT_GT(Peak(out, 0, kRate / 4 * 2), 10000) << c.bits;
        // After the sound: silence (0x80 for 8 bits, 0 for 16), not a ring of old data.
        EXPECT_LE(Peak(out, kRate / 4 * 2 + 64, out.size()), 1) << c.bits;
    }
}

TEST_F(SoundStreaming, DataCutShortPlaysSilenceUntilTheDeclaredLength) {
    CStreamingSound sound(0x80);
    const Bytes pcm = Sine16(1, kRate, 1000, 0.5, kRate / 10);
    Load(sound, Riff("WAVE", {MakeChunk("fmt ", PcmFormat(1, kRate, 16)),
                              Chunk{"data", kRate * 2 * 3, pcm}}));
    sound.Play();
    const auto out = RenderUntilStopped(sound, kRate * 10);
    // Stopped only once three seconds (the declared length) had been played.
    EXPECT_GE(out.size() / 2, static_cast<size_t>(kRate * 3));
}

TEST_F(SoundStreaming, EightBitMonoIsConverted) {
    CStreamingSound sound(0x80);
    Load(sound, Wav(1, 22050, 8, Sine8(22050, 1000, 0.8, 22050 * 2)));
    sound.Play();
    const auto out = Render(kRate);
    EXPECT_NEAR(Frequency(out, 0, kRate / 4, kRate / 2), 1000.0, 4.0);
    for (size_t i = kRate / 4; i < static_cast<size_t>(kRate); ++i) {
        ASSERT_EQ(out[i * 2], out[i * 2 + 1]);
    }
    EXPECT_NEAR(Peak(out, kRate / 2, kRate * 2), 0.8 * 127 / 128 * 32767, 900);
}

TEST_F(SoundStreaming, FadeOutEndsInSilence) {
    CStreamingSound sound(0x80);
    sound.SetLooping(true);
    Load(sound, Wav(1, kRate, 16, Sine16(1, kRate, 1000, 0.9, kRate)));
    sound.Play();
    Render(4096);
    sound.FadeOut(300);
    std::vector<int> peaks;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (sound.IsPlaying() && std::chrono::steady_clock::now() < deadline) {
        const auto block = Render(1024);
        peaks.push_back(Peak(block, 0, block.size()));
    }
    ASSERT_FALSE(sound.IsPlaying());
    for (size_t i = 1; i < peaks.size(); ++i) {
        EXPECT_LE(peaks[i], peaks[i - 1] + 2) << i;
    }
    EXPECT_EQ(sound.GetRawVolume(), -10000);
    const auto after = Render(4096);
    EXPECT_EQ(Peak(after, 0, after.size()), 0);
}

TEST_F(SoundStreaming, FadeInStartsSilentAndReachesTheVolume) {
    CStreamingSound sound(0x80);
    sound.SetLooping(true);
    Load(sound, Wav(1, kRate, 16, Sine16(1, kRate, 1000, 0.9, kRate)));
    sound.SetVolume(-2500);
    sound.FadeIn(300);
    EXPECT_TRUE(sound.IsPlaying());
    const auto first = Render(256);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (sound.GetRawVolume() != -613 && std::chrono::steady_clock::now() < deadline) {
        Render(1024);
    }
    EXPECT_EQ(sound.GetRawVolume(), -613);
    // Once the fade has ended, the level holds at the stored volume.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto settled = Render(4096);
    EXPECT_NEAR(Peak(settled, 0, settled.size()), 0.9 * 32767 * std::pow(10.0, -613 / 2000.0), 150);
}

TEST_F(SoundStreaming, RestartMakesAnEndedSoundPlayableAgain) {
    CStreamingSound sound(0x80);
    Load(sound, Wav(1, kRate, 16, Sine16(1, kRate, 1000, 0.5, kRate / 4)));
    sound.Play();
    RenderUntilStopped(sound, kRate * 10);
    // Played again without a restart, the reader is at its end: only silence.
    sound.Play();
    const auto again = RenderUntilStopped(sound, kRate * 10);
    EXPECT_LE(Peak(again, 0, again.size()), 1);
    sound.Restart();
    sound.Play();
    const auto restarted = RenderUntilStopped(sound, kRate * 10);
    EXPECT_GT(Peak(restarted, 0, kRate / 4 * 2), 10000);
}

TEST_F(SoundStreaming, ClearingTheTrackListStopsAPlayingTrack) {
    CSoundTrackList list;
    std::weak_ptr<CSoundTrackList::CSoundTrack> weak;
    {
        const auto track = list.GetTrack("bgm");
        weak = track;
        track->streamingSound.SetLooping(true);
        Load(track->streamingSound, Wav(1, kRate, 16, Sine16(1, kRate, 1000, 0.5, kRate)));
        track->streamingSound.FadeIn(5000);
        ASSERT_TRUE(track->streamingSound.IsPlaying());
        Render(2048);
    }
    list.Clear();
    EXPECT_TRUE(weak.expired());
    const auto after = Render(2048);
    EXPECT_EQ(Peak(after, 0, after.size()), 0);
}

TEST_F(SoundStreaming, FadeOutDuringFadeInTakesOverAndZeroStopsAtOnce) {
    CStreamingSound sound(0x80);
    sound.SetLooping(true);
    Load(sound, Wav(1, kRate, 16, Sine16(1, kRate, 1000, 0.9, kRate)));
    sound.FadeIn(60000);
    EXPECT_TRUE(sound.IsPlaying());
    sound.FadeOut(0);
    EXPECT_FALSE(sound.IsPlaying());
    EXPECT_EQ(sound.GetRawVolume(), -10000);

    sound.SetVolume(0);
    sound.FadeIn(60000);
    sound.FadeOut(100);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (sound.IsPlaying() && std::chrono::steady_clock::now() < deadline) {
        Render(1024);
    }
    EXPECT_FALSE(sound.IsPlaying());
}

// A stream whose reads fail past a point, as a disk error would.
class FailingStream : public CMemoryStream {
  public:
    explicit FailingStream(int32_t failFrom) : failFrom_(failFrom) {}
    int32_t Read(void* buffer, int32_t n) override {
        if (Tell() + n > failFrom_ && failFrom_ > 64) {
            throw EReadError(*this, "broken");
        }
        return CMemoryStream::Read(buffer, n);
    }
    std::unique_ptr<IStream> Clone() override {
        auto copy = std::make_unique<FailingStream>(failFrom_);
        copy->CMemoryStream::Write(GetData(), GetSize());
        copy->Seek(Tell(), 0);
        return copy;
    }

  private:
    int32_t failFrom_;
};

TEST_F(SoundStreaming, ReadErrorOnTheStreamingThreadStopsTheSound) {
    const Bytes wav = Wav(1, kRate, 16, Sine16(1, kRate, 1000, 0.5, kRate * 10));
    FailingStream source(0);
    source.Write(wav.data(), static_cast<int32_t>(wav.size()));
    source.Seek(0, 0);
    FailingStream failing(kRate);  // fails half a second in
    failing.CopyFrom(source, 0);
    failing.Seek(0, 0);
    CStreamingSound sound(0x80);
    sound.SetLooping(true);
    sound.Open(device, failing);
    sound.Play();
    RenderUntilStopped(sound, kRate * 20);
}

TEST_F(SoundStreaming, LoopingSoundWithNothingAfterRewindStops) {
    CStreamingSound sound(0x80);
    sound.SetLooping(true);
    Load(sound, Wav(1, kRate, 16, Bytes()));
    sound.Play();
    RenderUntilStopped(sound, kRate * 10);
}

TEST_F(SoundStreaming, UnplayableFormatFailsToCreateTheBuffer) {
    CStreamingSound sound(0x80);
    Bytes fmt = PcmFormat(1, kRate, 12);  // 12 bits per sample
    try {
        Load(sound, Riff("WAVE", {MakeChunk("fmt ", fmt), MakeChunk("data", "abcd")}));
        FAIL();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.GetMessage(), Cp932("サウンドバッファの作成に失敗しました."));
        EXPECT_EQ(e.GetOrigin(), "morwick::CStreamingSound");
    }
}

}  // namespace
