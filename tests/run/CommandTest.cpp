// The dot-commands, run one line at a time on a headless main window: word splitting, the
// fewest words each command needs, counters and their messages, fonts, music names, and which
// transition the picture commands prepare.

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "base/Convert.h"
#include "graphics/CommandStrings.h"
#include "graphics/DIBTools.h"
#include "graphics/PictureEncode.h"
#include "graphics/TestBitmaps.h"
#include "midi/SmfWriter.h"
#include "platform/TextEncoding.h"
#include "run/RunFixture.h"

namespace tavri::test {
namespace {

using platform::Cp932;

constexpr TColor kBlue = RGB(0, 0, 255);
constexpr TColor kRed = RGB(255, 0, 0);

const char* const kSource = R"(
[header]
NovelTitle = "Commands"
StartItemName = "start"
DefaultTransitionName = "NONE"
DefaultTransitionDuration = 400
CharTransitionName = "BLEND"
CharTransitionParameter = 0
CharTransitionDuration = 300
FontSize = 22
DefaultTextColor = 0x00FF00

[counter "score"]
Value = 10
Minimum = 0
Maximum = 100

[counter "upside"]
Value = 30
Minimum = 50
Maximum = 20

[counter "wide"]
Value = 2147483647
Minimum = -2147483648
Maximum = 2147483647

[item "start"]
Text:
| hello
)";

// The top-left pixel may differ: a sprite's top-left pixel is its transparent colour.
std::vector<uint8_t> Plain(int width, int height, TColor colour, TColor corner) {
    TImage image = Filled(width, height, colour);
    image.SetPixel(0, 0, corner);
    return EncodePngRgb(image);
}

std::vector<uint8_t> Plain(int width, int height, TColor colour) {
    return Plain(width, height, colour, colour);
}

struct CommandTest : ::testing::Test {
    RunFixture f{kSource, {{"bg/a.png", Plain(640, 480, kBlue)}}};
    TMainForm& main = *f.main;
    TRunCommon& state = *f.state;

    void Run(const std::string& line) { main.RunCommandLine(line); }
    int32_t Value(const char* counter) {
        return state.Counters().Entries[size_t(state.Counters().IndexOf(counter))].Value;
    }
};

TEST_F(CommandTest, ParseKeepsEightWordsAndClearsTheRest) {
    const TCommandWords words = TMainForm::ParseCommandLine(".a b \"c d\" e,f g h i j");
    EXPECT_EQ(words.Count, 8);
    const std::vector<std::string> expected{".a", "b", "c d", "e", "f", "g", "h", "i"};
    EXPECT_EQ(std::vector<std::string>(words.Words.begin(), words.Words.end()), expected);
    const TCommandWords one = TMainForm::ParseCommandLine(".x");
    EXPECT_EQ(one.Count, 1);
    EXPECT_EQ(one[0], ".x");
    for (int i = 1; i < TCommandWords::kMaxWords; ++i) {
        EXPECT_TRUE(one[i].empty()) << i;
    }
}

TEST_F(CommandTest, UnknownNamesAndNamesWithoutTheDotDoNothing) {
    const int32_t page = state.PageNumber;
    for (const char* line : {".CDStop", ".NOPE 1 2", "NEXTPAGE", "COUNTERSET score 1", ""}) {
        Run(line);
    }
    EXPECT_EQ(state.PageNumber, page);
    EXPECT_EQ(Value("score"), 10);
    EXPECT_FALSE(main.IsTransitionActive());
    EXPECT_TRUE(f.messages.records.empty());
}

TEST_F(CommandTest, LowerCaseNamesWorkAndFileNamesKeepTheirCase) {
    Run(".countERset score 5");
    EXPECT_EQ(Value("score"), 5);
    const int32_t page = state.PageNumber;
    Run(".NextPage");
    EXPECT_EQ(state.PageNumber, page + 1);
    Run(".graphload Bg\\A.png");
    EXPECT_EQ(state.CurrentBackgroundName, "Bg\\A.png");
    EXPECT_EQ(state.BackgroundImage.Pixel(0, 0), kBlue);
}

struct CounterCase {
    const char* line;
    const char* counter;
    int32_t expected;
};

TEST_F(CommandTest, CounterArithmeticIsClamped) {
    const CounterCase cases[] = {
        {".COUNTERSET score 150", "score", 100},
        {".COUNTERPLUS score -500", "score", 0},
        {".COUNTERSET score 42", "score", 42},
        {".COUNTERPLUS score 5", "score", 47},
        {".COUNTERSET score", "score", 47},                // below the minimum word count
        {".COUNTERRNDSET score 1", "score", 47},           // likewise
        {".COUNTERRNDSET score 3 3", "score", 3},          // a one-value range
        {".COUNTERSET upside 35", "upside", 50},           // Minimum above Maximum: Minimum
        {".COUNTERPLUS wide 1", "wide", -2147483647 - 1},  // wraps, then within its range
        {".COUNTERSET wide -7", "wide", -7},
    };
    for (const CounterCase& c : cases) {
        SCOPED_TRACE(c.line);
        Run(c.line);
        EXPECT_EQ(Value(c.counter), c.expected);
    }
    EXPECT_TRUE(f.messages.records.empty());
}

TEST_F(CommandTest, MissingCounterIsReportedByItsCommand) {
    const char* const captions[] = {".CounterSet", ".CounterPlus", ".CounterRndSet",
                                    ".CounterRndPlus"};
    // A missing counter is reported before the numbers are read, so "x" raises nothing.
    Run(".COUNTERSET nobody x");
    Run(".COUNTERPLUS nobody 1");
    Run(".COUNTERRNDSET nobody 1 2");
    Run(".CounterRndPlus nobody 1 2");
    ASSERT_EQ(f.messages.records.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        const auto& record = f.messages.records[i];
        EXPECT_EQ(record.text, "\"nobody\"" + Cp932("というカウンタは存在しません."));
        EXPECT_EQ(record.caption, Cp932(std::string(captions[i]) + " エラー"));
        EXPECT_EQ(record.icon, platform::MsgIcon::Error);
        EXPECT_EQ(record.buttons, platform::MsgButtons::Ok);
    }
    EXPECT_EQ(Value("score"), 10);
}

TEST_F(CommandTest, RandomDrawsCoverSwappedBoundsInclusively) {
    std::set<int32_t> seen;
    for (int i = 0; i < 300; ++i) {
        Run(".COUNTERRNDSET score 5 1");
        seen.insert(Value("score"));
    }
    EXPECT_EQ(seen, (std::set<int32_t>{1, 2, 3, 4, 5}));

    seen.clear();
    for (int i = 0; i < 300; ++i) {
        Run(".COUNTERSET score 10");
        Run(".COUNTERRNDPLUS score -1 -3");
        seen.insert(Value("score"));
    }
    EXPECT_EQ(seen, (std::set<int32_t>{7, 8, 9}));
}

TEST_F(CommandTest, RandomRangeWiderThan32BitsStaysInBounds) {
    for (int i = 0; i < 50; ++i) {
        Run(".COUNTERRNDSET score 2147483647 -2147483648");
        const int32_t v = Value("score");
        EXPECT_TRUE(v == 0 || v == 100 || (v > 0 && v < 100)) << v;
        Run(".COUNTERRNDPLUS wide -2147483648 2147483647");
    }
}

TEST_F(CommandTest, WaitStartsAndRejectsWordsThatAreNotNumbers) {
    ASSERT_EQ(main.TimerInterval(), 30);
    Run(".WAIT 250");
    EXPECT_TRUE(main.IsWaiting());
    // The first tick only chooses the display; then every interval counts 30 ms from 0.
    main.TimerTimer(1);
    main.TimerTimer(8);
    EXPECT_TRUE(main.IsWaiting());
    main.TimerTimer(1);
    EXPECT_FALSE(main.IsWaiting());

    try {
        Run(".WAIT");
        FAIL() << "no conversion error";
    } catch (const EConvertError& error) {
        EXPECT_STREQ(error.what(), "'' is not a valid integer value");
    }
    EXPECT_THROW(Run(".wait 2s"), EConvertError);
    EXPECT_FALSE(main.IsWaiting());
}

struct GraphLoadCase {
    const char* line;
    int32_t effect, parameter, duration;
};

// Every form presents the page first; more than five words reuse the last prepared effect.
// Each starts its transition from the first step, even after one that had run for a while.
TEST_F(CommandTest, GraphLoadPreparesByWordCount) {
    const GraphLoadCase cases[] = {
        {".GRAPHLOAD bg\\a.png", kEffectNone, 1, 400},
        {".GRAPHLOAD bg\\a.png blind", kEffectBlind, 1, 400},
        {".GRAPHLOAD bg\\a.png SHUTTER 3", kEffectShutter, 3, 400},
        {".GRAPHLOAD bg\\a.png 4 2 250", kEffectBlend, 2, 250},
        {".GRAPHLOAD bg\\a.png CAMERA 2 250 extra", kEffectBlend, 7, 700},
    };
    for (const GraphLoadCase& c : cases) {
        SCOPED_TRACE(c.line);
        main.SkipTransition();
        main.PrepareTransition("BLEND", "7", "700");
        main.BeginTransition();
        main.TransitionTick();
        f.clock.Advance(1000);
        main.SkipTransition();
        state.CurrentBackgroundName.clear();
        const int32_t page = state.PageNumber;
        Run(c.line);
        const TPreparedTransition prepared = main.PreparedTransition();
        EXPECT_EQ(prepared.Effect, c.effect);
        EXPECT_EQ(prepared.Parameter, c.parameter);
        EXPECT_EQ(prepared.Duration, c.duration);
        EXPECT_TRUE(main.IsTransitionActive());
        EXPECT_EQ(state.PageNumber, page + 1);
        EXPECT_EQ(state.CurrentBackgroundName, "bg\\a.png");
        EXPECT_TRUE(Uniform(state.NextFrameImage, kBlue));
        main.TransitionTick();
        EXPECT_EQ(main.IsTransitionActive(), c.effect != kEffectNone);
    }
    main.SkipTransition();
    Run(".GRAPHLOAD");
    EXPECT_FALSE(main.IsTransitionActive());
}

TEST_F(CommandTest, GraphLoadStopsAtABadEffectWordWithoutStarting) {
    EXPECT_THROW(Run(".GRAPHLOAD bg\\a.png BLIND x"), EConvertError);
    EXPECT_FALSE(main.IsTransitionActive());
    // The steps before the conversion are done.
    EXPECT_EQ(state.CurrentBackgroundName, "bg\\a.png");
}

TEST_F(CommandTest, GraphFillWashesTheBackgroundKeepingItsName) {
    state.CurrentBackgroundName = "kept.png";
    DibFillBlend(state.BackgroundImage, {0, 0, 640, 480}, kRed, 100);
    Run(".GRAPHFILL 0 0 0");
    EXPECT_TRUE(Uniform(state.BackgroundImage, 0));
    EXPECT_TRUE(SameImage(state.NextFrameImage, state.BackgroundImage));
    EXPECT_EQ(main.PreparedTransition().Effect, kEffectNone);
    EXPECT_TRUE(main.IsTransitionActive());
    EXPECT_EQ(state.CurrentBackgroundName, "kept.png");

    Run(".GRAPHFILL 255 255 255 50");
    EXPECT_TRUE(Uniform(state.BackgroundImage, RGB(127, 127, 127)));
}

TEST_F(CommandTest, GraphFillPreparesByWordCount) {
    const GraphLoadCase cases[] = {
        {".GRAPHFILL 0 0 0 100", kEffectNone, 1, 400},
        {".GRAPHFILL 0 0 0 100 WIND", kEffectWind, 1, 400},
        {".GRAPHFILL 0 0 0 100 BLIND 2", kEffectBlind, 2, 400},
        {".GRAPHFILL 0 0 0 100 PUZZLE 3 123", kEffectPuzzle, 3, 123},
    };
    for (const GraphLoadCase& c : cases) {
        SCOPED_TRACE(c.line);
        Run(c.line);
        const TPreparedTransition prepared = main.PreparedTransition();
        EXPECT_EQ(prepared.Effect, c.effect);
        EXPECT_EQ(prepared.Parameter, c.parameter);
        EXPECT_EQ(prepared.Duration, c.duration);
    }
    main.SkipTransition();
    Run(".GRAPHFILL 0 0");
    EXPECT_FALSE(main.IsTransitionActive());
}

TEST_F(CommandTest, CharDeleteWithoutANameOnlyClearsTheText) {
    DibFillBlend(state.ScreenImage, {0, 0, 640, 480}, kRed, 100);
    const int32_t page = state.PageNumber;
    Run(".CHARDELETE");
    EXPECT_EQ(state.PageNumber, page + 1);
    EXPECT_TRUE(SameImage(state.ScreenImage, state.NextFrameImage));
    EXPECT_FALSE(main.IsTransitionActive());
}

TEST_F(CommandTest, SpriteCommandsRunTheCharacterTransition) {
    for (const char* line : {".CHARCLEAR", ".CHARDELETE someone"}) {
        SCOPED_TRACE(line);
        main.SkipTransition();
        state.PenPosition = {300, 300};
        Run(line);
        EXPECT_TRUE(main.IsTransitionActive());
        const TPreparedTransition prepared = main.PreparedTransition();
        EXPECT_EQ(prepared.Effect, kEffectBlend);
        EXPECT_EQ(prepared.Parameter, 1);
        EXPECT_EQ(prepared.Duration, 300);
        EXPECT_EQ(state.PenPosition, (TPoint{26, 26}));
    }
    main.SkipTransition();
    Run(".CHARSET c bg\\a.png TOP");  // four words: too few
    EXPECT_FALSE(main.IsTransitionActive());
    EXPECT_LT(state.SpriteLayer.IndexOf("c"), 0);
}

TEST_F(CommandTest, CharSetComposesTheSpriteOverTheBackground) {
    f.dir.Write("novel/chara.png", Plain(10, 10, kRed, RGB(255, 255, 255)));
    DibFillBlend(state.BackgroundImage, {0, 0, 640, 480}, kBlue, 100);
    Run(".CHARSET hero chara.png bottom right");
    EXPECT_GE(state.SpriteLayer.IndexOf("hero"), 0);
    EXPECT_GE(state.SnapshotSprites.IndexOf("hero"), 0);
    EXPECT_TRUE(main.IsTransitionActive());
    EXPECT_EQ(state.NextFrameImage.Pixel(0, 0), kBlue);
    EXPECT_EQ(state.NextFrameImage.Pixel(639, 479), kRed);
    EXPECT_EQ(state.NextFrameImage.Pixel(630, 470), kBlue);  // the transparent corner
    EXPECT_EQ(state.BackgroundImage.Pixel(639, 479), kBlue);
}

TEST_F(CommandTest, MusicAndSoundCommandsKeepTheCurrentNames) {
    const auto song = WriteSmf(0, 480, {TSmfTrack().NoteOn(0, 0, 60, 100)});
    f.dir.Write("novel/Music/Song.mid", song);
    f.dir.Write("novel/a.mid", song);
    // The opening's first frame would stop the music; only the music's own timer runs.
    main.PauseTimer();
    Run(".MIDIPLAY Music\\Song.mid");
    EXPECT_EQ(state.CurrentMidiName, "Music\\Song.mid");
    // The one-note song comes round again and again: it loops.
    f.RunFor(40);
    EXPECT_GE(CountSent(f.midi, NoteOnMessage(60)), 2);
    main.ResumeTimer();
    Run(".MIDISTOP");
    EXPECT_EQ(state.CurrentMidiName, "");
    Run(".MIDIPLAY a.mid");
    Run(".MIDIFADEOUT 1000");
    EXPECT_EQ(state.CurrentMidiName, "");

    Run(".BGMPLAY b.ogg");
    EXPECT_EQ(state.CurrentBgmName, "b.ogg");
    Run(".BGMPLAY c.ogg 500");
    EXPECT_EQ(state.CurrentBgmName, "c.ogg");
    Run(".BGMSTOP");
    EXPECT_EQ(state.CurrentBgmName, "");
    Run(".BGMPLAY d.ogg");
    Run(".BGMFADEOUT 3000");
    EXPECT_EQ(state.CurrentBgmName, "");
    Run(".SOUNDPLAY s.wav");
    EXPECT_EQ(state.CurrentSoundName, "s.wav");
    Run(".SOUNDSTOP");
    EXPECT_EQ(state.CurrentSoundName, "");

    // Commands without their file or time word do nothing.
    state.CurrentMidiName = state.CurrentBgmName = state.CurrentSoundName = "x";
    for (const char* line :
         {".MIDIPLAY", ".MIDIFADEOUT", ".BGMPLAY", ".BGMFADEOUT", ".SOUNDPLAY"}) {
        Run(line);
    }
    EXPECT_EQ(state.CurrentMidiName, "x");
    EXPECT_EQ(state.CurrentBgmName, "x");
    EXPECT_EQ(state.CurrentSoundName, "x");
    EXPECT_THROW(Run(".MIDIFADEOUT soon"), EConvertError);
    EXPECT_EQ(state.CurrentMidiName, "");
    // The sound files are not there: each play says so, and nothing else is shown.
    std::vector<std::string> shown;
    for (const auto& record : f.messages.records) {
        shown.push_back(platform::Cp932ToUtf8(record.caption + ": " + record.text));
    }
    std::vector<std::string> expected;
    for (const char* name : {"b.ogg", "c.ogg", "d.ogg", "s.wav"}) {
        expected.push_back(std::string(".SoundPlay エラー: ファイル ") + name + " がありません.");
    }
    EXPECT_EQ(shown, expected);
}

TEST_F(CommandTest, FontTypeSelectsTheFaceInAnyCase) {
    TFont& font = state.TextRenderer.Font;
    Run(".FONTTYPE mincho");
    EXPECT_EQ(font.Face, Cp932("ＭＳ Ｐ明朝"));
    EXPECT_TRUE(font.Bold);
    Run(".fonttype gothic");
    EXPECT_EQ(font.Face, Cp932("ＭＳ Ｐゴシック"));
    EXPECT_FALSE(font.Bold);
    Run(".FONTTYPE Courier");
    EXPECT_EQ(font.Face, Cp932("ＭＳ Ｐゴシック"));
}

struct FontSizeCase {
    const char* line;
    int height;
};

TEST_F(CommandTest, FontSizeIsACharacterHeightCappedAt480) {
    const FontSizeCase cases[] = {
        {".FONTSIZE 28", -28},          {".FONTSIZE -30", 30},   {".FONTSIZE 0", 16},
        {".FONTSIZE 1000", -480},       {".FONTSIZE 480", -480}, {".FONTSIZE -2147483648", 480},
        {".FONTSIZE 2147483647", -480},
    };
    for (const FontSizeCase& c : cases) {
        SCOPED_TRACE(c.line);
        Run(c.line);
        EXPECT_EQ(state.TextRenderer.Font.Height, c.height);
    }
    EXPECT_THROW(Run(".FONTSIZE big"), EConvertError);
}

TEST_F(CommandTest, FontColourAndDefault) {
    Run(".FONTCOLOR 1 2 3");
    EXPECT_EQ(state.TextRenderer.TextColor, RGB(1, 2, 3));
    Run(".FONTCOLOR 1 2");
    EXPECT_EQ(state.TextRenderer.TextColor, RGB(1, 2, 3));
    Run(".FONTTYPE MINCHO");
    Run(".FONTSIZE 60");
    Run(".FONTDEFAULT");
    const TFont& font = state.TextRenderer.Font;
    EXPECT_EQ(font.Face, Cp932("ＭＳ Ｐゴシック"));
    EXPECT_FALSE(font.Bold);
    EXPECT_EQ(font.Height, -22);
    EXPECT_EQ(state.TextRenderer.TextColor, 0x00FF00u);
}

TEST_F(CommandTest, NextPageClearsTheTypedText) {
    DibFillBlend(state.ScreenImage, {0, 0, 640, 480}, kRed, 100);
    const int32_t page = state.PageNumber;
    Run(".NEXTPAGE");
    EXPECT_EQ(state.PageNumber, page + 1);
    EXPECT_TRUE(SameImage(state.ScreenImage, state.NextFrameImage));
}

}  // namespace
}  // namespace tavri::test
