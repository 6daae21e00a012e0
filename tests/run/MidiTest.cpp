// Music in a running novel: the interpreter's MIDI commands, the package and the data folder,
// the error messages a reader sees, and the panic key and closing, observed on a recording
// MIDI port stepped by the main loop.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "midi/SmfWriter.h"
#include "platform/Display.h"
#include "platform/TextEncoding.h"
#include "run/RunFixture.h"

namespace tavri::test {
namespace {

using platform::Cp932;

std::string Novel(const std::string& lines) {
    return R"(
[header]
NovelTitle = "Music"
StartItemName = "start"
DefaultTransitionName = "NONE"
SkipLeadingSilence = 0
BookmarkMode = 0

[item "start"]
Text:
)" + lines;
}

// A long note on `key` (ten seconds at 120 beats per minute).
std::vector<uint8_t> Song(int key) {
    return WriteSmf(0, 480, {TSmfTrack().NoteOn(0, 0, key, 100).NoteOff(9600, 0, key)});
}

bool Sent(const RunFixture& f, uint32_t message) {
    const auto messages = f.midi.Messages();
    return std::any_of(messages.begin(), messages.end(),
                       [&](const platform::TRecordedMidi& m) { return m.Short == message; });
}

uint32_t NoteOn(int key) {
    return 0x90u | uint32_t(key) << 8 | 100u << 16;
}

// The last 64 short messages are the silencing of all 16 channels.
bool EndsSilenced(const RunFixture& f) {
    const auto messages = f.midi.Messages();
    if (messages.size() < 64) {
        return false;
    }
    for (int channel = 0; channel < 16; ++channel) {
        const uint8_t controllers[] = {7, 120, 123, 121};
        for (int k = 0; k < 4; ++k) {
            const auto& m = messages[messages.size() - 64 + size_t(channel * 4 + k)];
            if (m.Short != (0xB0u | uint32_t(channel) | uint32_t(controllers[k]) << 8)) {
                return false;
            }
        }
    }
    return true;
}

TEST(MidiRun, MidiPlayFindsTheFileInThePackageOrTheFolder) {
    RunFixture f(Novel("| .MIDIPLAY music\\disk.mid\n| .MIDIPLAY packed.mid\n| end\n"),
                 {{"music/disk.mid", Song(60)}});
    PackageOverlay package(f, {{"packed.mid", Song(62)}});
    f.StartReading();
    ASSERT_TRUE(f.RunUntil([&] { return Sent(f, NoteOn(62)); }, 5000));
    EXPECT_TRUE(Sent(f, NoteOn(60)));
    EXPECT_TRUE(f.main->MidiDrive.Playing);
    EXPECT_TRUE(f.main->MidiDrive.Looping);
    EXPECT_EQ(f.state->CurrentMidiName, "packed.mid");
    EXPECT_TRUE(f.messages.records.empty());
}

TEST(MidiRun, StopAndFadeOutCommands) {
    RunFixture f(Novel("| .MIDIPLAY song.mid\n| one@\n| .MIDIFADEOUT 400\n| two@\n"
                       "| .MIDIPLAY song.mid\n| three@\n| .MIDISTOP\n| four\n"),
                 {{"song.mid", Song(64)}});
    f.StartReading();
    ASSERT_TRUE(f.RunUntil([&] { return Sent(f, NoteOn(64)); }, 5000));

    ASSERT_TRUE(f.RunUntil([&] { return f.state->RunMode == RmClickWait; }, 5000));
    f.midi.Clear();
    f.Click(320, 240);
    const uint32_t fadeStart = f.clock.Now();
    ASSERT_TRUE(f.RunUntil([&] { return !f.main->MidiDrive.Playing; }, 5000));
    EXPECT_NEAR(double(f.clock.Now() - fadeStart), 400.0, 150.0);
    EXPECT_TRUE(EndsSilenced(f));

    ASSERT_TRUE(f.RunUntil([&] { return f.state->RunMode == RmClickWait; }, 5000));
    f.midi.Clear();
    f.Click(320, 240);
    ASSERT_TRUE(f.RunUntil([&] { return Sent(f, NoteOn(64)); }, 5000));
    EXPECT_TRUE(Sent(f, 0xB0u | 7u << 8 | 100u << 16));  // full volume again

    ASSERT_TRUE(f.RunUntil([&] { return f.state->RunMode == RmClickWait; }, 5000));
    f.midi.Clear();
    f.Click(320, 240);
    ASSERT_TRUE(f.RunUntil([&] { return !f.main->MidiDrive.Playing; }, 5000));
    EXPECT_TRUE(EndsSilenced(f));
    EXPECT_EQ(f.state->CurrentMidiName, "");
}

TEST(MidiRun, BrokenOrMissingFilesAreReported) {
    RunFixture f(Novel("| .MIDIPLAY nope.mid\n| .MIDIPLAY bad.mid\n| end\n"),
                 {{"bad.mid", {'R', 'I', 'F', 'F', 0, 0, 0, 0}}});
    f.StartReading();
    ASSERT_TRUE(f.RunUntil([&] { return f.messages.records.size() >= 2; }, 5000));
    EXPECT_EQ(f.messages.records[0].text, Cp932("ファイル nope.mid を開けません。"));
    EXPECT_EQ(f.messages.records[1].text, Cp932("MIDIファイルのヘッダが壊れています"));
    EXPECT_FALSE(f.main->MidiDrive.Playing);
}

TEST(MidiRun, PanicKeyAndClosingStopTheMusic) {
    RunFixture f(Novel("| .MIDIPLAY song.mid\n| one@\n"), {{"song.mid", Song(65)}}, {"/debug"});
    f.StartReading();
    ASSERT_TRUE(f.RunUntil([&] { return Sent(f, NoteOn(65)); }, 5000));
    f.midi.Clear();
    f.Key(platform::VkF7);
    ASSERT_TRUE(f.RunUntil([&] { return !f.main->MidiDrive.Playing; }, 1000));
    EXPECT_TRUE(EndsSilenced(f));

    f.main->PlayMidi("song.mid", true);
    EXPECT_TRUE(f.main->MidiDrive.Playing);
    f.midi.Clear();
    f.main->Close();
    EXPECT_FALSE(f.main->MidiDrive.Playing);
    EXPECT_TRUE(EndsSilenced(f));
}

TEST(MidiRun, LogoAndTitleMusic) {
    RunFixture f(R"(
[header]
NovelTitle = "Music"
StartItemName = "start"
BookmarkMode = 0
SkipLeadingSilence = 0
LogoMidi = "missing.mid"
TitleMidi = "title.mid"

[item "start"]
Text:
| one@
)",
                 {{"title.mid", Song(67)}});
    ASSERT_TRUE(f.RunUntil([&] { return f.main->TitleFrame > 141; }, 20000));
    // The missing logo music is reported once; the opening goes on to the title and its music.
    ASSERT_EQ(f.messages.records.size(), 1u);
    EXPECT_EQ(f.messages.records[0].text, Cp932("ファイル missing.mid を開けません。"));
    ASSERT_TRUE(f.RunUntil([&] { return Sent(f, NoteOn(67)); }, 1000));
    EXPECT_TRUE(f.main->MidiDrive.Looping);
    f.midi.Clear();
    f.StartReading();
    EXPECT_FALSE(f.main->MidiDrive.Playing);
    EXPECT_TRUE(EndsSilenced(f));
}

}  // namespace
}  // namespace tavri::test
