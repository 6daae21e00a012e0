#pragma once

// The player's main window and the owner of the interpreter: it shows ScreenImage and advances
// the novel from one idle-loop timer. Each tick runs a transition step, a wait, or one step of
// the current run mode (typing, a click wait, the links, or the opening and title sequence).
//
// The members are implemented by unit:
//   RunMain.cpp        creation, the timer, run modes, presenting, display modes, input
//   RunTitle.cpp       the opening and title sequence
//   RunCommand.cpp     the dot-commands
//   RunText.cpp        typing, click waits, the click marker, menus and links
//   RunTransition.cpp  preparing, running and skipping transitions
//   RunStart.cpp       the start of a reading, and MIDI loading
//   sound/RunSound.cpp the sound engine and the tracks "bgm" and "sound"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "graphics/DIBTools.h"
#include "graphics/FadeEffector.h"
#include "midi/MidiDrive.h"
#include "run/RunCommon.h"
#include "sound/SoundEngine.h"
#include "ui/Application.h"
#include "ui/Controls.h"
#include "ui/Forms.h"
#include "ui/RunYesNo.h"

namespace tavri {

// The windows the main window opens that arrive with later work (system menu, bookmark screen,
// debug forms). The defaults do nothing.
class IMainWindowServices {
  public:
    virtual ~IMainWindowServices() = default;
    // Right click during a click wait or a menu: the system menu (not modal).
    virtual void ShowSystemMenu() {}
    // The bookmark screen, modal: `markMode` true to place a bookmark (at an ending), false to
    // open one (from the title).
    virtual void ShowBookmarkScreen(const std::string& caption, bool markMode) {
        (void)caption, (void)markMode;
    }
    // Debug mode F5 and F6.
    virtual void ShowCounterEditor() {}
    virtual void ShowJumpForm() {}
};

// The strip at the bottom of the window in debug mode.
class TDebugPanel : public ui::TForm {
  public:
    explicit TDebugPanel(ui::TApplication& application);
    ui::TLabel DebugLabel1, DebugLabel2;
};

class TMainForm : public ui::IMainWindow {
  public:
    // The yes/no dialog is created second, after the main window, and shared with the forms
    // that come later; the services default to doing nothing.
    // `midi` names the MIDI system the music plays through (none: no music).
    TMainForm(ui::TApplication& application, TRunCommon& state, ui::TYesNoForm& yesNo,
              IMainWindowServices* services = nullptr, TMidiSetup midi = {});
    ~TMainForm() override;

    ui::TApplication& Application;
    TRunCommon& State;
    ui::TYesNoForm& YesNoForm;
    IMainWindowServices& Services;

    // ----- Components -----
    ui::TIdleTimer Timer;  // 30 ms at creation, runs only while the application is active
    TImage KeyWaitImages;  // 48 × 24, source of ClickMarkImage
    TImage PowerdByImage;  // 280 × 48 logo
    TImage PowerdByMask;   // 255 minus its alpha, for drawing it with transparency
    TDebugPanel DebugPanel;
    std::string Caption;  // the window's title, cp932

    // ----- Transition state -----
    TDibTools Dib;  // the working buffers of the blends
    TFadeEffector Effector;
    int32_t TransitionEffect = 0;
    int32_t TransitionParameter = 1;
    int32_t TransitionDuration = 0;
    bool TransitionActive = false;
    int32_t TransitionTickCount = 0;
    uint32_t BlendStartTime = 0;  // the cross-fade's clock at its first tick
    std::string CustomMaskName;

    // ----- Interpreter state of the window -----
    int32_t NormalTimerInterval = 0;
    bool PageFull = false;
    bool ChoicesBuilt = false;
    int32_t ChoiceCount = 0;
    std::array<std::string, 8> ChoiceCaptions;
    std::array<int32_t, 8> ChoiceTargets{};
    int32_t HoverChoice = 0;
    std::array<std::string, 8> CommandWords;
    int32_t CommandWordCount = 0;
    TMidiDrive MidiDrive;
    ui::TIdleTimer MidiTimer;  // steps MidiDrive when it has no thread of its own
    std::unique_ptr<TQKSoundEngine> SoundEngine;
    std::string SoundEngineFile;  // the private copy's path while the library is being loaded
    std::unique_ptr<platform::TPrivateFile> SoundEngineCopy;
    int32_t TitleFrame = 0;
    int32_t WaitElapsed = 0, WaitDuration = 0;
    bool Waiting = false;
    bool SkipMode = false;
    int32_t DisplayWidth = 0, DisplayHeight = 0, DisplayBitCount = 0;
    bool ModesScanned = false;
    bool FirstTickDone = false;
    bool Closed = false;  // FormClose has run
    int ExitStatus = 0;   // 1 when the display could not be switched

    // ----- Main window (RunMain.cpp) -----
    void FormCreate();
    void FormShow();
    void FormPaint() { PresentScreen(); }
    void DXDrawInitialize();
    void TimerTimer(int elapsed);
    void SetRunMode(uint8_t mode);
    void PresentScreen();
    // Clipped to the picture.
    void PresentRect(TRect rect);
    void PresentPage();
    void ResetPageState();
    void EnterFullScreen();
    void EnterWindowMode();
    // Closes the main window: FormClose, then the loop ends.
    void Close();
    void FormClose();
    void FormDestroy();
    // The cursor rule applied after every present.
    void ApplyCursorRule();

    // ui::IMainWindow
    const TImage& Picture() const override { return State.ScreenImage; }
    void MouseDown(ui::MouseButton button, uint8_t shift, int x, int y) override;
    void MouseMove(uint8_t shift, int x, int y) override;
    void KeyDown(int& key, uint8_t shift) override;
    void CloseRequested() override { Close(); }

    // ----- Opening and title (RunTitle.cpp) -----
    void TitleTick();

    // ----- Commands (RunCommand.cpp) -----
    void ParseCommandLine(const std::string& line);
    void ExecuteCommand();
    // ParseCommandLine then ExecuteCommand.
    void RunCommandLine(const std::string& line);

    // ----- Text and links (RunText.cpp) -----
    void TypeCharacters(int n);
    void WaitForClick();
    void FollowLinks();
    void DrawClickMark(TImage& target, int x, int y, int frame);

    // ----- Transitions (RunTransition.cpp) -----
    // Empty words are "not given".
    void PrepareTransition(const std::string& effect = {}, const std::string& parameter = {},
                           const std::string& duration = {});
    // The header's default transition.
    void PrepareDefaultTransition();
    void BeginTransition();
    void TransitionTick();
    void SkipTransition();

    // ----- Start of a reading, MIDI and sound (RunStart.cpp) -----
    void StartFromBeginning();
    void ResetNonPersistentCounters();
    void PlayMidi(const std::string& name, bool loop);
    // The logo and title music: a file that cannot be played is reported and the opening goes on.
    void PlayTitleMidi(const std::string& name, bool loop);
    // ----- The sound engine (sound/RunSound.cpp) -----
    // In a package the engine is loaded from a private copy of its entry, else from beside the
    // program; when it cannot start the user is told and reading goes on without it.
    void LoadSoundEngine();
    // Removes the private copy; the library must be unloaded (or loading must have ended).
    void DeleteSoundEngineFile();
    // Looks `name` up in the package, then on disk, also with ".OGG" and ".WAV".
    void PlaySoundTrack(const std::string& track, const std::string& name, int32_t fadeInMs);
    void FadeOutSoundTrack(const std::string& track);

    // The item being read, or null when CurrentItem is outside the items.
    const CNovelItem* CurrentItemOrNull() const;
    // Yield: in fast-forward, give up the processor for a moment.
    void Yield();
    // The timer's interval (ms) as the window sets it.
    void SetTimerInterval(int32_t ms) { Timer.SetInterval(ms); }
    int32_t TimerInterval() const { return Timer.Interval(); }

  private:
    IMainWindowServices defaultServices_;
};

}  // namespace tavri
