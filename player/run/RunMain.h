#pragma once

// The player's main window and the owner of the interpreter: it shows ScreenImage and advances
// the novel from one idle-loop timer. Each tick runs a transition step, a wait, or one step of
// the current run mode (typing, a click wait, the links, or the opening and title sequence).
//
// The members are implemented by unit:
//   RunMain.cpp        creation, the timer, run modes, presenting, display modes, input
//   RunOperations.cpp  what the other forms ask of the window (bookmarks, jumps, fast-forward)
//   RunTitle.cpp       the opening and title sequence
//   RunCommand.cpp     the dot-commands
//   RunText.cpp        typing, click waits, the click marker, menus and links
//   RunTransition.cpp  preparing, running and skipping transitions
//   RunStart.cpp       the start of a reading, and MIDI loading
//   sound/RunSound.cpp the sound engine and the tracks "bgm" and "sound"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "graphics/DIBTools.h"
#include "graphics/FadeEffector.h"
#include "midi/MidiDrive.h"
#include "run/ReadingPosition.h"
#include "run/RunCommon.h"
#include "sound/SoundEngine.h"
#include "ui/Application.h"
#include "ui/Controls.h"
#include "ui/Forms.h"
#include "ui/RunYesNo.h"

namespace tavri {

// The title's frame after which a click starts reading: clicks during the logo are dropped.
inline constexpr int32_t kTitleClickFrame = 141;

// The windows the main window opens (system menu, bookmark screen, debug forms), given to it
// after creation. The defaults do nothing.
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

// The words of one command line: the command's name and at most seven more (the rest are
// dropped). Words past Count are empty.
struct TCommandWords {
    static constexpr int kMaxWords = 8;
    std::array<std::string, kMaxWords> Words;
    int32_t Count = 0;
    const std::string& operator[](int index) const { return Words[size_t(index)]; }
};

// The strip at the bottom of the window in debug mode.
class TDebugPanel : public ui::TForm {
  public:
    explicit TDebugPanel(ui::TApplication& application);
    ui::TLabel DebugLabel1, DebugLabel2;
};

// The transition the next BeginTransition runs.
struct TPreparedTransition {
    int32_t Effect = 0;  // 0–9, or 255 for a custom mask
    int32_t Parameter = 1;
    int32_t Duration = 0;        // ms
    std::string CustomMaskName;  // the last "@name" given
};

class TMainForm;

// Stops the main timer while it lives, as around the show of a modal form; pauses nest.
class TTimerPause {
  public:
    explicit TTimerPause(TMainForm& form);
    ~TTimerPause();
    TTimerPause(const TTimerPause&) = delete;
    TTimerPause& operator=(const TTimerPause&) = delete;

  private:
    TMainForm& form_;
};

class TMainForm : public ui::IMainWindow {
  public:
    // `midi` names the MIDI system the music plays through (none: no music). The window takes
    // the yes/no dialog and the services later, through Connect, since both are created after
    // it.
    TMainForm(ui::TApplication& application, TRunCommon& state, TMidiSetup midi = {});
    ~TMainForm() override;

    ui::TApplication& Application;
    TRunCommon& State;

    // The shared yes/no dialog and the services that open the other forms; both must outlive
    // the window. Until then Escape asks nothing and the services do nothing.
    void Connect(ui::TYesNoForm& yesNo, IMainWindowServices& services);

    // ----- What the other forms ask of the window (RunOperations.cpp) -----
    // The reading as a bookmark keeps it: the state at the start of the current page.
    TReadingPosition TakeReadingPosition() const;
    // Continues a reading where `position` left it (a cleared one starts the next reading).
    // False, with nothing changed, when the position's item is no longer in the scenario.
    bool RestoreReadingPosition(const TReadingPosition& position);
    // A new reading, as the bookmark screen's start-over gives it: every counter back to its
    // initial value, persistent ones included, when the novel keeps bookmarks.
    void StartNewReading();
    // Reading goes on at the start of item `index`; screen, music and counters stay as they are.
    void JumpToItem(int32_t index);
    // Fast-forward through the coming click waits; only while one is waited for.
    void StartFastForward();
    bool IsFullScreen() const;
    // Window to full screen or back, as the system menu's display item and Alt+Enter / F11 do;
    // the pointer then follows the full-screen rule (hidden, except at the choices).
    void ToggleDisplayMode();
    // The SoundFont the music plays with (native path), or empty when there is no music.
    std::string SoundFontInUse();
    void EnterFullScreen();
    void EnterWindowMode();
    // Closes the book: FormClose, then the loop ends.
    void Close();
    // The main timer, stopped and started again; TTimerPause does both around a modal show.
    void PauseTimer();
    void ResumeTimer();

    // ----- What can be seen of the interpreter from outside -----
    bool IsTransitionActive() const { return TransitionActive; }
    TPreparedTransition PreparedTransition() const {
        return {TransitionEffect, TransitionParameter, TransitionDuration, CustomMaskName};
    }
    bool IsWaiting() const { return Waiting; }
    bool IsSkipMode() const { return SkipMode; }
    bool IsTimerRunning() const { return Timer.Enabled(); }
    // The title is up and the next click starts reading.
    bool AcceptsTitleClick() const {
        return State.RunMode == RmTitle && TitleFrame > kTitleClickFrame;
    }
    // The choices of the menu on the screen (0 until the menu is built).
    int32_t OfferedChoiceCount() const { return ChoicesBuilt ? ChoiceCount : 0; }
    int32_t TimerInterval() const { return Timer.Interval(); }
    // The debug strip's second label: the item being read.
    const std::string& DebugItemText() const { return DebugPanel.DebugLabel2.Caption; }
    bool DebugPanelShown() const { return DebugPanel.Visible(); }
    // Whether the sound engine plays on `track` ("bgm" or "sound").
    bool IsSoundTrackPlaying(const std::string& track) const {
        return SoundEngine != nullptr && SoundEngine->IsPlaying(track);
    }
    // 1 when the display could not be switched.
    int ExitStatus() const { return exitStatus_; }

    // ----- The interpreter's steps, each run by the timer; public so that they can be driven
    // one at a time -----
    void FormShow();
    void TimerTimer(int elapsed);
    void SetRunMode(uint8_t mode);
    void PresentScreen();
    // Clipped to the picture.
    void PresentRect(TRect rect);
    void PresentPage();
    void ResetPageState();
    void TitleTick();
    // Splits a command line into its words.
    static TCommandWords ParseCommandLine(const std::string& line);
    void ExecuteCommand(TCommandWords words);
    // ParseCommandLine then ExecuteCommand.
    void RunCommandLine(const std::string& line);
    void TypeCharacters(int n);
    void WaitForClick();
    void FollowLinks();
    void DrawClickMark(TImage& target, int x, int y, int frame);
    // Empty words are "not given".
    void PrepareTransition(const std::string& effect = {}, const std::string& parameter = {},
                           const std::string& duration = {});
    // The header's default transition.
    void PrepareDefaultTransition();
    void BeginTransition();
    void TransitionTick();
    void SkipTransition();
    void StartFromBeginning();
    void ResetNonPersistentCounters();
    void PlayMidi(const std::string& name, bool loop);

    // ui::IMainWindow
    const TImage& Picture() const override { return State.ScreenImage; }
    void MouseDown(ui::MouseButton button, uint8_t shift, int x, int y) override;
    void MouseMove(uint8_t shift, int x, int y) override;
    void KeyDown(int& key, uint8_t shift) override;
    void CloseRequested() override { Close(); }

  private:
    // The units' helpers that work on the window's state.
    friend struct TCommandHandlers;
    friend struct TLinkSteps;

    // ----- Main window (RunMain.cpp) -----
    void FormCreate();
    void LoadCarriedPictures();
    void DXDrawInitialize();
    void FormClose();
    void FormDestroy();
    // The cursor rule applied after every present.
    void ApplyCursorRule();
    // The item being read, or null when CurrentItem is outside the items.
    const CNovelItem* CurrentItemOrNull() const;
    // Yield: in fast-forward, give up the processor for a moment.
    void Yield();
    void SetTimerInterval(int32_t ms) { Timer.SetInterval(ms); }

    // ----- Opening and title (RunTitle.cpp) -----
    // The logo and title music: a file that cannot be played is reported and the opening goes on.
    void PlayTitleMidi(const std::string& name, bool loop);

    // ----- Transitions (RunTransition.cpp) -----
    // Masks travel in the package under "trans\", else beside the program, else beside the data.
    void LoadCustomMask();

    // ----- The sound engine (sound/RunSound.cpp) -----
    // In a package the engine is loaded from a private copy of its entry, else from beside the
    // program; when it cannot start the user is told and reading goes on without it.
    void LoadSoundEngine();
    // Removes the private copy; the library must be unloaded (or loading must have ended).
    void DeleteSoundEngineFile();
    // Looks `name` up in the package, then on disk, also with ".OGG" and ".WAV".
    void PlaySoundTrack(const std::string& track, const std::string& name, int32_t fadeInMs);
    void FadeOutSoundTrack(const std::string& track);

    ui::TYesNoForm* YesNoForm = nullptr;
    IMainWindowServices defaultServices_;
    IMainWindowServices* Services = &defaultServices_;

    // ----- Components -----
    ui::TIdleTimer Timer;  // 30 ms at creation, runs only while the application is active
    int32_t TimerPauses = 0;
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
    int exitStatus_ = 0;
};

}  // namespace tavri
