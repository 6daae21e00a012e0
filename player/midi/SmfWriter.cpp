#include "midi/SmfWriter.h"

#include <cstddef>

namespace tavri {

namespace {

void Append32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(uint8_t(value >> shift));
    }
}

void Append16(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(uint8_t(value >> 8));
    out.push_back(uint8_t(value));
}

}  // namespace

void AppendVarLen(std::vector<uint8_t>& out, uint32_t value) {
    uint8_t groups[5];
    int count = 0;
    do {
        groups[count++] = uint8_t(value & 0x7F);
        value >>= 7;
    } while (value != 0 && count < 5);
    while (count > 1) {
        out.push_back(uint8_t(groups[--count] | 0x80));
    }
    out.push_back(groups[0]);
}

TSmfTrack& TSmfTrack::Event(uint32_t delta, std::initializer_list<uint8_t> bytes) {
    return Event(delta, std::vector<uint8_t>(bytes));
}

TSmfTrack& TSmfTrack::Event(uint32_t delta, const std::vector<uint8_t>& bytes) {
    AppendVarLen(bytes_, delta);
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    ended_ = false;
    return *this;
}

TSmfTrack& TSmfTrack::NoteOn(uint32_t delta, int channel, int key, int velocity) {
    return Event(delta,
                 {uint8_t(0x90 | (channel & 15)), uint8_t(key & 127), uint8_t(velocity & 127)});
}

TSmfTrack& TSmfTrack::NoteOff(uint32_t delta, int channel, int key) {
    return Event(delta, {uint8_t(0x80 | (channel & 15)), uint8_t(key & 127), 0});
}

TSmfTrack& TSmfTrack::Controller(uint32_t delta, int channel, int controller, int value) {
    return Event(delta,
                 {uint8_t(0xB0 | (channel & 15)), uint8_t(controller & 127), uint8_t(value & 127)});
}

TSmfTrack& TSmfTrack::Program(uint32_t delta, int channel, int program) {
    return Event(delta, {uint8_t(0xC0 | (channel & 15)), uint8_t(program & 127)});
}

TSmfTrack& TSmfTrack::Tempo(uint32_t delta, uint32_t microsPerQuarter) {
    return Meta(delta, 0x51,
                {uint8_t(microsPerQuarter >> 16), uint8_t(microsPerQuarter >> 8),
                 uint8_t(microsPerQuarter)});
}

TSmfTrack& TSmfTrack::Meta(uint32_t delta, uint8_t type, const std::vector<uint8_t>& data) {
    AppendVarLen(bytes_, delta);
    bytes_.push_back(0xFF);
    bytes_.push_back(type);
    AppendVarLen(bytes_, uint32_t(data.size()));
    bytes_.insert(bytes_.end(), data.begin(), data.end());
    ended_ = type == 0x2F;
    return *this;
}

TSmfTrack& TSmfTrack::SysEx(uint32_t delta, const std::vector<uint8_t>& body) {
    AppendVarLen(bytes_, delta);
    bytes_.push_back(0xF0);
    AppendVarLen(bytes_, uint32_t(body.size()));
    bytes_.insert(bytes_.end(), body.begin(), body.end());
    ended_ = false;
    return *this;
}

TSmfTrack& TSmfTrack::End(uint32_t delta) {
    return Meta(delta, 0x2F, {});
}

std::vector<uint8_t> WriteSmf(uint16_t format, uint16_t division,
                              const std::vector<TSmfTrack>& tracks, int declaredTracks) {
    std::vector<uint8_t> out{'M', 'T', 'h', 'd'};
    Append32(out, 6);
    Append16(out, format);
    Append16(out, uint16_t(declaredTracks < 0 ? tracks.size() : std::size_t(declaredTracks)));
    Append16(out, division);
    for (const TSmfTrack& track : tracks) {
        std::vector<uint8_t> body = track.Bytes();
        if (!track.Ended()) {
            body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
        }
        out.insert(out.end(), {'M', 'T', 'r', 'k'});
        Append32(out, uint32_t(body.size()));
        out.insert(out.end(), body.begin(), body.end());
    }
    return out;
}

}  // namespace tavri
