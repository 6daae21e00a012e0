#include "midi/SmfParser.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/Stream.h"
#include "platform/TextEncoding.h"

namespace tavri {

std::string MidiHeaderErrorText() {
    return platform::Cp932("MIDIファイルのヘッダが壊れています");
}

void TMidiTrack::Add(int32_t tick, TMyMidiEvent event) {
    // Grown in steps of 128, as playing never allocates and a file rarely has few events.
    if (Events.size() == Events.capacity()) {
        Events.reserve(Events.capacity() + 128);
    }
    Events.push_back({tick, std::move(event)});
}

void TMidiTrack::Clear() {
    Events.clear();
    Events.shrink_to_fit();
    PlayIndex = 0;
}

namespace {

// A cursor over one chunk: every read stops at the chunk's end.
class TChunkReader {
  public:
    TChunkReader(const uint8_t* data, size_t end, size_t pos) : data_(data), end_(end), pos_(pos) {}

    bool AtEnd() const { return pos_ >= end_; }
    size_t Left() const { return end_ - pos_; }
    bool Byte(uint8_t& out) {
        if (pos_ >= end_) {
            return false;
        }
        out = data_[pos_++];
        return true;
    }
    void Back() { --pos_; }
    const uint8_t* Here() const { return data_ + pos_; }
    void Skip(size_t n) { pos_ += std::min(n, Left()); }
    // At most four bytes, as the file format allows (values up to 0x0FFFFFFF).
    bool VarLen(uint32_t& out) {
        out = 0;
        for (int i = 0; i < 4; ++i) {
            uint8_t b;
            if (!Byte(b)) {
                return false;
            }
            out = (out << 7) | (b & 0x7F);
            if ((b & 0x80) == 0) {
                break;
            }
        }
        return true;
    }

  private:
    const uint8_t* data_;
    size_t end_;
    size_t pos_;
};

uint32_t BigEndian(const uint8_t* p, int bytes) {
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        value = value << 8 | p[i];
    }
    return value;
}

int DataBytesOf(uint8_t status) {
    if ((status >= 0xC0 && status <= 0xDF) || status == 0xF1 || status == 0xF3) {
        return 1;
    }
    if (status >= 0xF8 && status <= 0xFE) {
        return 0;
    }
    return 2;
}

void ParseTempo(TChunkReader& in, uint32_t length, int32_t tick, TSmfContents& out) {
    // Formed in 64 bits: a tempo of 0 µs would divide by zero, and above 60 s a beat the
    // quotient would be a tempo that never moves.
    uint64_t micros = 0;
    const size_t have = std::min<size_t>(length, in.Left());
    for (size_t i = 0; i < have; ++i) {
        uint8_t b = 0;
        in.Byte(b);
        micros = micros << 8 | b;
    }
    if (micros == 0 || out.TempoMap.size() >= size_t(kMaxTempoChanges)) {
        return;
    }
    const uint64_t bpm = std::max<uint64_t>(60000000 / micros, 1);
    out.TempoMap.push_back({tick, int32_t(bpm)});
}

void ParseTrack(TChunkReader in, TMidiTrack& track, TSmfContents& out) {
    int64_t tick = 0;
    uint8_t runningStatus = 0;  // meta events leave it alone
    while (!in.AtEnd()) {
        uint32_t delta;
        if (!in.VarLen(delta)) {
            return;
        }
        tick = std::min<int64_t>(tick + delta, std::numeric_limits<int32_t>::max());
        uint8_t status;
        if (!in.Byte(status)) {
            return;
        }
        if (status < 0x80) {
            in.Back();
            status = runningStatus;
            if (status == 0) {
                in.Skip(1);  // a data byte before any status: nothing to play it as
                continue;
            }
        } else if (status != 0xFF) {
            runningStatus = status;
        }
        if (status == 0xF0 || status == 0xF7) {
            uint32_t length;
            if (!in.VarLen(length)) {
                return;
            }
            const size_t n = std::min<size_t>(length, in.Left());
            if (n + 1 <= 0xFFFF) {
                TMyMidiEvent event;
                event.Status = status;
                event.SysExLength = uint16_t(n + 1);
                event.SysEx = std::make_unique<uint8_t[]>(n + 1);
                event.SysEx[0] = status;
                if (n > 0) {
                    std::memcpy(event.SysEx.get() + 1, in.Here(), n);
                }
                track.Add(int32_t(tick), std::move(event));
            }
            in.Skip(n);
            continue;
        }
        if (status == 0xFF) {
            uint8_t type;
            uint32_t length;
            if (!in.Byte(type) || !in.VarLen(length)) {
                return;
            }
            if (type == 0x51) {
                ParseTempo(in, length, int32_t(tick), out);
            } else {
                in.Skip(length);
            }
            continue;
        }
        TMyMidiEvent event;
        event.Status = status;
        const int count = DataBytesOf(status);
        uint8_t data[2] = {0, 0};
        for (int i = 0; i < count; ++i) {
            if (!in.Byte(data[i])) {
                return;
            }
            data[i] &= 0x7F;  // a status byte where data belongs must never go out as a status
        }
        event.Data1 = data[0];
        event.Data2 = data[1];
        track.Add(int32_t(tick), std::move(event));
    }
}

}  // namespace

TSmfContents ParseSmf(const uint8_t* data, size_t size) {
    constexpr size_t kHeaderBytes = 14;
    if (size < kHeaderBytes || std::memcmp(data, "MThd", 4) != 0) {
        throw platform::EFOpenError(MidiHeaderErrorText());
    }
    TSmfContents out;
    out.Format = int32_t(BigEndian(data + 8, 2));
    const int declared = int(BigEndian(data + 10, 2));
    // Time-code divisions are not interpreted: the word plays as ticks per quarter note.
    out.Division = int32_t(BigEndian(data + 12, 2));
    if (out.Division == 0) {
        throw platform::EFOpenError(MidiHeaderErrorText());
    }
    const int trackCount = std::min(declared, kMaxMidiTracks);
    out.Tracks.resize(size_t(trackCount));
    size_t pos = kHeaderBytes;
    for (int t = 0; t < trackCount; ++t) {
        if (size - pos < 8) {
            break;  // the remaining tracks are empty
        }
        const bool isTrack = std::memcmp(data + pos, "MTrk", 4) == 0;
        const uint32_t length = isTrack ? BigEndian(data + pos + 4, 4) : 0;
        pos += 8;
        const size_t end = pos + std::min<size_t>(length, size - pos);
        ParseTrack(TChunkReader(data, end, pos), out.Tracks[size_t(t)], out);
        pos = end;
    }
    return out;
}

}  // namespace tavri
