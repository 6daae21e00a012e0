#pragma once

// The demo novel's sampled sounds, synthesised: a music-box memory theme as Ogg Vorbis (played
// looping on the "bgm" track) and short effects as 16-bit WAVE files.

#include <cstdint>
#include <vector>

namespace demo {

std::vector<uint8_t> MemoryTheme();   // Ogg Vorbis, 44.1 kHz stereo, loops seamlessly
std::vector<uint8_t> BirdSong();      // WAVE: a few chirps of a small bird
std::vector<uint8_t> RunningSteps();  // WAVE: quick steps through dry leaves
std::vector<uint8_t> WindChime();     // WAVE: a chime of inharmonic bells, dying away

}  // namespace demo
