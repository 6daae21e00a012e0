#pragma once

// Writes standard MIDI files: the demo's music, test fixtures and benchmark files are made with
// it, so every file the sequencer is tested on comes from code.

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace tavri {

class TSmfTrack {
  public:
    // Each event follows the previous one by `delta` ticks. Bytes are written as given, so a
    // caller can write running status by leaving the status byte out.
    TSmfTrack& Event(uint32_t delta, std::initializer_list<uint8_t> bytes);
    TSmfTrack& Event(uint32_t delta, const std::vector<uint8_t>& bytes);
    TSmfTrack& NoteOn(uint32_t delta, int channel, int key, int velocity);
    TSmfTrack& NoteOff(uint32_t delta, int channel, int key);
    TSmfTrack& Controller(uint32_t delta, int channel, int controller, int value);
    TSmfTrack& Program(uint32_t delta, int channel, int program);
    // FF 51 03 with `microsPerQuarter` (24 bits).
    TSmfTrack& Tempo(uint32_t delta, uint32_t microsPerQuarter);
    TSmfTrack& Meta(uint32_t delta, uint8_t type, const std::vector<uint8_t>& data);
    // F0, then the length and `body` (which should end with F7).
    TSmfTrack& SysEx(uint32_t delta, const std::vector<uint8_t>& body);
    // FF 2F 00; Bytes() adds one when the track does not end with it.
    TSmfTrack& End(uint32_t delta = 0);

    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    bool Ended() const { return ended_; }

  private:
    std::vector<uint8_t> bytes_;
    bool ended_ = false;
};

// Variable-length quantity, most significant group first.
void AppendVarLen(std::vector<uint8_t>& out, uint32_t value);

// "MThd" with length 6, format, track count and division, then one "MTrk" chunk per track.
// `declaredTracks` below 0 declares tracks.size().
std::vector<uint8_t> WriteSmf(uint16_t format, uint16_t division,
                              const std::vector<TSmfTrack>& tracks, int declaredTracks = -1);

}  // namespace tavri
