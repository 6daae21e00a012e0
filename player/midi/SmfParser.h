#pragma once

// The standard MIDI file reader of the sequencer: the whole file becomes per-track event lists
// and a tempo map in memory, so that playing does no input at all.

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "midi/MidiOut.h"

namespace tavri {

constexpr int kMaxMidiTracks = 256;
constexpr int kMaxTempoChanges = 8192;
// Files above this are refused before they are copied into memory.
constexpr int64_t kMaxMidiFileSize = int64_t(64) << 20;

// "MIDIファイルのヘッダが壊れています" in cp932.
std::string MidiHeaderErrorText();

class TMidiTrack {
  public:
    struct TEntry {
        int32_t Tick = 0;
        TMyMidiEvent Event;
    };

    int32_t Count() const { return int32_t(Events.size()); }
    void Add(int32_t tick, TMyMidiEvent event);
    void Clear();

    int32_t PlayIndex = 0;
    std::vector<TEntry> Events;
};

struct TTempoChange {
    int32_t Tick = 0;
    int32_t Bpm = 0;
};

struct TSmfContents {
    int32_t Format = 0;
    int32_t Division = 0;
    std::vector<TMidiTrack> Tracks;      // at most kMaxMidiTracks
    std::vector<TTempoChange> TempoMap;  // file order, at most kMaxTempoChanges
};

// Throws platform::EFOpenError with MidiHeaderErrorText() when the header is missing, cut short
// or declares a division of 0. Anything after the header never reads outside `data`: a chunk
// that claims more bytes than there are ends with the data.
TSmfContents ParseSmf(const uint8_t* data, size_t size);

}  // namespace tavri
