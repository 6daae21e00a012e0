// The player's program body: package mode when an archive follows the executable, file mode
// (scenario, "*" data folder, "=" bookmark file, "/DEBUG", "/16") otherwise. After start-up the
// novel's windows are opened and the loop runs until the main window closes. Without a display
// the novel is read through headless (TAVRI_SHOTS names a folder that then receives a picture of
// every page); a novel that does not reach an ending that way ends with a status of its own.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>

#include "Startup.h"
#include "forms/NovelWindows.h"
#include "graphics/Fonts.h"
#include "platform/Display.h"
#include "platform/FileSystem.h"
#include "platform/Libraries.h"
#include "platform/Log.h"
#include "platform/Midi.h"
#include "run/HeadlessReader.h"
#include "ui/MessageForm.h"

namespace {

using namespace tavri;

int Play(TNovelSession& session, platform::IDisplay& display, platform::IClock& clock,
         platform::IMessageBoxService& messages, TMidiSetup midi) {
    TNovelWindows windows(session, display, clock, messages, midi);
    windows.Show();
    return windows.Run();
}

// Without a display, with no music: nobody would hear it. `why` says why there is no window;
// it and the reading's result make the one line printed.
int ReadHeadless(TNovelSession& session, platform::IClock& clock,
                 platform::IMessageBoxService& messages, const std::string& why) {
    // The sound engine plays to no one either: the silent driver, unless asked otherwise.
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    platform::VirtualClock virtualClock(clock.Now());
    platform::HeadlessDisplay display(virtualClock);
    TNovelWindows windows(session, display, virtualClock, messages);
    windows.Show();
    const char* shots = std::getenv("TAVRI_SHOTS");
    THeadlessReader reader(virtualClock, display, windows.Main());
    windows.ReplaceServices(&reader.Answers());
    const THeadlessReadResult read = reader.Read(shots ? shots : "");
    platform::Report("no display (" + why +
                     "), so the novel was read without a window: " + HeadlessReadSummary(read) +
                     (read.Finished && shots
                          ? "; pictures of the pages are in " + std::string(shots)
                          : std::string()));
    if (windows.Main().ExitStatus() != 0) {
        return windows.Main().ExitStatus();
    }
    return read.Finished ? 0 : kUnfinishedReadingStatus;
}

const char* const kUsage =
    "Usage:\n"
    "  %s                         a finished novel: plays the archive it carries\n"
    "  %s NOVEL.qke ['*DATA'] ['=BOOKMARKS.qkb'] [/DEBUG] [/16]\n"
    "                              a scenario file, its media in DATA (default: its folder)\n"
    "  %s Novel.exe               a novel packaged for Windows\n"
    "  %s --help | --version\n"
    "\n"
    "Keys: a click, Space or Enter reads on; a right click at a click wait or the choices opens\n"
    "the menu; Escape closes the book; Alt+Enter or F11 switches window and full screen.\n"
    "With /DEBUG: F5 counters, F6 item jump, F7 stops music and sprites, F8 skips a transition.\n";

// --help and --version answer before anything else, in package mode too.
bool AnswerInformation(int argc, char** argv, int& status) {
    if (argc != 2) {
        return false;
    }
    const std::string word = argv[1];
    if (word == "--help") {
        const char* name = program_invocation_short_name;
        std::printf(kUsage, name, name, name, name);
        status = 0;
        return true;
    }
    if (word == "--version") {
        std::printf("Tavri! Novel %s\n", kRuntimeVersion);
        for (const std::string& library : platform::PlatformLibraries()) {
            std::printf("%s\n", library.c_str());
        }
        const std::string engine = InstalledSoundEngine(platform::ExecutablePath());
        std::printf("sound engine: %s%s\n", engine.c_str(),
                    platform::FileExists(engine) ? "" : " (not found)");
        status = 0;
        return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (int status = 0; AnswerInformation(argc, argv, status)) {
        return status;
    }
    // Before any sound device is opened, by SDL or by the sound engine.
    platform::QuietAudioLibraries();
    StartFontWarmUp();
    auto clock = platform::CreateSystemClock();
    auto messages = platform::CreateSdlMessageBoxService();
    // Where the system cannot show a box, ours shows it: inside the novel's picture when its
    // window is open, else in a window of its own.
    platform::SetMessageBoxFallback([](std::string_view text, std::string_view caption,
                                       platform::MsgIcon icon, platform::MsgButtons buttons) {
        return ui::ShowOwnMessageBox(ui::TApplication::Current(), text, caption, icon, buttons);
    });
    TStartupEnvironment env{std::vector<std::string>(argv + 1, argv + argc),
                            platform::ExecutablePath(), platform::CurrentDirectory(), *clock,
                            *messages};
    try {
        TNovelSession session;
        if (const int status = StartNovel(env, session); status != 0) {
            return status;
        }
        std::unique_ptr<platform::IDisplay> display;
        std::string noDisplay;
        try {
            display = platform::CreateSdlDisplay();
        } catch (const std::exception& e) {
            noDisplay = e.what();
        }
        if (display) {
            auto midiSystem = platform::CreateMidiSystem();
            return Play(session, *display, *clock, *messages,
                        TMidiSetup{midiSystem.get(), TMidiDriveMode::Worker});
        }
        return ReadHeadless(session, *clock, *messages, noDisplay);
    } catch (const std::exception& e) {
        messages->Show(e.what(), kRuntimeCaption, platform::MsgIcon::Error,
                       platform::MsgButtons::Ok);
        return 1;
    }
}
