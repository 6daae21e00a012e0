// The standard MIDI file reader: header refusals, running status, system-exclusive blocks,
// tempo changes, and chunks that lie about their length.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "midi/SmfParser.h"
#include "midi/SmfWriter.h"
#include "platform/Stream.h"

namespace tavri::test {
namespace {

TSmfContents Parse(const std::vector<uint8_t>& bytes) {
    return ParseSmf(bytes.data(), bytes.size());
}

std::vector<uint8_t> Chunk(const char* id, uint32_t length, const std::vector<uint8_t>& body) {
    std::vector<uint8_t> out(id, id + 4);
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(uint8_t(length >> shift));
    }
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

std::vector<uint8_t> Header(uint16_t tracks, uint16_t division) {
    return {'M',
            'T',
            'h',
            'd',
            0,
            0,
            0,
            6,
            0,
            1,
            uint8_t(tracks >> 8),
            uint8_t(tracks),
            uint8_t(division >> 8),
            uint8_t(division)};
}

TEST(MidiSmf, RefusesWhatIsNotAMidiHeader) {
    std::vector<uint8_t> good = WriteSmf(1, 480, {TSmfTrack().NoteOn(0, 0, 60, 100)});
    std::vector<uint8_t> noMagic = good;
    noMagic[1] = 'X';
    const std::vector<std::vector<uint8_t>> bad = {
        {},
        {'M', 'T', 'h', 'd'},
        std::vector<uint8_t>(good.begin(), good.begin() + 13),  // division cut short
        noMagic,
        Header(1, 0),  // a division of 0 would never move
    };
    for (const auto& bytes : bad) {
        try {
            Parse(bytes);
            ADD_FAILURE() << "accepted " << bytes.size() << " bytes";
        } catch (const platform::EFOpenError& error) {
            EXPECT_EQ(error.what(), MidiHeaderErrorText());
        }
    }
    EXPECT_EQ(MidiHeaderErrorText(),
              "MIDI\x83t\x83@\x83"
              "C\x83\x8B\x82\xCC\x83w\x83"
              "b\x83_\x82\xAA\x89\xF3\x82\xEA\x82\xC4\x82\xA2\x82\xDC\x82\xB7");
}

TEST(MidiSmf, RunningStatusCarriesAcrossMetaEvents) {
    // 90 3C 64, then a text meta event, then "40 50" with the note-on status left out.
    TSmfTrack track;
    track.NoteOn(0, 0, 60, 100).Meta(10, 0x01, {'h', 'i'}).Event(5, {0x40, 0x50});
    track.Event(5, {0xC2, 0x07}).Event(1, {0x08});  // one data byte under running status
    const TSmfContents song = Parse(WriteSmf(0, 96, {track}));
    ASSERT_EQ(song.Tracks.size(), 1u);
    const auto& events = song.Tracks[0].Events;
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[1].Tick, 15);
    EXPECT_EQ(events[1].Event.Status, 0x90);
    EXPECT_EQ(events[1].Event.Data1, 0x40);
    EXPECT_EQ(events[1].Event.Data2, 0x50);
    EXPECT_EQ(events[3].Tick, 21);
    EXPECT_EQ(events[3].Event.Status, 0xC2);
    EXPECT_EQ(events[3].Event.Data1, 0x08);
    EXPECT_EQ(events[3].Event.Data2, 0);
}

TEST(MidiSmf, SysExKeepsItsStatusAsTheFirstByte) {
    TSmfTrack track;
    track.SysEx(3, {0x7E, 0x7F, 0x09, 0x01, 0xF7});
    const TSmfContents song = Parse(WriteSmf(0, 96, {track}));
    const auto& event = song.Tracks[0].Events.at(0).Event;
    EXPECT_EQ(event.Status, 0xF0);
    ASSERT_EQ(event.SysExLength, 6);
    EXPECT_EQ(std::vector<uint8_t>(event.SysEx.get(), event.SysEx.get() + 6),
              (std::vector<uint8_t>{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}));
}

TEST(MidiSmf, TempoIsWholeBeatsPerMinute) {
    struct Case {
        uint32_t micros;
        std::vector<int32_t> bpm;
    };
    const std::vector<Case> cases = {
        {500000, {120}},
        {500001, {119}},  // truncated, not rounded
        {0, {}},          // skipped: it would divide by zero
        {0xFFFFFF, {3}},
    };
    for (const Case& c : cases) {
        const TSmfContents song = Parse(WriteSmf(0, 480, {TSmfTrack().Tempo(7, c.micros)}));
        std::vector<int32_t> bpm;
        for (const auto& change : song.TempoMap) {
            bpm.push_back(change.Bpm);
            EXPECT_EQ(change.Tick, 7);
        }
        EXPECT_EQ(bpm, c.bpm) << c.micros;
    }
    // Above a minute a beat the quotient would be a tempo that never advances.
    TSmfTrack slow;
    slow.Meta(0, 0x51, {0x04, 0x00, 0x00, 0x00, 0x00});
    EXPECT_EQ(Parse(WriteSmf(0, 480, {slow})).TempoMap.at(0).Bpm, 1);
}

TEST(MidiSmf, TempoMapHoldsAtMost8192Changes) {
    TSmfTrack track;
    for (int i = 0; i < 8200; ++i) {
        track.Tempo(1, 500000);
    }
    const TSmfContents song = Parse(WriteSmf(0, 480, {track}));
    ASSERT_EQ(song.TempoMap.size(), 8192u);
    EXPECT_EQ(song.TempoMap.back().Tick, 8192);
}

TEST(MidiSmf, AtMost256Tracks) {
    std::vector<TSmfTrack> tracks(300);
    for (size_t i = 0; i < tracks.size(); ++i) {
        tracks[i].NoteOn(0, 0, int(i % 128), 1);
    }
    const TSmfContents song = Parse(WriteSmf(1, 480, tracks));
    EXPECT_EQ(song.Tracks.size(), 256u);
    EXPECT_EQ(song.Tracks[255].Events.at(0).Event.Data1, 255 % 128);
}

TEST(MidiSmf, ChunksThatLieAboutTheirLengthEndWithTheData) {
    // Track 1 is not "MTrk" (empty, and its body is then read as the next chunk header), track
    // 2 claims far more bytes than there are, track 3 is missing altogether.
    std::vector<uint8_t> bytes = Header(4, 96);
    const auto t0 = Chunk("MTrk", 4, {0x00, 0x90, 0x3C, 0x40});
    const auto t1 = Chunk("XTrk", 0, {});
    const auto t2 = Chunk("MTrk", 0x7FFFFFF0, {0x00, 0x91, 0x3D, 0x40, 0x81, 0x00, 0x3E});
    for (const auto* chunk : {&t0, &t1, &t2}) {
        bytes.insert(bytes.end(), chunk->begin(), chunk->end());
    }
    const TSmfContents song = Parse(bytes);
    ASSERT_EQ(song.Tracks.size(), 4u);
    EXPECT_EQ(song.Tracks[0].Events.size(), 1u);
    EXPECT_TRUE(song.Tracks[1].Events.empty());
    // The running-status event after the 128-tick delta lacks its second data byte: dropped.
    ASSERT_EQ(song.Tracks[2].Events.size(), 1u);
    EXPECT_EQ(song.Tracks[2].Events[0].Event.Status, 0x91);
    EXPECT_TRUE(song.Tracks[3].Events.empty());
}

TEST(MidiSmf, MalformedEventsNeverReachTheOutputAsStatusBytes) {
    // A data byte before any status; a note-on whose velocity has the high bit set; a
    // variable-length quantity whose four bytes all say "more" (the fourth ends it anyway).
    const std::vector<uint8_t> body = {
        0x00, 0x45,              // no status yet: skipped
        0x00, 0x90, 0x3C, 0x40,  // note-on 3C 40
        0x00, 0x90, 0x3D, 0xC0,  // note-on 3D with velocity C0
        0xFF, 0xFF, 0xFF, 0xFF,  // delta 0x0FFFFFFF
        0x80, 0x3C, 0x00,        // note-off
    };
    std::vector<uint8_t> bytes = Header(1, 96);
    const auto chunk = Chunk("MTrk", uint32_t(body.size()), body);
    bytes.insert(bytes.end(), chunk.begin(), chunk.end());
    const TSmfContents song = Parse(bytes);
    const auto& events = song.Tracks.at(0).Events;
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].Event.Status, 0x90);
    EXPECT_EQ(events[1].Event.Data1, 0x3D);
    EXPECT_EQ(events[1].Event.Data2, 0x40);
    EXPECT_EQ(events[2].Tick, 0x0FFFFFFF);
    EXPECT_EQ(events[2].Event.Status, 0x80);
}

TEST(MidiSmf, TicksSaturateInsteadOfWrapping) {
    TSmfTrack track;
    for (int i = 0; i < 10; ++i) {
        track.NoteOn(0x0FFFFFFF, 0, 60, 1);
    }
    const TSmfContents song = Parse(WriteSmf(0, 96, {track}));
    EXPECT_EQ(song.Tracks[0].Events.back().Tick, 2147483647);
}

TEST(MidiSmf, OversizedSysExIsSkippedWhole) {
    std::vector<uint8_t> big(70000, 0x11);
    big.back() = 0xF7;
    TSmfTrack track;
    track.SysEx(0, big).NoteOn(0, 0, 60, 1);
    const TSmfContents song = Parse(WriteSmf(0, 96, {track}));
    ASSERT_EQ(song.Tracks[0].Events.size(), 1u);
    EXPECT_EQ(song.Tracks[0].Events[0].Event.Status, 0x90);
}

}  // namespace
}  // namespace tavri::test
