#pragma once

// The libraries the platform layer talks to, with the versions loaded, for the version form's
// acknowledgements.

#include <string>
#include <vector>

namespace tavri::platform {

// "SDL2 2.26.5", "FluidSynth 2.3.1", "ALSA (libasound) 1.2.8" (ASCII).
std::vector<std::string> PlatformLibraries();

}  // namespace tavri::platform
