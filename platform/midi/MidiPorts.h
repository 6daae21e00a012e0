#pragma once

// The real MIDI outputs behind CreateMidiSystem: the built-in synthesiser and the ALSA
// sequencer's writable ports. Private to the platform library.

#include <memory>
#include <string>
#include <vector>

#include "platform/Midi.h"

namespace tavri::platform::midi {

// How many bytes a message with this status byte has (status included), or 0 when the byte is
// no status a short message can carry (a data byte, or the start or end of an exclusive).
int ShortMessageLength(uint8_t status);

// Results for errors the ALSA library reports, so that ErrorText can give the library's own
// text: kAlsaErrorBase + errno.
constexpr int kAlsaErrorBase = 0x10000;

// The library's text for one of its (positive) error numbers.
std::string AlsaErrorText(int error);

// --- The built-in synthesiser --------------------------------------------------------------

// The SoundFont to load: TAVRI_SOUNDFONT when set, else the first General MIDI SoundFont the
// system's packages install. "" when there is none; `why` then says what was looked for.
std::string FindSoundFont(std::string& why);

TMidiOutCaps SynthCapabilities();

// Opens an SDL audio device of its own that renders FluidSynth, and loads `soundFont` on a
// thread of its own so the caller does not wait for it.
int OpenSynthPort(const std::string& soundFont, std::unique_ptr<IMidiPort>& port);

// --- The ALSA sequencer ---------------------------------------------------------------------

struct AlsaPortAddress {
    int Client = 0;
    int Port = 0;
    std::string Name;  // "client name:port name"
};

// The writable ports present now; none (and no message) when there is no sequencer.
std::vector<AlsaPortAddress> ListAlsaPorts();

TMidiOutCaps AlsaCapabilities(const AlsaPortAddress& address);

int OpenAlsaPort(const AlsaPortAddress& address, std::unique_ptr<IMidiPort>& port);

}  // namespace tavri::platform::midi
