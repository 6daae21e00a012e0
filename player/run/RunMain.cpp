#include "run/RunMain.h"

#include <algorithm>
#include <climits>

#include "assets/Assets.h"
#include "graphics/Picture.h"
#include "platform/TextEncoding.h"
#include "ui/Cursors.h"

namespace tavri {

using platform::Cp932;

namespace {

constexpr int kDebugPanelHeight = 13;

}  // namespace

TDebugPanel::TDebugPanel(ui::TApplication& application)
    : TForm(application), DebugLabel1(*this), DebugLabel2(*this) {
    CanActivate = false;
    ClientWidth = kCanvasWidth;
    ClientHeight = kDebugPanelHeight;
    Left = 0;
    Top = kCanvasHeight - kDebugPanelHeight;
    Color = RGB(192, 192, 192);
    for (ui::TLabel* label : {&DebugLabel1, &DebugLabel2}) {
        label->Font.Face = Cp932("ＭＳ Ｐゴシック");
        label->Font.Height = -12;
        label->Transparent = true;
        label->FontColor = 0;
    }
    DebugLabel1.SetBounds(2, 0, 436, kDebugPanelHeight);
    DebugLabel2.SetBounds(440, 0, 198, kDebugPanelHeight);
}

TMainForm::TMainForm(ui::TApplication& application, TRunCommon& state, TMidiSetup midi)
    : Application(application),
      State(state),
      Timer(application),
      DebugPanel(application),
      Effector(application.Clock(), Dib),
      MidiDrive(
          application.Clock(), midi.System,
          [&application](std::function<void()> work) { application.Post(std::move(work)); },
          midi.Mode),
      MidiTimer(application) {
    MidiTimer.SetInterval(TMidiDrive::Period);
    MidiTimer.ActiveOnlyWhenAppActive = false;
    MidiTimer.SetEnabled(midi.Mode == TMidiDriveMode::Stepped);
    MidiTimer.OnTimer = [this](int) { MidiDrive.Step(); };
    Caption = kRuntimeCaption;
    Timer.SetInterval(30);
    Timer.OnTimer = [this](int elapsed) { TimerTimer(elapsed); };
    FormCreate();
}

TMainForm::~TMainForm() {
    FormDestroy();
}

void TMainForm::Connect(ui::TYesNoForm& yesNo, IMainWindowServices& services) {
    YesNoForm = &yesNo;
    Services = &services;
}

// ----- Creation -----

// The click marker and the logo are compiled into the program.
void TMainForm::LoadCarriedPictures() {
    const std::vector<uint8_t>& marker = assets::ClickMarkBmp();
    KeyWaitImages = DecodeBmp(marker.data(), marker.size()).Image;
    const std::vector<uint8_t>& logo = assets::LogoPng();
    TDecodedPicture decoded = DecodePng(logo.data(), logo.size());
    PowerdByImage = std::move(decoded.Image);
    PowerdByMask = std::move(decoded.AlphaMask);
}

void TMainForm::FormCreate() {
    LoadCarriedPictures();
    CNovelFileHeader& header = State.Header();
    if (header.NovelTitle.empty()) {
        header.NovelTitle = kRuntimeCaption;
    }
    Caption = header.NovelTitle;
    Application.Title = header.NovelTitle;
    Application.Display().SetTitle(Caption);

    Application.Display().SetFastForwardCursor(ui::FastForwardCursorImage());

    // The window stays hidden until the first tick chooses the display.
    ModesScanned = false;
    FirstTickDone = false;

    // The sound engine takes its audio device before the synthesiser does: on an output that
    // plays one device at a time (SDL's dummy and disk drivers) the engine, which carries the
    // music and effects files and says so when it cannot start, keeps its sound, and MIDI goes
    // quiet with one line on standard error. Where both fit, the order changes nothing.
    LoadSoundEngine();

    try {
        MidiDrive.OpenDevice(-1);
    } catch (const EmidioutputError& error) {
        // The window still opens; the novel reads on without music.
        Application.ShowException(error);
    }
    MidiDrive.SkipLeadingSilence = header.SkipLeadingSilence != 0;
    MidiDrive.SendGMReset = header.SendGMReset != 0;
    MidiDrive.SendGSReset = header.SendGSReset != 0;

    SkipMode = false;
    Effector.Target = &State.ScreenImage;
    Effector.OldImage = &State.PreviousFrameImage;
    Effector.NewImage = &State.NextFrameImage;

    DXDrawInitialize();
}

void TMainForm::FormShow() {
    State.ClickMarkImage = KeyWaitImages;
    if (!State.ClickMarkImage.Empty()) {
        State.ClickMarkImage.SetPixelFormat(TPixelFormat::Pf24bit);
    }
    if (State.Session.DebugMode) {
        DebugPanel.DebugLabel1.SetCaption(
            Cp932("デバッグモード  [F5:カウンタ操作] [F6:ジャンプ] [F7:パニック停止] "
                  "[F8:フェードスキップ]"));
        DebugPanel.DebugLabel2.SetCaption("");
        DebugPanel.Show();
    }
}

void TMainForm::DXDrawInitialize() {
    if (ModesScanned) {
        return;
    }
    ModesScanned = true;
    const bool only16 = State.Session.Only16BitModes || State.Header().Only16BitColor != 0;
    for (const platform::TDisplayMode& mode : Application.Display().DisplayModes()) {
        if (mode.width == kCanvasWidth && mode.height == kCanvasHeight && mode.bitCount > 0 &&
            (!only16 || mode.bitCount <= 16)) {
            DisplayWidth = mode.width;
            DisplayHeight = mode.height;
            DisplayBitCount = mode.bitCount;
        }
    }
    if (DisplayBitCount < 15) {
        Application.Messages().Show(
            Cp932("ビデオカードがハイカラーに対応していません。\r\n実行を中止します。"),
            Application.Title, platform::MsgIcon::Error, platform::MsgButtons::Ok);
    }
}

// ----- The timer -----

void TMainForm::TimerTimer(int elapsed) {
    if (!FirstTickDone) {
        FirstTickDone = true;
        if (State.Header().StartWindowed != 0) {
            EnterWindowMode();
        } else {
            EnterFullScreen();
        }
        return;
    }
    if (TransitionActive) {
        TransitionTick();
        return;
    }
    if (SkipMode && State.RunMode == RmTyping) {
        SetTimerInterval(1);
    }
    if (Waiting) {
        // Formed in 64 bits and saturated, so a long wait at a long interval cannot wrap.
        const int64_t interval = std::max(1, TimerInterval());
        const int64_t total = int64_t(WaitElapsed) + int64_t(elapsed) * interval;
        WaitElapsed = int32_t(std::min<int64_t>(total, INT32_MAX));
        if (WaitElapsed >= WaitDuration) {
            Waiting = false;
        }
        return;
    }
    switch (State.RunMode) {
        case RmTyping:
            TypeCharacters(elapsed);
            break;
        case RmLinks:
            FollowLinks();
            break;
        case RmClickWait:
            WaitForClick();
            break;
        case RmTitle:
            TitleTick();
            break;
        default:
            break;
    }
    State.TickTotal += uint32_t(elapsed);
    if (State.Session.DebugMode) {
        std::string label = " " + std::to_string(State.CurrentItem);
        if (const CNovelItem* item = CurrentItemOrNull()) {
            label += ". " + item->Name;
        }
        DebugPanel.DebugLabel2.SetCaption(label);
    }
}

void TMainForm::Yield() {
    if (SkipMode) {
        Application.Clock().Sleep(0);
    }
}

const CNovelItem* TMainForm::CurrentItemOrNull() const {
    return State.Session.Items->ItemOrNull(State.CurrentItem);
}

// ----- Run modes -----

void TMainForm::SetRunMode(uint8_t mode) {
    platform::IDisplay& display = Application.Display();
    const auto hiddenOrDefault = [&] {
        display.SetCursor(display.IsFullScreen() ? platform::CursorKind::Hidden
                                                 : platform::CursorKind::Default);
    };
    const auto resetRenderer = [&] {
        const CNovelFileHeader& header = State.Header();
        TAntiAliasTextout& renderer = State.TextRenderer;
        renderer.Font = FontOf(State.Session.DefaultFont);
        renderer.Factor = 3;
        renderer.TextColor = header.DefaultTextColor;
        renderer.Decoration = header.TextDecoration == 0 ? 1 : 2;
        renderer.EdgeColor = header.DefaultEdgeColor;
    };
    switch (mode) {
        case RmTyping:
            State.RunMode = RmTyping;
            hiddenOrDefault();
            resetRenderer();
            break;
        case RmLinks: {
            State.RunMode = RmLinks;
            resetRenderer();
            const CNovelItem* item = CurrentItemOrNull();
            const uint8_t kind = item ? item->LinkKind : 255;
            if (kind == LinkMenu) {
                ChoicesBuilt = false;
                HoverChoice = 65535;
                State.PendingClick.Pending = false;
                display.SetCursor(platform::CursorKind::Default);
                PresentPage();
                PresentScreen();
            }
            if (kind == LinkMenu || State.Header().SkipSetting == 1) {
                SkipMode = false;
                SetTimerInterval(NormalTimerInterval);
            }
            break;
        }
        case RmClickWait:
            State.RunMode = RmClickWait;
            State.PendingClick.Pending = false;
            hiddenOrDefault();
            break;
        case RmTitle:
            hiddenOrDefault();
            State.RunMode = RmTitle;
            TitleFrame = 0;
            SkipMode = false;
            break;
        default:
            break;
    }
}

// ----- Presenting -----

void TMainForm::ApplyCursorRule() {
    platform::IDisplay& display = Application.Display();
    if (SkipMode) {
        display.SetCursor(platform::CursorKind::FastForward);
    } else if (display.IsFullScreen() && State.RunMode == RmTyping) {
        display.SetCursor(platform::CursorKind::Hidden);
    }
}

void TMainForm::PresentScreen() {
    Application.Invalidate();
    ApplyCursorRule();
}

void TMainForm::PresentRect(TRect rect) {
    // The loop hands the whole picture over once per turn; a rectangle that lies wholly outside
    // the picture changes nothing there.
    rect.Left = std::max(rect.Left, 0);
    rect.Top = std::max(rect.Top, 0);
    rect.Right = std::min(rect.Right, kCanvasWidth);
    rect.Bottom = std::min(rect.Bottom, kCanvasHeight);
    if (rect.Left < rect.Right && rect.Top < rect.Bottom) {
        Application.Invalidate();
    }
    ApplyCursorRule();
}

void TMainForm::PresentPage() {
    State.ScreenImage = State.NextFrameImage;
    State.PenPosition = TPoint{State.TextArea.Left, State.TextArea.Top};
    State.PageNumber += 1;
    TPageSnapshot& snapshot = State.PageSnapshot;
    snapshot.SnapshotMidi = State.CurrentMidiName;
    snapshot.SnapshotSound =
        SoundEngine && SoundEngine->IsPlaying("sound") ? State.CurrentSoundName : std::string();
    snapshot.SnapshotBgm = State.CurrentBgmName;
    snapshot.SnapshotCursor = State.TextCursor;
    snapshot.SnapshotCounters = State.Counters();
}

void TMainForm::ResetPageState() {
    State.CurrentBackgroundName.clear();
    State.CurrentMidiName.clear();
    State.CurrentSoundName.clear();
    TPageSnapshot& snapshot = State.PageSnapshot;
    snapshot.SnapshotBackground = State.CurrentBackgroundName;
    snapshot.SnapshotMidi = State.CurrentMidiName;
    snapshot.SnapshotSound = State.CurrentSoundName;
    snapshot.SnapshotBgm = State.CurrentBgmName;
}

// ----- Display modes -----

void TMainForm::EnterFullScreen() {
    platform::IDisplay& display = Application.Display();
    display.SetCursor(State.RunMode == RmLinks ? platform::CursorKind::Default
                                               : platform::CursorKind::Hidden);
    auto attempt = [&] {
        // A mode below high colour is no usable mode: the switch fails.
        return DisplayBitCount >= 15 && display.EnterFullScreen(platform::TDisplayMode{
                                            DisplayWidth, DisplayHeight, DisplayBitCount});
    };
    bool ok = attempt();
    if (!ok && DisplayBitCount > 16) {
        DisplayBitCount = 16;
        ok = attempt();
    }
    if (!ok) {
        Application.Messages().Show(Cp932("画面モードを変更できません。\r\n実行を中止します。"),
                                    Application.Title, platform::MsgIcon::Error,
                                    platform::MsgButtons::Ok);
        exitStatus_ = 1;
        Close();
        return;
    }
    Application.Invalidate();
}

void TMainForm::EnterWindowMode() {
    Application.Display().EnterWindowMode();
    Application.Display().SetCursor(platform::CursorKind::Default);
    Application.Invalidate();
}

// ----- Input -----

void TMainForm::MouseDown(ui::MouseButton button, uint8_t, int x, int y) {
    SkipMode = false;
    TPendingClick& click = State.PendingClick;
    if (!click.Pending) {
        click = TPendingClick{true, x, y, uint8_t(button)};
    }
}

void TMainForm::MouseMove(uint8_t, int x, int y) {
    State.MousePosition = TPoint{x, y};
}

void TMainForm::KeyDown(int& key, uint8_t shift) {
    // The desktop's own keys for full screen; Alt+Enter is not the Enter that reads on.
    if (key == platform::VkF11 || (key == platform::VkReturn && (shift & platform::SsAlt) != 0)) {
        ToggleDisplayMode();
        return;
    }
    switch (key) {
        case platform::VkEscape: {
            if (YesNoForm == nullptr) {
                return;
            }
            YesNoForm->Caption = Cp932("本を閉じる");
            YesNoForm->MessageLabel.SetCaption(Cp932("終了してよろしいですか？"));
            TTimerPause pause(*this);
            if (YesNoForm->ShowModal() == ui::mrOk) {
                Close();
            }
            return;
        }
        case platform::VkSpace:
        case platform::VkReturn:
            if (State.PendingClick.Pending) {
                return;
            }
            State.PendingClick = TPendingClick{true, 0, 0, 0};
            // Above the text area, so that a choice menu takes the key for nothing.
            State.MousePosition = TPoint{4, 4};
            Application.Display().WarpPointer(4, 4);
            SkipMode = false;
            return;
        default:
            break;
    }
    if (!State.Session.DebugMode) {
        return;
    }
    switch (key) {
        case platform::VkF5:
            if (State.Counters().Count > 0) {
                TTimerPause pause(*this);
                Services->ShowCounterEditor();
            }
            break;
        case platform::VkF6: {
            TTimerPause pause(*this);
            Services->ShowJumpForm();
            break;
        }
        case platform::VkF7:
            MidiDrive.Stop();
            FadeOutSoundTrack("sound");
            FadeOutSoundTrack("bgm");
            State.SpriteLayer.Clear();
            State.NextFrameImage = State.BackgroundImage;
            PresentPage();
            PresentScreen();
            break;
        case platform::VkF8:
            if (TransitionActive) {
                SkipTransition();
            }
            break;
        default:
            break;
    }
}

// ----- Closing -----

void TMainForm::Close() {
    if (!Closed) {
        FormClose();
    }
    Application.Terminate();
}

void TMainForm::FormClose() {
    Closed = true;
    MidiDrive.Stop();
    FadeOutSoundTrack("sound");
    FadeOutSoundTrack("bgm");
}

void TMainForm::FormDestroy() {
    Timer.SetEnabled(false);
    MidiTimer.SetEnabled(false);
    MidiDrive.Shutdown();
    SoundEngine.reset();
    DeleteSoundEngineFile();
}

}  // namespace tavri
