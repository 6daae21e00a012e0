#pragma once

// The demo novel's music, written as General MIDI standard MIDI files.

#include <cstdint>
#include <vector>

namespace demo {

std::vector<uint8_t> LogoJingle();   // a few seconds of bells and harp, played once
std::vector<uint8_t> TitleTheme();   // flute over guitar and strings, loops after 12 bars
std::vector<uint8_t> ForestTheme();  // a walking tune for the woods, loops after 8 bars

}  // namespace demo
