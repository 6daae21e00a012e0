#include "platform/Libraries.h"

#include <SDL.h>
#include <alsa/asoundlib.h>
#include <fluidsynth.h>

namespace tavri::platform {

std::vector<std::string> PlatformLibraries() {
    SDL_version sdl;
    SDL_GetVersion(&sdl);
    return {
        "SDL2 " + std::to_string(sdl.major) + "." + std::to_string(sdl.minor) + "." +
            std::to_string(sdl.patch),
        std::string("FluidSynth ") + fluid_version_str(),
        std::string("ALSA (libasound) ") + snd_asoundlib_version(),
    };
}

}  // namespace tavri::platform
