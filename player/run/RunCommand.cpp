// The dot-commands: a flat table of names, each with the fewest words it needs. A command given
// fewer words does nothing at all, so a half-written line in a scenario never half-runs.

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "base/Convert.h"
#include "graphics/DIBTools.h"
#include "platform/MessageBox.h"
#include "platform/TextEncoding.h"
#include "run/RunMain.h"
#include "scenario/CommandParser.h"

namespace tavri {

namespace {

using platform::Cp932;

int32_t IntWord(const TCommandWords& words, int index) {
    return StrToInt(words[index]);
}

// Three words red, green and blue. Out-of-range words wrap into the other components rather
// than overflow, as the packed value always did.
TColor ColourWords(const TCommandWords& words, int first) {
    const uint32_t red = uint32_t(IntWord(words, first));
    const uint32_t green = uint32_t(IntWord(words, first + 1));
    const uint32_t blue = uint32_t(IntWord(words, first + 2));
    return TColor(red + green * 256u + blue * 65536u);
}

// Presenting the page clears the typed text from the screen.
void PresentWholePage(TMainForm& form) {
    form.PresentPage();
    form.PresentScreen();
}

void Compose(TMainForm& form) {
    TRunCommon& state = form.State;
    state.NextFrameImage.Assign(state.BackgroundImage);
    state.SpriteLayer.Draw(state.NextFrameImage);
}

// Sprite commands use the header's second set of defaults, so characters can come and go with a
// lighter effect than a change of scene.
void CharacterTransition(TMainForm& form) {
    TRunCommon& state = form.State;
    const CNovelFileHeader& header = state.Header();
    state.PenPosition = {state.TextArea.Left, state.TextArea.Top};
    form.PrepareTransition(header.CharTransitionName,
                           std::to_string(header.CharTransitionParameter),
                           std::to_string(header.CharTransitionDuration));
    form.BeginTransition();
    state.SnapshotSprites.Assign(state.SpriteLayer);
}

// ----- Counters -----

// The counter named by word 1, or null after telling the author it does not exist.
TNovelCounter* CounterOrMessage(TMainForm& form, const TCommandWords& words,
                                const char* commandCaption) {
    CNovelCounters& counters = form.State.Counters();
    const std::string& name = words[1];
    const int index = counters.IndexOf(name);
    if (index < 0) {
        form.Application.Messages().Show(
            "\"" + name + "\"" + Cp932("というカウンタは存在しません."),
            Cp932(std::string(commandCaption) + " エラー"), platform::MsgIcon::Error,
            platform::MsgButtons::Ok);
        return nullptr;
    }
    return &counters.Entries[size_t(index)];
}

// Maximum first, then Minimum, so that a counter whose Minimum lies above its Maximum settles
// on Minimum.
void StoreClamped(TNovelCounter& counter, int32_t value) {
    if (value > counter.Maximum) {
        value = counter.Maximum;
    }
    if (value < counter.Minimum) {
        value = counter.Minimum;
    }
    counter.Value = value;
}

// Scenario arithmetic wraps at 32 bits, as it always has; unsigned addition keeps that defined.
int32_t WrappingAdd(int32_t a, int32_t b) {
    return int32_t(uint32_t(a) + uint32_t(b));
}

// Bounds may come in either order; the span is taken in 64 bits, since hi − lo of two wide
// bounds does not fit 32.
int32_t RandomBetween(TMainForm& form, int32_t a, int32_t b) {
    const int64_t lo = std::min(a, b), hi = std::max(a, b);
    std::uniform_int_distribution<int64_t> draw(0, hi - lo);
    return int32_t(lo + draw(form.State.Session.Random));
}

}  // namespace

// The handlers see the window's state as its own units do.
struct TCommandHandlers {
    static void CounterSet(TMainForm& form, const TCommandWords& words) {
        if (TNovelCounter* counter = CounterOrMessage(form, words, ".CounterSet")) {
            StoreClamped(*counter, IntWord(words, 2));
        }
    }

    static void CounterPlus(TMainForm& form, const TCommandWords& words) {
        if (TNovelCounter* counter = CounterOrMessage(form, words, ".CounterPlus")) {
            StoreClamped(*counter, WrappingAdd(counter->Value, IntWord(words, 2)));
        }
    }

    static void CounterRndSet(TMainForm& form, const TCommandWords& words) {
        if (TNovelCounter* counter = CounterOrMessage(form, words, ".CounterRndSet")) {
            const int32_t a = IntWord(words, 2), b = IntWord(words, 3);
            StoreClamped(*counter, RandomBetween(form, a, b));
        }
    }

    static void CounterRndPlus(TMainForm& form, const TCommandWords& words) {
        if (TNovelCounter* counter = CounterOrMessage(form, words, ".CounterRndPlus")) {
            const int32_t a = IntWord(words, 2), b = IntWord(words, 3);
            StoreClamped(*counter, WrappingAdd(counter->Value, RandomBetween(form, a, b)));
        }
    }

    // ----- Pages and pictures -----

    static void NextPage(TMainForm& form, const TCommandWords&) {
        form.Yield();
        PresentWholePage(form);
    }

    // The word is converted even when it is missing, so a bare ".WAIT" is reported, not ignored.
    static void Wait(TMainForm& form, const TCommandWords& words) {
        form.WaitDuration = IntWord(words, 1);
        form.WaitElapsed = 0;
        form.Waiting = true;
    }

    static void GraphLoad(TMainForm& form, const TCommandWords& words) {
        form.Yield();
        form.PresentPage();
        form.State.LoadBackground(words[1]);
        // With more than five words nothing is prepared, and the last effect runs again.
        switch (words.Count) {
            case 2:
                form.PrepareDefaultTransition();
                break;
            case 3:
                form.PrepareTransition(words[2]);
                break;
            case 4:
                form.PrepareTransition(words[2], words[3]);
                break;
            case 5:
                form.PrepareTransition(words[2], words[3], words[4]);
                break;
            default:
                break;
        }
        form.BeginTransition();
    }

    static void GraphFill(TMainForm& form, const TCommandWords& words) {
        form.Yield();
        form.PresentPage();
        TRunCommon& state = form.State;
        const TColor colour = ColourWords(words, 1);
        const int32_t opacity = words.Count >= 5 ? IntWord(words, 4) : 100;
        // The blend takes a 16-bit level that it caps at 100; saturating first keeps a large
        // percentage from wrapping round to a faint or empty wash.
        DibFillBlend(state.BackgroundImage, {0, 0, kCanvasWidth, kCanvasHeight}, colour,
                     int16_t(std::clamp(opacity, 0, 100)));
        Compose(form);
        switch (words.Count) {
            case 6:
                form.PrepareTransition(words[5]);
                break;
            case 7:
                form.PrepareTransition(words[5], words[6]);
                break;
            case 8:
                form.PrepareTransition(words[5], words[6], words[7]);
                break;
            default:
                form.PrepareDefaultTransition();
                break;
        }
        form.BeginTransition();
    }

    static void CharSet(TMainForm& form, const TCommandWords& words) {
        form.Yield();
        PresentWholePage(form);
        form.State.SpriteLayer.SetSpriteAligned(words[1], words[2], words[3], words[4]);
        Compose(form);
        CharacterTransition(form);
    }

    // Without a name only the typed text goes; there is no sprite to take away.
    static void CharDelete(TMainForm& form, const TCommandWords& words) {
        form.Yield();
        PresentWholePage(form);
        if (words.Count >= 2) {
            form.State.SpriteLayer.DeleteSprite(words[1]);
            Compose(form);
            CharacterTransition(form);
        }
    }

    static void CharClear(TMainForm& form, const TCommandWords&) {
        form.Yield();
        PresentWholePage(form);
        form.State.SpriteLayer.Clear();
        Compose(form);
        CharacterTransition(form);
    }

    // ----- Music and sound -----

    static void MidiPlay(TMainForm& form, const TCommandWords& words) {
        form.State.CurrentMidiName = words[1];
        form.PlayMidi(words[1], true);
    }

    static void MidiStop(TMainForm& form, const TCommandWords&) {
        form.State.CurrentMidiName.clear();
        form.MidiDrive.Stop();
    }

    static void MidiFadeOut(TMainForm& form, const TCommandWords& words) {
        form.State.CurrentMidiName.clear();
        form.MidiDrive.FadeOut(IntWord(words, 1));
    }

    static void BgmPlay(TMainForm& form, const TCommandWords& words) {
        form.State.CurrentBgmName = words[1];
        if (form.SoundEngine) {
            form.SoundEngine->SetLooping("bgm", -1);
        }
        const int32_t fadeIn = words.Count >= 3 ? IntWord(words, 2) : 0;
        form.PlaySoundTrack("bgm", words[1], fadeIn);
    }

    static void BgmStop(TMainForm& form, const TCommandWords&) {
        form.State.CurrentBgmName.clear();
        form.FadeOutSoundTrack("bgm");
    }

    static void BgmFadeOut(TMainForm& form, const TCommandWords& words) {
        form.State.CurrentBgmName.clear();
        const int32_t ms = IntWord(words, 1);
        if (form.SoundEngine) {
            form.SoundEngine->FadeOut("bgm", ms);
        }
    }

    // The "sound" track never loops: effects play once.
    static void SoundPlay(TMainForm& form, const TCommandWords& words) {
        form.State.CurrentSoundName = words[1];
        form.PlaySoundTrack("sound", words[1], 0);
    }

    static void SoundStop(TMainForm& form, const TCommandWords&) {
        form.State.CurrentSoundName.clear();
        form.FadeOutSoundTrack("sound");
    }

    // ----- Text font -----
    // These last only until the renderer is reset by the next change of run mode.

    static void FontType(TMainForm& form, const TCommandWords& words) {
        TFont& font = form.State.TextRenderer.Font;
        const std::string kind = platform::AnsiUpperCase(words[1]);
        if (kind == "GOTHIC") {
            font.Face = Cp932("ＭＳ Ｐゴシック");
            font.Bold = false;
            font.Italic = false;
        } else if (kind == "MINCHO") {
            font.Face = Cp932("ＭＳ Ｐ明朝");
            font.Bold = true;
            font.Italic = false;
        }
    }

    static void FontSize(TMainForm& form, const TCommandWords& words) {
        form.State.TextRenderer.Font.Height = FontHeightForSize(IntWord(words, 1));
    }

    static void FontColor(TMainForm& form, const TCommandWords& words) {
        form.State.TextRenderer.TextColor = ColourWords(words, 1);
    }

    static void FontDefault(TMainForm& form, const TCommandWords&) {
        TRunCommon& state = form.State;
        // The header's size went through the same cap as a command's when the novel was loaded.
        state.TextRenderer.Font = FontOf(state.Session.DefaultFont);
        state.TextRenderer.TextColor = state.Header().DefaultTextColor;
    }
};

namespace {

struct TCommand {
    const char* Name;
    int MinWords;
    void (*Run)(TMainForm&, const TCommandWords&);
};

// Compared in this order; the first equal name runs.
constexpr std::array<TCommand, 23> kCommands{{
    {".NEXTPAGE", 1, &TCommandHandlers::NextPage},
    {".WAIT", 1, &TCommandHandlers::Wait},
    {".GRAPHLOAD", 2, &TCommandHandlers::GraphLoad},
    {".GRAPHFILL", 4, &TCommandHandlers::GraphFill},
    {".CHARSET", 5, &TCommandHandlers::CharSet},
    {".CHARDELETE", 1, &TCommandHandlers::CharDelete},
    {".CHARCLEAR", 1, &TCommandHandlers::CharClear},
    {".MIDIPLAY", 2, &TCommandHandlers::MidiPlay},
    {".MIDISTOP", 1, &TCommandHandlers::MidiStop},
    {".MIDIFADEOUT", 2, &TCommandHandlers::MidiFadeOut},
    {".BGMPLAY", 2, &TCommandHandlers::BgmPlay},
    {".BGMSTOP", 1, &TCommandHandlers::BgmStop},
    {".BGMFADEOUT", 2, &TCommandHandlers::BgmFadeOut},
    {".SOUNDPLAY", 2, &TCommandHandlers::SoundPlay},
    {".SOUNDSTOP", 1, &TCommandHandlers::SoundStop},
    {".COUNTERSET", 3, &TCommandHandlers::CounterSet},
    {".COUNTERPLUS", 3, &TCommandHandlers::CounterPlus},
    {".COUNTERRNDSET", 4, &TCommandHandlers::CounterRndSet},
    {".COUNTERRNDPLUS", 4, &TCommandHandlers::CounterRndPlus},
    {".FONTTYPE", 2, &TCommandHandlers::FontType},
    {".FONTSIZE", 2, &TCommandHandlers::FontSize},
    {".FONTCOLOR", 4, &TCommandHandlers::FontColor},
    {".FONTDEFAULT", 1, &TCommandHandlers::FontDefault},
}};

}  // namespace

TCommandWords TMainForm::ParseCommandLine(const std::string& line) {
    std::vector<std::string> split;
    SplitCommand(line, split);
    TCommandWords words;
    words.Count = int32_t(std::min<size_t>(split.size(), TCommandWords::kMaxWords));
    std::move(split.begin(), split.begin() + words.Count, words.Words.begin());
    return words;
}

// Unknown names are ignored without a word: a scenario may carry commands of other players.
void TMainForm::ExecuteCommand(TCommandWords words) {
    words.Words[0] = platform::AnsiUpperCase(words.Words[0]);
    for (const TCommand& command : kCommands) {
        if (words[0] == command.Name) {
            if (words.Count >= command.MinWords) {
                command.Run(*this, words);
            }
            return;
        }
    }
}

void TMainForm::RunCommandLine(const std::string& line) {
    ExecuteCommand(ParseCommandLine(line));
}

}  // namespace tavri
