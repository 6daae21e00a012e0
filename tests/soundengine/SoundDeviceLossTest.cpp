// The output going away under playing sounds (a headset unplugged, the sound server restarted),
// simulated on a device whose output the test pulls itself.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "Engine.h"
#include "Exceptions.h"
#include "ManualDevice.h"
#include "SoundFixtures.h"
#include "SoundTrackList.h"
#include "StaticSound.h"
#include "StreamingSound.h"

using namespace morwick;
using namespace soundtest;

namespace {

constexpr int kRate = 44100;

class SoundDeviceLoss : public ManualDeviceTest {
  protected:
    ds::Device& Output() { return *device.GetDirectSound(); }

    Bytes Tone(uint32_t frames) { return Wav(1, kRate, 16, Sine16(1, kRate, 1000, 0.5, frames)); }
};

TEST_F(SoundDeviceLoss, EveryPlayingBufferStopsAndNotifiesItsStop) {
    struct Case {
        const char* name;
        bool play;
        uint32_t playFlags;
        bool stopNotified;  // as a stop by hand: only a buffer that was playing notifies
    };
    const std::vector<Case> cases = {{"looping", true, ds::DSBPLAY_LOOPING, true},
                                     {"once", true, 0, true},
                                     {"idle", false, 0, false}};
    WaveFormat format;
    format.formatTag = kFormatPcm;
    format.channels = 1;
    format.samplesPerSec = kRate;
    format.bitsPerSample = 16;
    format.blockAlign = 2;
    format.avgBytesPerSec = kRate * 2;
    constexpr int kStop = 1;
    std::vector<std::unique_ptr<CEventSet>> events;
    std::vector<std::unique_ptr<ds::SoundBuffer>> buffers;
    for (const Case& c : cases) {
        events.push_back(std::make_unique<CEventSet>(2));
        buffers.push_back(Output().CreateSoundBuffer(
            format, kRate, ds::DSBCAPS_CTRLPOSITIONNOTIFY | ds::DSBCAPS_CTRLVOLUME));
        ASSERT_NE(buffers.back(), nullptr) << c.name;
        ASSERT_EQ(buffers.back()->SetNotificationPositions(
                      {{kRate - 1, events.back().get(), 0},
                       {ds::DSBPN_OFFSETSTOP, events.back().get(), kStop}}),
                  ds::DS_OK);
        if (c.play) {
            ASSERT_EQ(buffers.back()->Play(c.playFlags), ds::DS_OK) << c.name;
        }
    }
    EXPECT_FALSE(Output().IsLost());
    Output().SimulateDeviceLoss();
    EXPECT_TRUE(Output().IsLost());
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        uint32_t status = 0xFF;
        ASSERT_EQ(buffers[i]->GetStatus(&status), ds::DS_OK);
        EXPECT_EQ(status, 0u) << c.name;
        const int woken = events[i]->WaitAny(std::chrono::milliseconds(0));
        EXPECT_EQ(woken, c.stopNotified ? kStop : CEventSet::kTimeout) << c.name;
        // Nothing plays again on a lost output; other calls still answer.
        EXPECT_EQ(buffers[i]->Play(ds::DSBPLAY_LOOPING), ds::DSERR_NODRIVER) << c.name;
        ASSERT_EQ(buffers[i]->GetStatus(&status), ds::DS_OK);
        EXPECT_EQ(status, 0u) << c.name;
        EXPECT_EQ(buffers[i]->SetVolume(-500), ds::DS_OK) << c.name;
        EXPECT_EQ(buffers[i]->Stop(), ds::DS_OK) << c.name;
    }
    EXPECT_EQ(Output().CreateSoundBuffer(format, kRate, ds::DSBCAPS_CTRLVOLUME), nullptr);
    EXPECT_EQ(RenderPeak(4096), 0);
    // A second loss (a late poll, say) changes nothing.
    Output().SimulateDeviceLoss();
    EXPECT_TRUE(Output().IsLost());
}

TEST_F(SoundDeviceLoss, PlayingSoundsStopAndTheStreamingThreadsEnd) {
    CStaticSound effect(ds::DSBCAPS_CTRLVOLUME);
    effect.SetLooping(true);
    Load(effect, Tone(kRate / 10));
    CStreamingSound music(ds::DSBCAPS_CTRLVOLUME);
    music.SetLooping(true);
    Load(music, Tone(kRate));
    CStreamingSound voice(ds::DSBCAPS_CTRLVOLUME);
    Load(voice, Tone(kRate * 10));

    effect.Play();
    music.Play();
    voice.FadeIn(60000);  // its fade thread is running when the output goes
    ASSERT_TRUE(effect.IsPlaying());
    ASSERT_TRUE(music.IsPlaying());
    ASSERT_TRUE(voice.IsPlaying());
    ASSERT_TRUE(voice.IsFading());
    EXPECT_GT(RenderPeak(kRate / 2), 10000);
    ASSERT_TRUE(music.IsStreaming());
    ASSERT_TRUE(voice.IsStreaming());

    Output().SimulateDeviceLoss();
    EXPECT_FALSE(effect.IsPlaying());
    EXPECT_FALSE(music.IsPlaying());
    EXPECT_FALSE(voice.IsPlaying());
    // Each streaming thread ends only on its stop notification.
    EXPECT_TRUE(Eventually([&] { return !music.IsStreaming(); }));
    EXPECT_TRUE(Eventually([&] { return !voice.IsStreaming(); }));
    // The fade sees its sound stopped and ends by itself, at its end volume.
    EXPECT_TRUE(Eventually([&] { return !voice.IsFading(); }));
    EXPECT_EQ(RenderPeak(4096), 0);
    // Destroyed while stopped on a lost output: nothing hangs, nothing is left running.
}

TEST_F(SoundDeviceLoss, LaterCallsFailCleanly) {
    CStreamingSound music(ds::DSBCAPS_CTRLVOLUME);
    Load(music, Tone(kRate));
    CStaticSound effect(ds::DSBCAPS_CTRLVOLUME);
    Load(effect, Tone(kRate / 10));
    music.Play();
    ASSERT_TRUE(music.IsPlaying());
    Output().SimulateDeviceLoss();

    const std::vector<std::pair<const char*, std::function<void()>>> calls = {
        {"play", [&] { music.Play(); }},          {"fade in", [&] { music.FadeIn(50); }},
        {"fade out", [&] { music.FadeOut(50); }}, {"restart", [&] { music.Restart(); }},
        {"stop", [&] { music.Stop(); }},          {"static play", [&] { effect.Play(); }},
    };
    for (const auto& [name, call] : calls) {
        EXPECT_NO_THROW(call()) << name;
        EXPECT_FALSE(music.IsPlaying()) << name;
        EXPECT_FALSE(effect.IsPlaying()) << name;
        // A start that found no output leaves no streaming thread behind.
        EXPECT_TRUE(Eventually([&] { return !music.IsStreaming(); })) << name;
    }
    EXPECT_EQ(RenderPeak(4096), 0);

    // A new sound cannot get a buffer, and says so as any failed buffer does.
    try {
        Load(music, Tone(kRate));
        FAIL();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.GetMessage(), Cp932("サウンドバッファの作成に失敗しました."));
        EXPECT_EQ(e.GetOrigin(), "morwick::CStreamingSound");
    }
    EXPECT_FALSE(music.IsPlaying());
}

TEST_F(SoundDeviceLoss, TracksStopAndANewPlayIsReported) {
    CSoundTrackList tracks;
    const Bytes tone = Tone(kRate * 3);
    for (const char* name : {"bgm", "sound"}) {
        CMemoryStream stream;
        stream.Write(tone.data(), static_cast<int32_t>(tone.size()));
        stream.Seek(0, 0);
        PlayOnTrack(tracks, device, name, stream, 0);
        ASSERT_TRUE(tracks.GetTrack(name)->streamingSound.IsPlaying()) << name;
    }
    Output().SimulateDeviceLoss();
    for (const char* name : {"bgm", "sound"}) {
        EXPECT_FALSE(tracks.GetTrack(name)->streamingSound.IsPlaying()) << name;
    }

    static std::vector<std::string> reports;
    reports.clear();
    CMemoryStream stream;
    stream.Write(tone.data(), static_cast<int32_t>(tone.size()));
    stream.Seek(0, 0);
    try {
        PlayOnTrack(tracks, device, "bgm", stream, 500);
        FAIL();
    } catch (...) {
        ReportCurrentException([](const char* text) { reports.emplace_back(text); });
    }
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], Cp932("例外: morwick::EReadError\n発生元: morwick::CStreamingSound\n"
                                "詳細: サウンドバッファの作成に失敗しました."));
    FadeOutTrack(tracks, "sound", 100);
    EXPECT_FALSE(tracks.GetTrack("sound")->streamingSound.IsPlaying());
    tracks.Clear();
    EXPECT_EQ(tracks.Size(), 0u);
}

TEST_F(SoundDeviceLoss, InitializingAgainGivesAWorkingOutput) {
    Output().SimulateDeviceLoss();
    ASSERT_TRUE(device.Initialize());
    EXPECT_FALSE(Output().IsLost());
    CStreamingSound music(ds::DSBCAPS_CTRLVOLUME);
    Load(music, Tone(kRate));
    music.Play();
    EXPECT_TRUE(music.IsPlaying());
    EXPECT_GT(RenderPeak(kRate / 4), 10000);
}

}  // namespace
