// The opening and title sequence, one frame per tick of the main timer: the logo with the
// runtime's version, its fade-out, the title, and the click that starts a reading.

#include "graphics/Canvas.h"
#include "graphics/CanvasText.h"
#include "platform/TextEncoding.h"
#include "run/RunMain.h"

namespace tavri {

using platform::Cp932;

namespace {

constexpr TRect kWholeScreen{0, 0, kCanvasWidth, kCanvasHeight};

}  // namespace

// Shown once: an error escaping the tick would leave TitleFrame where it is, and the same
// frame, with the same message, would come round again on every tick.
void TMainForm::PlayTitleMidi(const std::string& name, bool loop) {
    try {
        PlayMidi(name, loop);
    } catch (const std::exception& error) {
        Application.ShowException(error);
    }
}

void TMainForm::TitleTick() {
    const CNovelFileHeader& header = State.Header();
    switch (TitleFrame) {
        case 0: {  // the logo
            MidiDrive.Stop();
            FadeOutSoundTrack("bgm");
            FadeOutSoundTrack("sound");
            State.SpriteLayer.Clear();
            SetTimerInterval(20);
            FillRect(State.NextFrameImage, kWholeScreen, 0);
            if (!header.LogoImage.empty()) {
                State.LoadBackground(header.LogoImage);
            }
            if (!PowerdByImage.Empty()) {
                if (PowerdByMask.Width() == PowerdByImage.Width() &&
                    PowerdByMask.Height() == PowerdByImage.Height()) {
                    DibDrawAlphaMask(PowerdByImage, PowerdByMask, State.NextFrameImage,
                                     kWholeScreen, 360, 410);
                } else {
                    DrawImage(State.NextFrameImage, 360, 410, PowerdByImage);
                }
            }
            TAntiAliasTextout& renderer = State.TextRenderer;
            renderer.Target = &State.NextFrameImage;
            renderer.AntiAlias = true;
            renderer.Factor = 3;
            renderer.Decoration = 1;
            renderer.EdgeColor = 0x6D9EE2;
            renderer.Font = TFont{};
            renderer.Font.Face = "Arial";
            renderer.Font.Height = -18;
            renderer.TextColor = RGB(255, 255, 255);
            const int width = renderer.MeasureText(kRuntimeVersion).Width;
            renderer.TextOut(636 - width, 418, kRuntimeVersion);
            NormalTimerInterval = header.TextSpeed;
            PrepareDefaultTransition();
            BeginTransition();
            if (!header.LogoMidi.empty()) {
                PlayTitleMidi(header.LogoMidi, false);
            }
            if (!header.LogoSound.empty()) {
                RunCommandLine(QuotedCommand(".SoundPlay", header.LogoSound));
            }
            break;
        }
        case 1:
            SetTimerInterval(20);
            break;
        case 120:  // the logo fades out
            FillRect(State.NextFrameImage, kWholeScreen, 0);
            PrepareDefaultTransition();
            BeginTransition();
            break;
        case 140: {  // the title
            FadeOutSoundTrack("sound");
            FillRect(State.NextFrameImage, kWholeScreen, 0);
            if (header.TitleImage.empty()) {
                TFont font;
                font.Face = Cp932("ＭＳ Ｐゴシック");
                font.Height = FontHeightForPoints(-24);
                const std::string start = Cp932("クリックでスタート");
                const auto centred = [&](const std::string& text, int y) {
                    const int x = 320 - TextExtent(font, text).Width / 2;
                    CanvasTextOut(State.NextFrameImage, x, y, text, font, RGB(255, 255, 255));
                };
                centred(header.NovelTitle, 200);
                centred(start, 240);
            } else {
                State.LoadBackground(header.TitleImage);
            }
            PrepareDefaultTransition();
            BeginTransition();
            if (!header.TitleMidi.empty()) {
                PlayTitleMidi(header.TitleMidi, true);
            }
            if (!header.TitleBgm.empty()) {
                RunCommandLine(QuotedCommand(".BGMPlay", header.TitleBgm));
            }
            break;
        }
        case kTitleClickFrame:  // clicks during the logo do not start the novel
            State.PendingClick.Pending = false;
            break;
        default:
            if (TitleFrame > kTitleClickFrame && State.PendingClick.Pending) {
                SetTimerInterval(NormalTimerInterval);
                MidiDrive.Stop();
                RunCommandLine(".BGMFadeout 3000");
                State.PendingClick.Pending = false;
                if (header.BookmarkMode == BmNoBookmarks) {
                    StartFromBeginning();
                } else if (header.BookmarkMode == BmTitleAndEnding) {
                    TTimerPause pause(*this);
                    Services->ShowBookmarkScreen(Cp932("しおりから読む"), false);
                } else {
                    // Any other mode starts over as the bookmark screen's start-over does, so
                    // that such a novel can be read at all.
                    StartNewReading();
                }
            }
            break;
    }
    // Stops counting past the title, so that it never wraps back to the logo.
    if (TitleFrame <= kTitleClickFrame) {
        ++TitleFrame;
    }
}

}  // namespace tavri
