#pragma once

// A novel running headless: a scenario compiled from source text, the files it names written
// to a temporary data folder, the main window and the yes/no dialog on the headless display,
// and a virtual clock the test moves. Input is scripted at virtual times.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "PackageFile2.h"
#include "Startup.h"
#include "forms/NovelWindows.h"
#include "platform/Clock.h"
#include "platform/Display.h"
#include "platform/MessageBox.h"
#include "platform/Midi.h"
#include "platform/Stream.h"
#include "run/RunCommon.h"
#include "run/RunMain.h"
#include "support/TestSupport.h"
#include "ui/Application.h"
#include "ui/RunYesNo.h"

namespace tavri::test {

// The windows of a started novel as the program body opens them, on a fixture's headless
// display, virtual clock, recorded message boxes and recording MIDI ports.
template <typename Fixture>
void OpenNovelWindows(Fixture& f) {
    f.session.Random.seed(7);
    f.windows = std::make_unique<TNovelWindows>(f.session, f.display, f.clock, f.messages,
                                                TMidiSetup{&f.midi, TMidiDriveMode::Stepped});
    f.app = &f.windows->Application();
    f.state = &f.windows->State();
    f.yesNo = &f.windows->YesNo();
    f.main = &f.windows->Main();
    f.windows->Show();
}

// Closes the windows, as the program's end does.
template <typename Fixture>
void CloseNovelWindows(Fixture& f) {
    f.app = nullptr;
    f.state = nullptr;
    f.yesNo = nullptr;
    f.main = nullptr;
    f.windows.reset();
}

// Loop turns until `done` holds, at most `limitMs` of the fixture's virtual time.
template <typename Fixture>
bool RunLoopUntil(Fixture& f, const std::function<bool()>& done, uint32_t limitMs) {
    const uint32_t end = f.clock.Now() + limitMs;
    while (!done()) {
        if (f.app->Terminated() || int32_t(end - f.clock.Now()) <= 0) {
            return false;
        }
        f.app->HandleMessage();
    }
    return true;
}

// The pointer moves there first, as a real click's does, then the button goes down and up.
template <typename Fixture>
void ClickAt(Fixture& f, int x, int y, platform::MouseButton button) {
    platform::TInputEvent move;
    move.kind = platform::TInputEvent::Kind::MouseMove;
    move.x = x;
    move.y = y;
    f.display.Schedule(f.clock.Now(), move);
    f.display.Click(x, y, button);
}

struct RunFixture {
    // `source` is scenario source text (UTF-8, see docs/scenario-source.md); `files` are
    // written into the data folder (relative paths with "/").
    explicit RunFixture(const std::string& source,
                        const std::map<std::string, std::vector<uint8_t>>& files = {},
                        std::vector<std::string> extraArguments = {});
    ~RunFixture();

    // Runs loop turns until the virtual clock has moved `ms` further (or the loop ended).
    void RunFor(uint32_t ms);
    // Runs turns until `done` holds, at most `limitMs` of virtual time; false if it never did.
    bool RunUntil(const std::function<bool()>& done, uint32_t limitMs = 600000);
    // Scripted input at the present virtual time.
    void Click(int x, int y, platform::MouseButton button = platform::MouseButton::Left);
    void Key(int key);
    // Ticks of the main window happen every interval; this skips the opening (logo and title)
    // and clicks the title, leaving the novel at its start item with the fade-in done.
    void StartReading();

    TempDir dir;
    platform::VirtualClock clock{100000};
    platform::HeadlessDisplay display{clock};
    platform::RecordingMessageBoxService messages;
    // What the music sends; the sequencer is stepped by the main loop on the virtual clock.
    platform::RecordingMidiSystem midi{clock};
    TNovelSession session;
    int startStatus = -1;
    std::unique_ptr<TNovelWindows> windows;
    // The windows' own, for short.
    ui::TApplication* app = nullptr;
    TRunCommon* state = nullptr;
    ui::TYesNoForm* yesNo = nullptr;
    TMainForm* main = nullptr;
};

// What the music sent, read from a recording MIDI system.
uint32_t NoteOnMessage(int key, int velocity = 100);
// How many short messages equal to `message` were sent.
int CountSent(const platform::RecordingMidiSystem& midi, uint32_t message);
bool Sent(const platform::RecordingMidiSystem& midi, uint32_t message);
// The last 64 short messages are the silencing of all 16 channels: the music was stopped, and
// nothing has sounded since.
bool EndsSilenced(const platform::RecordingMidiSystem& midi);

// A package in memory put in front of the data folder, as an archived novel has.
struct PackageOverlay {
    PackageOverlay(RunFixture& fixture, const std::vector<TPackageWriterEntry>& entries)
        : state(*fixture.state), stream(BuildPackage(entries)), package(fixture.messages) {
        package.OpenStream(stream);
        state.Media.Package = &package;
    }
    ~PackageOverlay() { state.Media.Package = nullptr; }
    TRunCommon& state;
    platform::TMemoryStream stream;
    TReadPackageFile package;
};

}  // namespace tavri::test
