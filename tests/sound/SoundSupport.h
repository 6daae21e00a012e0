#pragma once

// What a test needs for the player to start its sound engine the way a user's copy does.

#include <string>

namespace tavri::test {

// Makes the built QKSound.qkx appear beside a program in `folder` (as the player finds it in
// file mode) and selects SDL's audio driver for the engine: "dummy" consumes sound in real time
// without a sound card, "disk" writes the mixed output to $SDL_DISKAUDIOFILE.
void InstallSoundEngineBeside(const std::string& folder, const char* driver = "dummy");

// The built engine, and the stand-ins the binding must refuse ("revision2", "no-partition",
// "no-stop-fade").
std::string BuiltSoundEnginePath();
std::string FakeSoundEnginePath(const std::string& variant);

}  // namespace tavri::test
