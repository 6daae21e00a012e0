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

}  // namespace

int main(int argc, char** argv) {
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
