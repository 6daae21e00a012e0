// The player's program body: package mode when an archive follows the executable, file mode
// (scenario, "*" data folder, "=" bookmark file, "/DEBUG", "/16") otherwise. After start-up the
// main window and the yes/no dialog are created and the loop runs until the window closes.
// Without a display the novel is read through headless (TAVRI_SHOTS names a folder that then
// receives a picture of every page).

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>

#include "Startup.h"
#include "WindowPictures.h"
#include "graphics/Fonts.h"
#include "platform/Display.h"
#include "platform/FileSystem.h"
#include "platform/Midi.h"
#include "run/HeadlessReader.h"
#include "run/RunCommon.h"
#include "run/RunMain.h"
#include "ui/Application.h"
#include "ui/RunYesNo.h"

namespace {

using namespace tavri;

int Play(TNovelSession& session, platform::IDisplay& display, platform::IClock& clock,
         platform::IMessageBoxService& messages, platform::VirtualClock* headlessClock,
         TMidiSetup midi = {}) {
    ui::TApplication app(display, clock, messages);
    app.Title = session.Header->NovelTitle.empty() ? std::string(kRuntimeCaption)
                                                   : session.Header->NovelTitle;
    TRunCommon state(session, messages);
    ui::TYesNoForm yesNo(app);
    TMainForm main(app, state, yesNo, nullptr, midi);
    LoadWindowPictures(main);
    app.SetMainWindow(&main);
    main.FormShow();
    if (headlessClock) {
        const char* shots = std::getenv("TAVRI_SHOTS");
        THeadlessReader reader(*headlessClock, static_cast<platform::HeadlessDisplay&>(display),
                               main);
        const THeadlessReadResult read = reader.Read(shots ? shots : "");
        std::fprintf(stderr, "%d pages read%s%s\n", read.Pages,
                     shots ? "; pictures of them are in " : "", shots ? shots : "");
    } else {
        app.Run();
    }
    const int status = main.ExitStatus;
    app.SetMainWindow(nullptr);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    StartFontWarmUp();
    auto clock = platform::CreateSystemClock();
    auto messages = platform::CreateSdlMessageBoxService();
    TStartupEnvironment env{std::vector<std::string>(argv + 1, argv + argc),
                            platform::ExecutablePath(), platform::CurrentDirectory(), *clock,
                            *messages};
    try {
        TNovelSession session;
        if (const int status = StartNovel(env, session); status != 0) {
            return status;
        }
        std::unique_ptr<platform::IDisplay> display;
        try {
            display = platform::CreateSdlDisplay();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "No display (%s): reading the novel without a window.\n",
                         e.what());
        }
        if (display) {
            auto midiSystem = platform::CreateMidiSystem();
            return Play(session, *display, *clock, *messages, nullptr,
                        TMidiSetup{midiSystem.get(), TMidiDriveMode::Worker});
        }
        // Read headless, the novel has no music: nobody would hear it.
        platform::VirtualClock virtualClock(clock->Now());
        platform::HeadlessDisplay headless(virtualClock);
        return Play(session, headless, virtualClock, *messages, &virtualClock);
    } catch (const std::exception& e) {
        messages->Show(e.what(), kRuntimeCaption, platform::MsgIcon::Error,
                       platform::MsgButtons::Ok);
        return 1;
    }
}
