#pragma once

// The binding of the sound engine library. Loading the library and its guarded calls arrive with
// sampled sound; until then no engine is loaded and every call does nothing, which is how the
// player runs when the engine cannot start (music through MIDI only).

#include <cstdint>
#include <string>

namespace tavri {

class TQKSoundEngine {
  public:
    bool IsLoaded() const { return false; }
    void Play(const std::string& track, const std::string& fileName, int32_t fadeInMs) {
        (void)track, (void)fileName, (void)fadeInMs;
    }
    void SetLooping(const std::string& track, int32_t loop) { (void)track, (void)loop; }
    void FadeOut(const std::string& track, int32_t ms) { (void)track, (void)ms; }
    bool IsPlaying(const std::string& track) const {
        (void)track;
        return false;
    }
};

}  // namespace tavri
