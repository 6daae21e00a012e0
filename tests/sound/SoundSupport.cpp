#include "sound/SoundSupport.h"

#include <cstdlib>
#include <filesystem>

#include "support/TestSupport.h"

namespace tavri::test {

void InstallSoundEngineBeside(const std::string& folder, const char* driver) {
    setenv("SDL_AUDIODRIVER", driver, 1);
    const std::filesystem::path beside = std::filesystem::path(folder) / "QKSound.qkx";
    std::error_code ignored;
    std::filesystem::remove(beside, ignored);
    std::filesystem::create_symlink(BuiltSoundEnginePath(), beside);
}

std::string BuiltSoundEnginePath() {
    return BinDir() + "/QKSound.qkx";
}

std::string FakeSoundEnginePath(const std::string& variant) {
    return std::string(TAVRI_FAKE_QKSOUND_DIR) + "/fake-qksound-" + variant + ".qkx";
}

}  // namespace tavri::test
