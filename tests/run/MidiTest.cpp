// Music in a running novel: the interpreter's MIDI commands, the package and the data folder,
// the error messages a reader sees, and the panic key and closing, observed on a recording
// MIDI port stepped by the main loop.

#include <gtest/gtest.h>

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

// The song has come round again: its first note sounded a second time.
bool Looped(const RunFixture& f, int key) {
    return CountSent(f.midi, NoteOnMessage(key)) >= 2;
}

TEST(MidiRun, MidiPlayFindsTheFileInThePackageOrTheFolder) {
    RunFixture f(Novel("| .MIDIPLAY music\\disk.mid\n| .MIDIPLAY packed.mid\n| end@\n"),
                 {{"music/disk.mid", Song(60)}});
    PackageOverlay package(f, {{"packed.mid", Song(62)}});
    f.StartReading();
    ASSERT_TRUE(f.RunUntil([&] { return Sent(f.midi, NoteOnMessage(62)); }, 5000));
    EXPECT_TRUE(Sent(f.midi, NoteOnMessage(60)));
    // The song goes on playing, and comes round again after its ten seconds.
    EXPECT_TRUE(f.RunUntil([&] { return Looped(f, 62); }, 12000));
    EXPECT_FALSE(EndsSilenced(f.midi));
    EXPECT_EQ(f.state->CurrentMidiName, "packed.mid");
    EXPECT_TRUE(f.messages.records.empty());
}

TEST(MidiRun, StopAndFadeOutCommands) {
    RunFixture f(Novel("| .MIDIPLAY song.mid\n| one@\n| .MIDIFADEOUT 400\n| two@\n"
                       "| .MIDIPLAY song.mid\n| three@\n| .MIDISTOP\n| four\n"),
                 {{"song.mid", Song(64)}});
    f.StartReading();
    ASSERT_TRUE(f.RunUntil([&] { return Sent(f.midi, NoteOnMessage(64)); }, 5000));

    ASSERT_TRUE(f.RunUntil([&] { return f.state->RunMode == RmClickWait; }, 5000));
    f.midi.Clear();
    f.Click(320, 240);
    const uint32_t fadeStart = f.clock.Now();
    ASSERT_TRUE(f.RunUntil([&] { return EndsSilenced(f.midi); }, 5000));
    EXPECT_NEAR(double(f.clock.Now() - fadeStart), 400.0, 150.0);

    ASSERT_TRUE(f.RunUntil([&] { return f.state->RunMode == RmClickWait; }, 5000));
    f.midi.Clear();
    f.Click(320, 240);
    ASSERT_TRUE(f.RunUntil([&] { return Sent(f.midi, NoteOnMessage(64)); }, 5000));
    EXPECT_TRUE(Sent(f.midi, 0xB0u | 7u << 8 | 100u << 16));  // full volume again

    ASSERT_TRUE(f.RunUntil([&] { return f.state->RunMode == RmClickWait; }, 5000));
    f.midi.Clear();
    f.Click(320, 240);
    ASSERT_TRUE(f.RunUntil([&] { return EndsSilenced(f.midi); }, 5000));
    EXPECT_EQ(f.state->CurrentMidiName, "");
}

TEST(MidiRun, BrokenOrMissingFilesAreReported) {
    RunFixture f(Novel("| .MIDIPLAY nope.mid\n| .MIDIPLAY bad.mid\n| end\n"),
                 {{"bad.mid", {'R', 'I', 'F', 'F', 0, 0, 0, 0}}});
    f.StartReading();
    ASSERT_TRUE(f.RunUntil([&] { return f.messages.records.size() >= 2; }, 5000));
    EXPECT_EQ(f.messages.records[0].text, Cp932("ファイル nope.mid を開けません。"));
    EXPECT_EQ(f.messages.records[1].text, Cp932("MIDIファイルのヘッダが壊れています"));
    // Nothing plays: not even the volume a starting piece sends.
    f.RunFor(500);
    EXPECT_TRUE(f.midi.Messages().empty());
}

TEST(MidiRun, PanicKeyAndClosingStopTheMusic) {
    RunFixture f(Novel("| .MIDIPLAY song.mid\n| one@\n"), {{"song.mid", Song(65)}}, {"/debug"});
    f.StartReading();
    ASSERT_TRUE(f.RunUntil([&] { return Sent(f.midi, NoteOnMessage(65)); }, 5000));
    f.midi.Clear();
    f.Key(platform::VkF7);
    ASSERT_TRUE(f.RunUntil([&] { return EndsSilenced(f.midi); }, 1000));

    f.midi.Clear();
    f.main->PlayMidi("song.mid", true);
    ASSERT_TRUE(f.RunUntil([&] { return Sent(f.midi, NoteOnMessage(65)); }, 1000));
    f.midi.Clear();
    f.main->Close();
    EXPECT_TRUE(EndsSilenced(f.midi));
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
    ASSERT_TRUE(f.RunUntil([&] { return f.main->AcceptsTitleClick(); }, 20000));
    // The missing logo music is reported once; the opening goes on to the title and its music.
    ASSERT_EQ(f.messages.records.size(), 1u);
    EXPECT_EQ(f.messages.records[0].text, Cp932("ファイル missing.mid を開けません。"));
    ASSERT_TRUE(f.RunUntil([&] { return Sent(f.midi, NoteOnMessage(67)); }, 1000));
    EXPECT_TRUE(f.RunUntil([&] { return Looped(f, 67); }, 12000));
    f.midi.Clear();
    f.StartReading();
    EXPECT_TRUE(EndsSilenced(f.midi));
    // The first page is read in silence.
    f.RunFor(1000);
    EXPECT_TRUE(EndsSilenced(f.midi));
}

}  // namespace
}  // namespace tavri::test
