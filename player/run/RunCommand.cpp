// The dot-commands: a flat table of names, each with the fewest words it needs. A command given
// fewer words does nothing at all, so a half-written line in a scenario never half-runs.

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "graphics/DIBTools.h"
#include "platform/MessageBox.h"
#include "platform/TextEncoding.h"
#include "run/Convert.h"
#include "run/RunMain.h"
#include "scenario/CommandParser.h"

namespace tavri {

namespace {

using platform::Cp932;

constexpr int kMaxCommandWords = 8;

const std::string& Word(const TMainForm& form, int index) {
    return form.CommandWords[size_t(index)];
}

int32_t IntWord(const TMainForm& form, int index) {
    return StrToInt(Word(form, index));
}

// Three words red, green and blue. Out-of-range words wrap into the other components rather
// than overflow, as the packed value always did.
TColor ColourWords(const TMainForm& form, int first) {
    const uint32_t red = uint32_t(IntWord(form, first));
    const uint32_t green = uint32_t(IntWord(form, first + 1));
    const uint32_t blue = uint32_t(IntWord(form, first + 2));
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
TNovelCounter* CounterOrMessage(TMainForm& form, const char* commandCaption) {
    CNovelCounters& counters = form.State.Counters();
    const std::string& name = Word(form, 1);
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

void CounterSet(TMainForm& form) {
    if (TNovelCounter* counter = CounterOrMessage(form, ".CounterSet")) {
        StoreClamped(*counter, IntWord(form, 2));
    }
}

void CounterPlus(TMainForm& form) {
    if (TNovelCounter* counter = CounterOrMessage(form, ".CounterPlus")) {
        StoreClamped(*counter, WrappingAdd(counter->Value, IntWord(form, 2)));
    }
}

void CounterRndSet(TMainForm& form) {
    if (TNovelCounter* counter = CounterOrMessage(form, ".CounterRndSet")) {
        const int32_t a = IntWord(form, 2), b = IntWord(form, 3);
        StoreClamped(*counter, RandomBetween(form, a, b));
    }
}

void CounterRndPlus(TMainForm& form) {
    if (TNovelCounter* counter = CounterOrMessage(form, ".CounterRndPlus")) {
        const int32_t a = IntWord(form, 2), b = IntWord(form, 3);
        StoreClamped(*counter, WrappingAdd(counter->Value, RandomBetween(form, a, b)));
    }
}

// ----- Pages and pictures -----

void NextPage(TMainForm& form) {
    form.Yield();
    PresentWholePage(form);
}

// The word is converted even when it is missing, so a bare ".WAIT" is reported, not ignored.
void Wait(TMainForm& form) {
    form.WaitDuration = IntWord(form, 1);
    form.WaitElapsed = 0;
    form.Waiting = true;
}

void GraphLoad(TMainForm& form) {
    form.Yield();
    form.PresentPage();
    form.State.LoadBackground(Word(form, 1));
    // With more than five words nothing is prepared, and the last effect runs again.
    switch (form.CommandWordCount) {
        case 2:
            form.PrepareDefaultTransition();
            break;
        case 3:
            form.PrepareTransition(Word(form, 2));
            break;
        case 4:
            form.PrepareTransition(Word(form, 2), Word(form, 3));
            break;
        case 5:
            form.PrepareTransition(Word(form, 2), Word(form, 3), Word(form, 4));
            break;
        default:
            break;
    }
    form.BeginTransition();
}

void GraphFill(TMainForm& form) {
    form.Yield();
    form.PresentPage();
    TRunCommon& state = form.State;
    const TColor colour = ColourWords(form, 1);
    const int32_t opacity = form.CommandWordCount >= 5 ? IntWord(form, 4) : 100;
    // The blend takes a 16-bit level that it caps at 100; saturating first keeps a large
    // percentage from wrapping round to a faint or empty wash.
    DibFillBlend(state.BackgroundImage, {0, 0, kScreenWidth, kScreenHeight}, colour,
                 int16_t(std::clamp(opacity, 0, 100)));
    Compose(form);
    switch (form.CommandWordCount) {
        case 6:
            form.PrepareTransition(Word(form, 5));
            break;
        case 7:
            form.PrepareTransition(Word(form, 5), Word(form, 6));
            break;
        case 8:
            form.PrepareTransition(Word(form, 5), Word(form, 6), Word(form, 7));
            break;
        default:
            form.PrepareDefaultTransition();
            break;
    }
    form.BeginTransition();
}

void CharSet(TMainForm& form) {
    form.Yield();
    PresentWholePage(form);
    form.State.SpriteLayer.SetSpriteAligned(Word(form, 1), Word(form, 2), Word(form, 3),
                                            Word(form, 4));
    Compose(form);
    CharacterTransition(form);
}

// Without a name only the typed text goes; there is no sprite to take away.
void CharDelete(TMainForm& form) {
    form.Yield();
    PresentWholePage(form);
    if (form.CommandWordCount >= 2) {
        form.State.SpriteLayer.DeleteSprite(Word(form, 1));
        Compose(form);
        CharacterTransition(form);
    }
}

void CharClear(TMainForm& form) {
    form.Yield();
    PresentWholePage(form);
    form.State.SpriteLayer.Clear();
    Compose(form);
    CharacterTransition(form);
}

// ----- Music and sound -----

void MidiPlay(TMainForm& form) {
    form.State.CurrentMidiName = Word(form, 1);
    form.PlayMidi(Word(form, 1), true);
}

void MidiStop(TMainForm& form) {
    form.State.CurrentMidiName.clear();
    form.MidiDrive.Stop();
}

void MidiFadeOut(TMainForm& form) {
    form.State.CurrentMidiName.clear();
    form.MidiDrive.FadeOut(IntWord(form, 1));
}

void BgmPlay(TMainForm& form) {
    form.State.CurrentBgmName = Word(form, 1);
    if (form.SoundEngine) {
        form.SoundEngine->SetLooping("bgm", -1);
    }
    const int32_t fadeIn = form.CommandWordCount >= 3 ? IntWord(form, 2) : 0;
    form.PlaySoundTrack("bgm", Word(form, 1), fadeIn);
}

void BgmStop(TMainForm& form) {
    form.State.CurrentBgmName.clear();
    form.FadeOutSoundTrack("bgm");
}

void BgmFadeOut(TMainForm& form) {
    form.State.CurrentBgmName.clear();
    const int32_t ms = IntWord(form, 1);
    if (form.SoundEngine) {
        form.SoundEngine->FadeOut("bgm", ms);
    }
}

// The "sound" track never loops: effects play once.
void SoundPlay(TMainForm& form) {
    form.State.CurrentSoundName = Word(form, 1);
    form.PlaySoundTrack("sound", Word(form, 1), 0);
}

void SoundStop(TMainForm& form) {
    form.State.CurrentSoundName.clear();
    form.FadeOutSoundTrack("sound");
}

// ----- Text font -----
// These last only until the renderer is reset by the next change of run mode.

void FontType(TMainForm& form) {
    TFont& font = form.State.TextRenderer.Font;
    const std::string kind = platform::AnsiUpperCase(Word(form, 1));
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

void FontSize(TMainForm& form) {
    form.State.TextRenderer.Font.Height = FontHeightForSize(IntWord(form, 1));
}

void FontColor(TMainForm& form) {
    form.State.TextRenderer.TextColor = ColourWords(form, 1);
}

void FontDefault(TMainForm& form) {
    TRunCommon& state = form.State;
    // The header's size went through the same cap as a command's when the novel was loaded.
    state.TextRenderer.Font = FontOf(state.Session.DefaultFont);
    state.TextRenderer.TextColor = state.Header().DefaultTextColor;
}

struct TCommand {
    const char* Name;
    int MinWords;
    void (*Run)(TMainForm&);
};

// Compared in this order; the first equal name runs.
constexpr std::array<TCommand, 23> kCommands{{
    {".NEXTPAGE", 1, NextPage},
    {".WAIT", 1, Wait},
    {".GRAPHLOAD", 2, GraphLoad},
    {".GRAPHFILL", 4, GraphFill},
    {".CHARSET", 5, CharSet},
    {".CHARDELETE", 1, CharDelete},
    {".CHARCLEAR", 1, CharClear},
    {".MIDIPLAY", 2, MidiPlay},
    {".MIDISTOP", 1, MidiStop},
    {".MIDIFADEOUT", 2, MidiFadeOut},
    {".BGMPLAY", 2, BgmPlay},
    {".BGMSTOP", 1, BgmStop},
    {".BGMFADEOUT", 2, BgmFadeOut},
    {".SOUNDPLAY", 2, SoundPlay},
    {".SOUNDSTOP", 1, SoundStop},
    {".COUNTERSET", 3, CounterSet},
    {".COUNTERPLUS", 3, CounterPlus},
    {".COUNTERRNDSET", 4, CounterRndSet},
    {".COUNTERRNDPLUS", 4, CounterRndPlus},
    {".FONTTYPE", 2, FontType},
    {".FONTSIZE", 2, FontSize},
    {".FONTCOLOR", 4, FontColor},
    {".FONTDEFAULT", 1, FontDefault},
}};

}  // namespace

void TMainForm::ParseCommandLine(const std::string& line) {
    std::vector<std::string> words;
    SplitCommand(line, words);
    for (std::string& word : CommandWords) {
        word.clear();
    }
    CommandWordCount = int32_t(std::min<size_t>(words.size(), kMaxCommandWords));
    std::copy_n(words.begin(), CommandWordCount, CommandWords.begin());
}

// Unknown names are ignored without a word: a scenario may carry commands of other players.
void TMainForm::ExecuteCommand() {
    CommandWords[0] = platform::AnsiUpperCase(CommandWords[0]);
    for (const TCommand& command : kCommands) {
        if (CommandWords[0] == command.Name) {
            if (CommandWordCount >= command.MinWords) {
                command.Run(*this);
            }
            return;
        }
    }
}

void TMainForm::RunCommandLine(const std::string& line) {
    ParseCommandLine(line);
    ExecuteCommand();
}

}  // namespace tavri
