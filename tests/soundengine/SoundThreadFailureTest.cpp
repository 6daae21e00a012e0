// A streaming or fade thread that the system will not create: the call says so, leaves no
// thread behind and the sound can still be played and destroyed.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "Engine.h"
#include "EngineThread.h"
#include "Exceptions.h"
#include "ManualDevice.h"
#include "SoundFixtures.h"
#include "SoundTrackList.h"
#include "StreamingSound.h"

using namespace morwick;
using namespace soundtest;

namespace {

constexpr int kRate = 44100;

std::atomic<bool> refuseStream{false};
std::atomic<bool> refuseFade{false};

bool Gate(EngineThread kind) {
    return kind == EngineThread::Stream ? !refuseStream : !refuseFade;
}

std::vector<std::string>& Reports() {
    static std::vector<std::string> reports;
    return reports;
}

void RecordReport(const char* text) {
    Reports().emplace_back(text);
}

class SoundThreadFailure : public ManualDeviceTest {
  protected:
    void SetUp() override {
        ManualDeviceTest::SetUp();
        refuseStream = false;
        refuseFade = false;
        SetThreadGate(Gate);
        Reports().clear();
    }

    void TearDown() override { SetThreadGate(nullptr); }

    void Refuse(EngineThread kind) {
        (kind == EngineThread::Stream ? refuseStream : refuseFade) = true;
    }

    void AllowAll() {
        refuseStream = false;
        refuseFade = false;
    }

    // Renders until the sound stops, within a generous bound.
    bool RenderUntilStopped(CStreamingSound& sound) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (sound.IsPlaying() && std::chrono::steady_clock::now() < deadline) {
            RenderPeak(1024);
        }
        return !sound.IsPlaying();
    }

    Bytes Tone() { return Wav(1, kRate, 16, Sine16(1, kRate, 1000, 0.5, kRate * 3)); }

    void LoadTrack(CSoundTrackList& tracks, const char* name, int32_t fadeInMs) {
        const Bytes tone = Tone();
        CMemoryStream stream;
        stream.Write(tone.data(), static_cast<int32_t>(tone.size()));
        stream.Seek(0, 0);
        PlayOnTrack(tracks, device, name, stream, fadeInMs);
    }
};

void ExpectThreadCreateFailed(const std::function<void()>& call, const std::string& name) {
    try {
        call();
        ADD_FAILURE() << name << ": no error";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.GetMessage(), Cp932("スレッドの作成に失敗しました.")) << name;
        EXPECT_EQ(e.GetOrigin(), "morwick::CStreamingSound") << name;
    }
}

TEST_F(SoundThreadFailure, StartThatCannotCreateAThreadFailsAndLeavesTheSoundUsable) {
    struct Case {
        const char* name;
        bool playingBefore;
        EngineThread refused;
        std::function<void(CStreamingSound&)> start;
    };
    const std::vector<Case> cases = {
        {"play", false, EngineThread::Stream, [](CStreamingSound& s) { s.Play(); }},
        {"fade in, no streaming thread", false, EngineThread::Stream,
         [](CStreamingSound& s) { s.FadeIn(500); }},
        {"fade in, no fade thread", false, EngineThread::Fade,
         [](CStreamingSound& s) { s.FadeIn(500); }},
        {"restart while playing", true, EngineThread::Stream,
         [](CStreamingSound& s) { s.Restart(); }},
    };
    for (const Case& c : cases) {
        CStreamingSound sound(ds::DSBCAPS_CTRLVOLUME);
        Load(sound, Tone());
        sound.SetVolume(-2500);  // raw -613
        if (c.playingBefore) {
            sound.Play();
            ASSERT_TRUE(sound.IsPlaying()) << c.name;
        }
        Refuse(c.refused);
        ExpectThreadCreateFailed([&] { c.start(sound); }, c.name);
        EXPECT_FALSE(sound.IsPlaying()) << c.name;
        // A streaming thread that did start ends on the stop that follows the failure.
        EXPECT_TRUE(Eventually([&] { return !sound.IsStreaming(); })) << c.name;
        EXPECT_FALSE(sound.IsFading()) << c.name;
        // A failed fade-in does not leave the sound at the silent start of its ramp.
        EXPECT_EQ(sound.GetRawVolume(), -613) << c.name;
        EXPECT_EQ(RenderPeak(2048), 0) << c.name;

        AllowAll();
        sound.Play();
        EXPECT_TRUE(sound.IsPlaying()) << c.name;
        EXPECT_GT(RenderPeak(kRate / 4), 5000) << c.name;
        sound.FadeOut(50);
        EXPECT_TRUE(RenderUntilStopped(sound)) << c.name;
    }
}

TEST_F(SoundThreadFailure, FadeOutThatCannotCreateItsThreadLeavesTheSoundPlaying) {
    CStreamingSound sound(ds::DSBCAPS_CTRLVOLUME);
    sound.SetLooping(true);
    Load(sound, Tone());
    sound.Play();
    ASSERT_TRUE(sound.IsPlaying());
    Refuse(EngineThread::Fade);
    ExpectThreadCreateFailed([&] { sound.FadeOut(200); }, "fade out");
    EXPECT_TRUE(sound.IsPlaying());
    EXPECT_TRUE(sound.IsStreaming());
    EXPECT_FALSE(sound.IsFading());
    EXPECT_EQ(sound.GetRawVolume(), 0);

    // Not marked as fading, so a later fade-out is not taken for one already running.
    AllowAll();
    sound.FadeOut(100);
    EXPECT_TRUE(sound.IsFading());
    EXPECT_TRUE(RenderUntilStopped(sound));
    EXPECT_EQ(sound.GetRawVolume(), -10000);
}

TEST_F(SoundThreadFailure, PlayOnATrackReportsTheFailureAsTheExportsDo) {
    const std::string expected = Cp932(
        "例外: morwick::EReadError\n発生元: morwick::CStreamingSound\n"
        "詳細: スレッドの作成に失敗しました.");
    struct Case {
        const char* name;
        EngineThread refused;
        int32_t fadeInMs;
    };
    const std::vector<Case> cases = {{"play", EngineThread::Stream, 0},
                                     {"fade in, no streaming thread", EngineThread::Stream, 300},
                                     {"fade in, no fade thread", EngineThread::Fade, 300}};
    CSoundTrackList tracks;
    for (const Case& c : cases) {
        Reports().clear();
        AllowAll();
        Refuse(c.refused);
        try {
            LoadTrack(tracks, "bgm", c.fadeInMs);
            ADD_FAILURE() << c.name << ": no error";
        } catch (...) {
            ReportCurrentException(RecordReport);
        }
        ASSERT_EQ(Reports().size(), 1u) << c.name;
        EXPECT_EQ(Reports()[0], expected) << c.name;
        const auto track = tracks.GetTrack("bgm");
        EXPECT_FALSE(track->streamingSound.IsPlaying()) << c.name;
        EXPECT_TRUE(Eventually([&] { return !track->streamingSound.IsStreaming(); })) << c.name;
        EXPECT_FALSE(track->streamingSound.IsFading()) << c.name;

        // The next play on the track, with threads to be had, works as ever.
        AllowAll();
        LoadTrack(tracks, "bgm", c.fadeInMs);
        EXPECT_TRUE(track->streamingSound.IsPlaying()) << c.name;
    }
    tracks.Clear();
}

TEST_F(SoundThreadFailure, FadeOutOnATrackStopsAtOnceWhenNoFadeCanStart) {
    CSoundTrackList tracks;
    tracks.GetTrack("bgm")->streamingSound.SetLooping(true);
    LoadTrack(tracks, "bgm", 0);
    const auto track = tracks.GetTrack("bgm");
    ASSERT_TRUE(track->streamingSound.IsPlaying());
    Refuse(EngineThread::Fade);
    EXPECT_NO_THROW(FadeOutTrack(tracks, "bgm", 1000));
    EXPECT_FALSE(track->streamingSound.IsPlaying());
    EXPECT_FALSE(track->streamingSound.IsFading());
    EXPECT_EQ(RenderPeak(4096), 0);
    // The track plays again once threads can be had.
    AllowAll();
    LoadTrack(tracks, "bgm", 0);
    EXPECT_TRUE(track->streamingSound.IsPlaying());
}

}  // namespace
