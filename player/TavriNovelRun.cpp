// The player's program body: package mode when an archive follows the executable, file mode
// (scenario, "*" data folder, "=" bookmark file, "/DEBUG", "/16") otherwise.

#include <cstdio>
#include <exception>

#include "Startup.h"
#include "platform/FileSystem.h"

int main(int argc, char** argv) {
    using namespace tavri;
    auto clock = platform::CreateSystemClock();
    auto messages = platform::CreateSdlMessageBoxService();
    TStartupEnvironment env{std::vector<std::string>(argv + 1, argv + argc),
                            platform::ExecutablePath(), platform::CurrentDirectory(), *clock,
                            *messages};
    try {
        TNovelSession session;
        return StartNovel(env, session);
    } catch (const std::exception& e) {
        messages->Show(e.what(), kRuntimeCaption, platform::MsgIcon::Error,
                       platform::MsgButtons::Ok);
        return 1;
    }
}
