// Transitions of the main window: the effect is chosen and its pictures captured when the
// interpreter prepares it, and the timer then draws one step per tick until the new frame is
// complete. While one runs the timer ticks every millisecond and the scenario waits.

#include <algorithm>
#include <cstdint>
#include <string>

#include "graphics/CommandStrings.h"
#include "graphics/PresetFadeImage.h"
#include "graphics/TransitionChoice.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/NovelPath.h"
#include "platform/TextEncoding.h"
#include "run/RunMain.h"

namespace tavri {

namespace {

constexpr int16_t kPresetSoftness = 24;
constexpr int32_t kFullLevel = 100;

// Made once, on first use: the masks come from fixed formulas and never change.
const TPresetFadeImageForm& PresetFadeImages() {
    static const TPresetFadeImageForm form;
    return form;
}

bool IsPresetMask(int32_t effect) {
    return effect >= kEffectBlind && effect <= kEffectCrossLine && effect != kEffectBlend;
}

// The name's own variants (".PNG", ".BMP") are tried by the lookup itself.
bool MaskExists(const std::string& name, const TMediaSource& media) {
    return LookupPicture(name, media).Found();
}

// A cp932 novel name as a native relative path, for the message that names where the mask was
// expected.
std::string NativeRelative(const std::string& cp932Name) {
    std::string path;
    for (size_t pos = 0; pos < cp932Name.size();) {
        const size_t length = platform::CharLength(cp932Name, pos);
        if (length == 1 && cp932Name[pos] == '\\') {
            path += '/';
        } else {
            path += platform::Cp932ToUtf8(cp932Name.substr(pos, length));
        }
        pos += length;
    }
    return path;
}

}  // namespace

void TMainForm::LoadCustomMask() {
    const std::string name = "trans\\" + CustomMaskName;
    const TNovelSession& session = State.Session;
    const TMediaSource besideProgram{State.Media.Package,
                                     platform::NativeFolderOf(session.ExecutablePath),
                                     State.Media.Messages};
    if (MaskExists(name, besideProgram)) {
        Effector.LoadMaskFile(name, besideProgram);
        return;
    }
    const TMediaSource besideData{nullptr, session.DataFolder, State.Media.Messages};
    if (MaskExists(name, besideData)) {
        Effector.LoadMaskFile(name, besideData);
        return;
    }
    // The mask keeps what it held, and the wipe still runs with it.
    const std::string expected = besideProgram.Folder + NativeRelative(name);
    Application.Messages().Show(platform::Cp932("ファイル ") + platform::Utf8ToCp932(expected) +
                                    platform::Cp932(" がありません."),
                                platform::Cp932("画像ファイル読み込みエラー"),
                                platform::MsgIcon::Error, platform::MsgButtons::Ok);
    Effector.Prepare();
    Effector.Restart();
}

void TMainForm::PrepareTransition(const std::string& effect, const std::string& parameter,
                                  const std::string& duration) {
    const CNovelFileHeader& header = State.Header();
    // Words that are not numbers stop here, before anything changes.
    const TTransitionChoice choice =
        ChooseTransition(effect, parameter, duration, header.DefaultTransitionName,
                         header.DefaultTransitionDuration);
    TransitionEffect = choice.Effect;
    if (choice.CustomMaskNamed) {
        CustomMaskName = choice.CustomMaskName;
    }
    TransitionParameter = choice.Parameter;
    TransitionDuration = choice.Duration;
    State.PreviousFrameImage.Assign(State.ScreenImage);

    // The window's creation sets these; a transition prepared before it must not step on null.
    if (Effector.Target == nullptr) {
        Effector.Target = &State.ScreenImage;
    }
    if (Effector.OldImage == nullptr) {
        Effector.OldImage = &State.PreviousFrameImage;
    }
    if (Effector.NewImage == nullptr) {
        Effector.NewImage = &State.NextFrameImage;
    }
    Effector.Softness = kPresetSoftness;

    if (TransitionEffect == kEffectNone || TransitionEffect == kEffectBlend) {
        return;
    }
    if (IsPresetMask(TransitionEffect)) {
        Effector.SetMaskGraphic(
            *PresetFadeImages().GetPresetFadeImage(TransitionEffect, TransitionParameter));
        return;
    }
    try {
        LoadCustomMask();
    } catch (const EDibError& refused) {
        // A mask of the wrong size cannot run; the new picture is shown at once instead of
        // staying unseen until the next page.
        Application.ShowException(refused);
        TransitionEffect = kEffectNone;
        return;
    }
    // For a custom mask the parameter is the width of the soft edge.
    Effector.Softness = int16_t(TransitionParameter);
}

void TMainForm::PrepareDefaultTransition() {
    const CNovelFileHeader& header = State.Header();
    PrepareTransition(header.DefaultTransitionName,
                      std::to_string(header.DefaultTransitionParameter),
                      std::to_string(header.DefaultTransitionDuration));
}

void TMainForm::BeginTransition() {
    TransitionActive = true;
    TransitionTickCount = 0;
}

void TMainForm::TransitionTick() {
    TRunCommon& state = State;
    if (TransitionEffect == kEffectNone) {
        state.ScreenImage.Assign(state.NextFrameImage);
        PresentScreen();
        TransitionActive = false;
        return;
    }
    if (TransitionEffect == kEffectBlend) {
        if (TransitionTickCount == 0) {
            SetTimerInterval(1);
            BlendStartTime = Application.Clock().Now();
            // Text typed since the preparation belongs to the old frame too.
            state.PreviousFrameImage.Assign(state.ScreenImage);
            Dib.DibBlendInit(state.NextFrameImage, state.PreviousFrameImage);
        }
        // A duration below 1 ms is an immediate change rather than a division by zero.
        int64_t level = kFullLevel;
        if (TransitionDuration >= 1) {
            const uint32_t elapsed = Application.Clock().Now() - BlendStartTime;
            level = std::min<int64_t>(int64_t(elapsed) * 100 / TransitionDuration, kFullLevel);
        }
        Dib.DibBlend(state.NextFrameImage, state.PreviousFrameImage, state.ScreenImage,
                     int16_t(level));
        PresentScreen();
        ++TransitionTickCount;
        if (level >= kFullLevel) {
            TransitionActive = false;
            SetTimerInterval(NormalTimerInterval);
        }
        return;
    }
    if (TransitionTickCount == 0) {
        SetTimerInterval(1);
        Effector.Duration = TransitionDuration;
        // The wipe's clock starts at its first tick, not at its preparation.
        Effector.Restart();
    }
    if (Effector.Step()) {
        TransitionActive = false;
        SetTimerInterval(NormalTimerInterval);
    } else {
        ++TransitionTickCount;
    }
    PresentScreen();
}

void TMainForm::SkipTransition() {
    if (!TransitionActive) {
        return;
    }
    TransitionActive = false;
    SetTimerInterval(NormalTimerInterval);
    PresentPage();
    PresentScreen();
}

}  // namespace tavri
