// The standard MIDI file reader over arbitrary bytes: it may refuse the header but never reads
// outside the data, and what it keeps stays within the limits the sequencer relies on.
#include <cstddef>
#include <cstdint>

#include "midi/SmfParser.h"
#include "platform/Stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tavri;
    try {
        const TSmfContents song = ParseSmf(data, size);
        if (song.Division <= 0 || song.Tracks.size() > size_t(kMaxMidiTracks) ||
            song.TempoMap.size() > size_t(kMaxTempoChanges)) {
            __builtin_trap();
        }
        for (const TMidiTrack& track : song.Tracks) {
            int32_t previous = 0;
            for (const TMidiTrack::TEntry& entry : track.Events) {
                const TMyMidiEvent& event = entry.Event;
                const bool exclusive = event.Status == 0xF0 || event.Status == 0xF7;
                if (entry.Tick < previous || event.Status < 0x80 || event.Data1 > 0x7F ||
                    event.Data2 > 0x7F ||
                    (exclusive &&
                     (!event.SysEx || event.SysExLength == 0 || event.SysEx[0] != event.Status))) {
                    __builtin_trap();
                }
                previous = entry.Tick;
            }
        }
        for (const TTempoChange& change : song.TempoMap) {
            if (change.Bpm < 1) {
                __builtin_trap();
            }
        }
    } catch (const platform::EFOpenError&) {
    }
    return 0;
}
