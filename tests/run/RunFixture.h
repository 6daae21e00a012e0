#pragma once

// A novel running headless: a scenario compiled from source text, the files it names written
// to a temporary data folder, the main window and the yes/no dialog on the headless display,
// and a virtual clock the test moves. Input is scripted at virtual times.

#include <gtest/gtest.h>

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

// What a test of a started novel holds, as OpenNovelWindows fills it: the headless display on a
// virtual clock, recorded message boxes, recording MIDI ports, the session and its windows.
struct THeadlessNovelHost {
    platform::VirtualClock clock{100000};
    platform::HeadlessDisplay display{clock};
    platform::RecordingMessageBoxService messages;
    // What the music sends; the sequencer is stepped by the main loop on the virtual clock.
    platform::RecordingMidiSystem midi{clock};
    TNovelSession session;
    std::unique_ptr<TNovelWindows> windows;
    // The windows' own, for short.
    ui::TApplication* app = nullptr;
    TRunCommon* state = nullptr;
    ui::TYesNoForm* yesNo = nullptr;
    TMainForm* main = nullptr;
};

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

// Where the forms' buttons are on the picture when the forms sit where they open.
struct TScreenPoint {
    int X = 0, Y = 0;
};
inline constexpr TScreenPoint kYesNoOkButton{271, 266};
inline constexpr TScreenPoint kYesNoCancelButton{367, 266};
// The bookmark screen opens at (46, 46).
inline constexpr TScreenPoint kStartOverButton{192, 379};
inline constexpr TScreenPoint kCloseBookButton{448, 379};
inline constexpr TScreenPoint kScreenCancelButton{506, 411};
inline constexpr TScreenPoint kLeftArrow{82, 217};
inline constexpr TScreenPoint kRightArrow{562, 217};
// The middle of slot 0..2 of the bookmark row (slot 3 is the row's last 13 pixels).
inline TScreenPoint BookmarkSlot(int slot) {
    return TScreenPoint{106 + slot * 140 + 70, 217};
}
// The popup's items, opened by a click at `at`.
inline TScreenPoint PopupPlace(TScreenPoint at) {
    return {at.X + 70, at.Y + 40};
}
inline TScreenPoint PopupOpen(TScreenPoint at) {
    return {at.X + 70, at.Y + 39};
}
inline TScreenPoint PopupRemove(TScreenPoint at) {
    return {at.X + 70, at.Y + 68};
}
inline TScreenPoint PopupCancel(TScreenPoint at) {
    return {at.X + 82, at.Y + 104};
}

// Runs `step` inside whatever loop is running (a modal form's included) once `ready` holds,
// looked at every 10 ms of virtual time; gives up after `limitMs`, or at once when `alive` (if
// given) turns false. This is how a test answers a form that the novel opens modally.
template <typename Fixture>
void When(Fixture& f, std::function<bool()> ready, std::function<void()> step,
          uint32_t limitMs = 5000, std::shared_ptr<bool> alive = nullptr) {
    struct TPoll {
        Fixture& f;
        std::function<bool()> ready;
        std::function<void()> step;
        uint32_t end;
        std::shared_ptr<bool> alive;
        static void Next(std::shared_ptr<TPoll> poll) {
            platform::TInputEvent event;
            event.kind = platform::TInputEvent::Kind::Posted;
            event.posted = [poll] {
                if ((poll->alive && !*poll->alive) ||
                    int32_t(poll->end - poll->f.clock.Now()) <= 0) {
                    return;
                }
                if (poll->ready()) {
                    poll->step();
                } else {
                    Next(poll);
                }
            };
            poll->f.display.Schedule(poll->f.clock.Now() + 10, std::move(event));
        }
    };
    TPoll::Next(std::make_shared<TPoll>(
        TPoll{f, std::move(ready), std::move(step), f.clock.Now() + limitMs, std::move(alive)}));
}

// Clicks (x, y) once `form` is the modal form on top.
template <typename Fixture>
void ClickWhenModal(Fixture& f, const ui::TForm& form, int x, int y,
                    std::shared_ptr<bool> alive = nullptr) {
    When(
        f, [&f, &form] { return f.app->Host().ModalForm() == &form; },
        [&f, x, y] { ClickAt(f, x, y, platform::MouseButton::Left); }, 5000, std::move(alive));
}

// Cancels every modal form still open, one a loop turn, and fails the test for each.
template <typename Fixture>
void CancelModalsNow(Fixture& f, std::shared_ptr<bool> alive) {
    if (ui::TForm* form = f.app->Host().ModalForm()) {
        ADD_FAILURE() << "a modal form was left open: " << form->Caption;
        form->ModalResult = ui::mrCancel;
        When(
            f, [] { return true; }, [&f, alive] { CancelModalsNow(f, alive); }, 1000, alive);
    }
}

// A test's safety net for the modal forms it answers: once `afterMs` of virtual time have passed
// with `alive` still true, the modal forms still open are cancelled, so a script that missed its
// form fails instead of waiting for ever.
template <typename Fixture>
void CancelStrandedModals(Fixture& f, uint32_t afterMs, std::shared_ptr<bool> alive) {
    const uint32_t deadline = f.clock.Now() + afterMs;
    When(
        f, [&f, deadline] { return int32_t(f.clock.Now() - deadline) >= 0; },
        [&f, alive] { CancelModalsNow(f, alive); }, afterMs + 1000, alive);
}

struct RunFixture : THeadlessNovelHost {
    // `source` is scenario source text (UTF-8, see docs/scenario-source.md); `files` are
    // written into the data folder (relative paths with "/").
    explicit RunFixture(const std::string& source,
                        const std::map<std::string, std::vector<uint8_t>>& files = {},
                        std::vector<std::string> extraArguments = {});
    ~RunFixture();

    // The program ends and is started again with the same command line and files.
    void Restart();
    // Runs loop turns until the virtual clock has moved `ms` further (or the loop ended).
    void RunFor(uint32_t ms);
    // Runs turns until `done` holds, at most `limitMs` of virtual time; false if it never did.
    bool RunUntil(const std::function<bool()>& done, uint32_t limitMs = 600000);
    // Scripted input at the present virtual time.
    void Click(int x, int y, platform::MouseButton button = platform::MouseButton::Left);
    void Key(int key);
    // Ticks of the main window happen every interval; this skips the opening (logo and title)
    // and clicks the title, leaving the novel at its start item with the fade-in done. Where the
    // title opens the bookmark screen, its "はじめから読む" is chosen and confirmed.
    void StartReading();

    TempDir dir;
    std::vector<std::string> arguments;
    int startStatus = -1;

  private:
    void Start();
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
