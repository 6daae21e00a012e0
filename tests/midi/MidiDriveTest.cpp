// The sequencer stepped on a virtual clock: speed and tempo, the lead-in, resets, fades,
// looping, stopping, and what it keeps when a file is refused.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "midi/MidiDrive.h"
#include "midi/MidiSupport.h"
#include "platform/TextEncoding.h"

namespace tavri::test {
namespace {

std::vector<uint8_t> OneNoteAt(uint32_t tick, uint16_t division = 480) {
    return WriteSmf(0, division, {TSmfTrack().NoteOn(tick, 0, 60, 100).NoteOff(480, 0, 60)});
}

// Controller-7 values sent on `channel`, in order.
std::vector<int> VolumesOn(const SteppedDrive& s, int channel) {
    std::vector<int> out;
    for (uint32_t m : s.Shorts()) {
        if ((m & 0xFF) == uint32_t(0xB0 | channel) && ((m >> 8) & 0xFF) == 7) {
            out.push_back(int(m >> 16));
        }
    }
    return out;
}

TEST(MidiDrive, AdvancesPointNinetySixTicksPerMillisecondAt120Bpm) {
    for (bool withTempo : {true, false}) {  // without set-tempo the file plays at 120
        SteppedDrive s;
        TSmfTrack track;
        if (withTempo) {
            track.Tempo(0, 500000);
        }
        track.NoteOn(959, 0, 60, 100);
        s.Load(WriteSmf(0, 480, {track}));
        s.Play();
        EXPECT_EQ(s.drive.Tempo, 120);
        s.RunFor(1000);
        EXPECT_NEAR(double(s.drive.Position), 960.0, 1e-6);
        EXPECT_EQ(s.TimesOf(0x90, 60), std::vector<uint32_t>{1000});
    }
}

TEST(MidiDrive, TempoIsTruncatedToWholeBeats) {
    SteppedDrive s;
    s.Load(WriteSmf(0, 480, {TSmfTrack().Tempo(0, 500001).NoteOn(2000, 0, 60, 1)}));
    s.Play();
    EXPECT_EQ(s.drive.Tempo, 119);
    s.RunFor(1000);
    EXPECT_NEAR(double(s.drive.Position), 952.0, 1e-6);
}

TEST(MidiDrive, LeadingSilencePassesThreeTimesFaster) {
    struct Case {
        bool skip;
        double noteAtMs;
    };
    // With the skip: 1800 ticks (1920 − 480 div 4) at 2.88 per ms, then 120 at 0.96.
    for (const Case& c : {Case{true, 1800 / 2.88 + 120 / 0.96}, Case{false, 2000}}) {
        SteppedDrive s;
        s.drive.SkipLeadingSilence = c.skip;
        s.Load(OneNoteAt(1920));
        s.Play();
        if (c.skip) {
            EXPECT_EQ(s.drive.FirstNoteTick, 1800);
        }
        s.RunFor(2100);
        const auto times = s.TimesOf(0x90, 60);
        ASSERT_EQ(times.size(), 1u) << c.skip;
        EXPECT_NEAR(double(times[0]), c.noteAtMs, 4.0) << c.skip;
    }
}

TEST(MidiDrive, PlaysTheFirst256Of300Tracks) {
    std::vector<TSmfTrack> tracks(300);
    for (size_t i = 0; i < tracks.size(); ++i) {
        tracks[i].NoteOn(0, int(i % 16), 60, 100);
    }
    SteppedDrive s;
    s.Load(WriteSmf(1, 480, tracks));
    EXPECT_EQ(s.drive.TrackCount, 256);
    s.Play();
    s.RunFor(10);
    const auto shorts = s.Shorts();
    EXPECT_EQ(
        std::count_if(shorts.begin(), shorts.end(), [](uint32_t m) { return (m & 0xF0) == 0x90; }),
        256);
    EXPECT_FALSE(s.drive.Playing);
}

TEST(MidiDrive, ResetsBeforePlaying) {
    const std::vector<uint8_t> gm = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    const std::vector<uint8_t> gs = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40,
                                     0x00, 0x7F, 0x00, 0x41, 0xF7};
    struct Case {
        bool gm, gs;
        std::vector<std::vector<uint8_t>> longs;
    };
    for (const Case& c : {Case{false, false, {}}, Case{true, false, {gm}}, Case{false, true, {gs}},
                          Case{true, true, {gm, gs}}}) {
        SteppedDrive s;
        s.drive.SendGMReset = c.gm;
        s.drive.SendGSReset = c.gs;
        s.Load(OneNoteAt(0));
        const uint32_t start = s.clock.Now();
        s.Play(/*keepStart=*/true);
        std::vector<std::vector<uint8_t>> longs;
        std::vector<uint32_t> longTimes;
        for (const auto& m : s.midi.Messages()) {
            if (!m.Long.empty()) {
                longs.push_back(m.Long);
                longTimes.push_back(m.Time - start);
            }
        }
        EXPECT_EQ(longs, c.longs);
        if (longTimes.size() == 2) {
            EXPECT_EQ(longTimes[1], 60u);  // each reset is given 60 ms
        }
        // Without a reset every channel is set to volume 100; a reset does that itself.
        const std::vector<uint32_t> shorts = s.Shorts();
        EXPECT_EQ(shorts.size(), c.gm || c.gs ? 0u : 16u);
        for (size_t ch = 0; ch < shorts.size(); ++ch) {
            EXPECT_EQ(shorts[ch], ShortMessage(uint8_t(0xB0 | ch), 7, 100));
        }
    }
}

TEST(MidiDrive, FadeOutStepsTheVolumeDownThenSilences) {
    SteppedDrive s;
    s.Load(WriteSmf(
        0, 480, {TSmfTrack().Controller(0, 0, 7, 80).NoteOn(0, 0, 60, 100).NoteOff(96000, 0, 60)}));
    s.Play();
    s.RunFor(100);
    s.midi.Clear();
    const uint32_t fadeStart = s.clock.Now();
    s.drive.FadeOut(3000);
    for (int guard = 0; guard < 4000 && s.drive.Playing; ++guard) {
        s.RunFor(2);
    }
    EXPECT_FALSE(s.drive.Playing);
    const auto messages = s.midi.Messages();
    const std::vector<uint32_t> shorts = s.Shorts();
    ASSERT_GE(shorts.size(), 64u);
    const std::vector<uint32_t> tail(shorts.end() - 64, shorts.end());
    EXPECT_EQ(tail, SilenceAllMessages());
    // The steps, on channel 0 (file volume 80) and channel 1 (the initial 100), every 40 ms.
    std::vector<int> steps0 = VolumesOn(s, 0), steps1 = VolumesOn(s, 1);
    steps0.pop_back(), steps1.pop_back();  // the silencing's own zero
    ASSERT_GE(steps0.size(), 70u);
    EXPECT_EQ(steps0.front(), 79);  // 80 × (10000 − 133.3) ÷ 10000
    EXPECT_EQ(steps1.front(), 99);
    EXPECT_TRUE(std::is_sorted(steps0.rbegin(), steps0.rend()));
    EXPECT_LE(steps0.back(), 1);
    const auto times = s.TimesOf(0xB0, 7);
    ASSERT_GE(times.size(), 3u);
    EXPECT_EQ(times[1] - times[0], 40u);
    EXPECT_EQ(times[2] - times[1], 40u);
    EXPECT_NEAR(double(messages.back().Time - fadeStart), 3000.0, 60.0);

    // A later Play is at full volume again: the file's 80 goes out unscaled.
    s.midi.Clear();
    s.drive.Play();
    s.RunFor(4);
    EXPECT_EQ(VolumesOn(s, 0), (std::vector<int>{100, 80}));
    EXPECT_EQ(s.drive.FadeLevel, 10000);
}

TEST(MidiDrive, FadeRoundsHalvesToEven) {
    // 4000 ms: the level drops by exactly 100 every 20 iterations.
    SteppedDrive s;
    s.Load(WriteSmf(
        0, 480, {TSmfTrack().Controller(0, 0, 7, 75).NoteOn(0, 0, 60, 100).NoteOff(96000, 0, 60)}));
    s.Play();
    s.drive.FadeOut(4000);
    s.RunFor(1200);
    const std::vector<int> steps = VolumesOn(s, 0);
    // First the file's own 75 (scaled by the full level), then one value per 40 ms.
    ASSERT_GE(steps.size(), 31u);
    EXPECT_EQ(steps[0], 75);
    EXPECT_EQ(steps[10], 68);  // 75 × 0.9 = 67.5
    EXPECT_EQ(steps[30], 52);  // 75 × 0.7 = 52.5
}

TEST(MidiDrive, VolumeInTheFileIsScaledDuringAFade) {
    SteppedDrive s;
    s.Load(WriteSmf(
        0, 480,
        {TSmfTrack().NoteOn(0, 1, 60, 100).Controller(959, 1, 7, 100).NoteOff(2000, 1, 60)}));
    s.Play();
    s.drive.FadeOut(2000);  // −200 every 40 ms: 5000 after 1000 ms
    s.RunFor(1000);
    EXPECT_EQ(s.drive.ChannelVolume[1], 100);
    const auto times = s.TimesOf(0xB1, 7);
    ASSERT_FALSE(times.empty());
    EXPECT_EQ(times.back(), 1000u);
    EXPECT_EQ(VolumesOn(s, 1).back(), 50);
}

TEST(MidiDrive, LoopingRestartsWithTheFirstTempoWithoutSilencing) {
    // 240 ticks at 120 bpm (250 ms), then 240 at 60 bpm (500 ms): one pass is 750 ms.
    SteppedDrive s;
    s.Load(WriteSmf(0, 480,
                    {TSmfTrack()
                         .Tempo(0, 500000)
                         .NoteOn(0, 0, 60, 100)
                         .Tempo(240, 1000000)
                         .NoteOff(240, 0, 60)}));
    s.drive.Looping = true;
    s.Play();
    s.RunFor(1600);
    EXPECT_TRUE(s.drive.Playing);
    const auto starts = s.TimesOf(0x90, 60);
    ASSERT_EQ(starts.size(), 3u);
    EXPECT_NEAR(double(starts[1] - starts[0]), 750.0, 6.0);
    EXPECT_NEAR(double(starts[2] - starts[1]), 750.0, 6.0);
    for (uint8_t controller : {7, 120, 121, 123}) {
        EXPECT_TRUE(s.TimesOf(0xB0, controller).empty()) << int(controller);
    }
}

TEST(MidiDrive, AFileWithoutEventsEndsInsteadOfLooping) {
    SteppedDrive s;
    s.Load(WriteSmf(0, 480, {TSmfTrack().Tempo(0, 500000).End(100)}));
    s.drive.Looping = true;
    s.Play();
    s.RunFor(4);
    EXPECT_FALSE(s.drive.Playing);
}

TEST(MidiDrive, PlayWhilePlayingAndFadeOutWhileStopped) {
    SteppedDrive s;
    s.Load(OneNoteAt(0));
    s.drive.FadeOut(1000);  // only until the next Play
    s.Play();
    EXPECT_EQ(s.drive.FadeStep, 0);
    s.RunFor(100);
    const long double position = s.drive.Position;
    s.midi.Clear();
    s.drive.Play();
    EXPECT_TRUE(s.midi.Messages().empty());
    EXPECT_EQ(s.drive.Position, position);
    s.RunFor(300);
    EXPECT_TRUE(s.drive.Playing);
    EXPECT_EQ(s.drive.FadeLevel, 10000);
}

TEST(MidiDrive, StopSilencesEveryChannelOnce) {
    for (int fade : {-1, 0, -100}) {  // Stop, and fades of no length, which stop at once
        SteppedDrive s;
        s.Load(OneNoteAt(0));
        s.Play();
        s.RunFor(10);
        s.midi.Clear();
        if (fade == -1) {
            s.drive.Stop();
        } else {
            s.drive.FadeOut(fade);
        }
        EXPECT_FALSE(s.drive.Playing);
        EXPECT_EQ(s.Shorts(), SilenceAllMessages()) << fade;
        s.drive.Stop();
        s.RunFor(10);
        EXPECT_EQ(s.Shorts().size(), 64u) << fade;
    }
}

TEST(MidiDrive, RefusedFileKeepsThePreviousTracks) {
    SteppedDrive s;
    s.Load(OneNoteAt(0));
    std::vector<uint8_t> zeroDivision = OneNoteAt(0);
    zeroDivision[12] = zeroDivision[13] = 0;
    for (const auto& bad : {std::vector<uint8_t>{'R', 'I', 'F', 'F', 0, 0, 0, 0}, zeroDivision}) {
        try {
            s.Load(bad);
            ADD_FAILURE() << "accepted";
        } catch (const platform::EFOpenError& error) {
            EXPECT_EQ(error.what(), platform::Cp932("MIDIファイルのヘッダが壊れています"));
        }
        EXPECT_TRUE(s.drive.Loaded);
        EXPECT_EQ(s.drive.TrackCount, 1);
    }
    s.Play();
    s.RunFor(4);
    EXPECT_EQ(s.TimesOf(0x90, 60).size(), 1u);
}

// Reports a size past the limit; reading it would be the failure.
class HugeStream final : public platform::TStream {
  public:
    size_t Read(void*, size_t) override {
        ADD_FAILURE() << "read";
        return 0;
    }
    size_t Write(const void*, size_t) override { return 0; }
    int64_t Seek(int64_t, platform::SeekOrigin) override { return 0; }
    int64_t Size() override { return kMaxMidiFileSize + 1; }
};

TEST(MidiDrive, OversizedOrMissingFilesAreRefusedWithAMessage) {
    SteppedDrive s;
    HugeStream huge;
    EXPECT_THROW(s.drive.LoadFromStream(huge), platform::EFOpenError);
    try {
        s.drive.LoadFromMedia(TMediaSource{nullptr, "/nonexistent-folder"}, "music\\nope.mid");
        ADD_FAILURE() << "opened";
    } catch (const platform::EFOpenError& error) {
        EXPECT_EQ(error.what(), platform::Cp932("ファイル music\\nope.mid を開けません。"));
    }
    EXPECT_FALSE(s.drive.Loaded);
}

TEST(MidiDrive, WithoutADeviceNothingHappens) {
    platform::VirtualClock clock;
    PostedQueue posted;
    platform::RecordingMidiSystem midi(clock);
    midi.FailOpen(platform::MidiErrNoDevice);
    TMidiDrive drive(clock, &midi, posted.Poster(), TMidiDriveMode::Stepped);
    drive.OpenDevice(-1);
    EXPECT_FALSE(drive.DeviceOpen);
    midi.FailOpen(0);
    drive.OpenDevice(-1);  // only the first call opens
    EXPECT_FALSE(drive.DeviceOpen);
    platform::TMemoryStream garbage(std::vector<uint8_t>{1, 2, 3});
    drive.LoadFromStream(garbage);
    drive.LoadFromMedia({}, "missing.mid");
    drive.Play();
    drive.FadeOut(100);
    drive.Stop();
    EXPECT_FALSE(drive.Playing);
    EXPECT_TRUE(midi.Messages().empty());

    TMidiDrive none(clock, nullptr, posted.Poster(), TMidiDriveMode::Stepped);
    none.OpenDevice(-1);
    EXPECT_FALSE(none.DeviceOpen);
}

TEST(MidiDrive, DeviceNumberErrorsReachTheCaller) {
    SteppedDrive fresh;
    TMidiDrive drive(fresh.clock, &fresh.midi, fresh.posted.Poster(), TMidiDriveMode::Stepped);
    EXPECT_THROW(drive.OpenDevice(2), EmidioutputError);
    EXPECT_FALSE(drive.DeviceOpen);
}

TEST(MidiDrive, ADeviceErrorWhilePlayingEndsThePiece) {
    SteppedDrive s;
    s.Load(WriteSmf(0, 480, {TSmfTrack().NoteOn(0, 0, 60, 100).NoteOff(4800, 0, 60)}));
    s.Play();
    s.midi.FailSends(platform::MidiErrNotOpen);
    s.RunFor(10);
    EXPECT_FALSE(s.drive.Playing);
    s.midi.FailSends(0);
    s.Play();
    s.RunFor(4);
    EXPECT_TRUE(s.drive.Playing);
}

TEST(MidiDrive, SysExFromTheFileLivesUntilTheDeviceIsDone) {
    SteppedDrive s(/*completeAtOnce=*/false);
    s.Load(WriteSmf(0, 480,
                    {TSmfTrack()
                         .SysEx(0, {0x41, 0x10, 0x42, 0x12, 0xF7})
                         .SysEx(0, {0x43, 0xF7})
                         .NoteOn(0, 0, 60, 1)}));
    s.Play();
    s.RunFor(2);
    EXPECT_EQ(s.drive.Output()->PendingHeaders(), 2u);
    EXPECT_EQ(s.midi.Complete(), 2u);
    EXPECT_EQ(s.drive.Output()->PendingHeaders(), 2u);
    s.posted.RunPosted();
    EXPECT_EQ(s.drive.Output()->PendingHeaders(), 0u);
    const auto messages = s.midi.Messages();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].Long, (std::vector<uint8_t>{0xF0, 0x41, 0x10, 0x42, 0x12, 0xF7}));
    EXPECT_EQ(messages[1].Long, (std::vector<uint8_t>{0xF0, 0x43, 0xF7}));
}

}  // namespace
}  // namespace tavri::test
