#pragma once

// The standard MIDI file sequencer the main window plays its music with. Its playing thread and
// output device arrive with the music; until then every operation does nothing, as the
// sequencer does when no output device could be opened.

#include <cstdint>
#include <string>

#include "platform/Stream.h"

namespace tavri {

class TMidiDrive {
  public:
    // Only the first call opens a device (−1 is the system's default output).
    void OpenDevice(int32_t deviceNumber) { (void)deviceNumber; }
    void LoadFromStream(platform::TStream& stream) { (void)stream; }
    void LoadFromFile(const std::string& fileName) { (void)fileName; }
    void Play() {}
    void Stop() {}
    void FadeOut(int32_t milliseconds) { (void)milliseconds; }

    bool DeviceOpen = false;
    bool Playing = false;
    bool Looping = false;
    bool SkipLeadingSilence = false;
    bool SendGSReset = false;
    bool SendGMReset = false;
};

}  // namespace tavri
