#pragma once

// Every window of a running novel, created in the order start-up gives and released in reverse:
// the main window, the shared yes/no dialog, then the forms the main window opens (each added
// here as it is built), the debug forms only in debug mode. The program body, the tests and the
// benchmarks all open a novel through it.

#include <memory>
#include <string>
#include <vector>

#include "Startup.h"
#include "forms/DebugCounter.h"
#include "forms/DebugJump.h"
#include "forms/RunAbout.h"
#include "forms/RunBookmark.h"
#include "forms/RunBookmarkMenu.h"
#include "forms/RunMenu.h"
#include "midi/MidiDrive.h"
#include "platform/Clock.h"
#include "platform/Display.h"
#include "platform/MessageBox.h"
#include "run/RunCommon.h"
#include "run/RunMain.h"
#include "ui/Application.h"
#include "ui/RunYesNo.h"

namespace tavri {

// What the main window opens, through the forms of this folder.
class TFormServices : public IMainWindowServices {
  public:
    // The debug forms are null outside debug mode.
    TFormServices(TMenuForm& menu, TBookmarkForm& bookmarks, TDebugCounterForm* counters,
                  TDebugJumpForm* jump)
        : menu_(menu), bookmarks_(bookmarks), counters_(counters), jump_(jump) {}
    void ShowSystemMenu() override;
    void ShowBookmarkScreen(const std::string& caption, bool markMode) override;
    void ShowCounterEditor() override;
    void ShowJumpForm() override;

  private:
    TMenuForm& menu_;
    TBookmarkForm& bookmarks_;
    TDebugCounterForm* counters_;
    TDebugJumpForm* jump_;
};

class TNovelWindows {
  public:
    // `session` has been started; it, the display, the clock and the message boxes outlive
    // this. `midi` names the MIDI system the music plays through (none: no music).
    TNovelWindows(TNovelSession& session, platform::IDisplay& display, platform::IClock& clock,
                  platform::IMessageBoxService& messages, TMidiSetup midi = {});
    ~TNovelWindows();
    TNovelWindows(const TNovelWindows&) = delete;
    TNovelWindows& operator=(const TNovelWindows&) = delete;

    ui::TApplication& Application() { return *application_; }
    TRunCommon& State() { return *state_; }
    TMainForm& Main() { return *main_; }
    ui::TYesNoForm& YesNo() { return *yesNo_; }
    TMenuForm& Menu() { return *menu_; }
    TBookmarkForm& Bookmarks() { return *bookmarks_; }
    TBookmarkMenuForm& BookmarkMenu() { return *bookmarkMenu_; }
    TAboutForm& About() { return *about_; }
    // Only in debug mode; null otherwise.
    TDebugCounterForm* CounterEditor() { return counters_.get(); }
    TDebugJumpForm* JumpForm() { return jump_.get(); }

    // Another service in place of the forms' own, such as a recording one; null puts the forms'
    // own back. It must outlive its use.
    void ReplaceServices(IMainWindowServices* services);
    // The forms' class names in the order they were created.
    const std::vector<std::string>& CreationOrder() const { return created_; }

    // Shows the main window; its first tick chooses window or full screen.
    void Show();
    // Runs the loop until the main window closes, then gives its exit status.
    int Run();

  private:
    template <typename Form, typename... Args>
    std::unique_ptr<Form> Create(const char* name, Args&&... args);

    std::vector<std::string> created_;
    std::unique_ptr<ui::TApplication> application_;
    std::unique_ptr<TRunCommon> state_;
    std::unique_ptr<TMainForm> main_;
    std::unique_ptr<ui::TYesNoForm> yesNo_;
    std::unique_ptr<TMenuForm> menu_;
    std::unique_ptr<TBookmarkForm> bookmarks_;
    std::unique_ptr<TBookmarkMenuForm> bookmarkMenu_;
    std::unique_ptr<TAboutForm> about_;
    std::unique_ptr<TDebugCounterForm> counters_;
    std::unique_ptr<TDebugJumpForm> jump_;
    std::unique_ptr<TFormServices> services_;
};

}  // namespace tavri
