#pragma once

// What the player prints on standard error: one UTF-8 line per problem, after the program's
// name, saying what happens next. The libraries' own chatter (ALSA, FluidSynth) comes through
// here too, and is shown only with TAVRI_VERBOSE=1.

#include <string>

namespace tavri::platform {

// "PROGRAM: line".
void Report(const std::string& utf8Line);
// Reported only when TAVRI_VERBOSE is 1.
void ReportDetail(const std::string& utf8Line);
bool Verbose();
// Sends the audio libraries' own error printing (ALSA's, which SDL's sound devices and our MIDI
// ports use) through ReportDetail, for the whole process. Safe to call more than once.
void QuietAudioLibraries();

}  // namespace tavri::platform
