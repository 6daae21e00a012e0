#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "graphics/CommandStrings.h"
#include "graphics/DIBTools.h"
#include "graphics/FadeEffector.h"
#include "graphics/PresetFadeImage.h"
#include "graphics/TestBitmaps.h"
#include "graphics/TransitionChoice.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "platform/TextEncoding.h"
#include "base/Convert.h"
#include "support/TestSupport.h"

namespace tavri {
namespace {

using test::SameImage;

using platform::Cp932;

// ---------------------------------------------------------------------------------------------
// Strict integer words

TEST(Convert, StrToIntAcceptsOnlySignedDecimalInt32) {
    struct Case {
        const char* Word;
        bool Valid;
        int32_t Value;
    };
    const Case cases[] = {
        {"12", true, 12},
        {"+5", true, 5},
        {"-0", true, 0},
        {"007", true, 7},
        {"2147483647", true, INT32_MAX},
        {"-2147483648", true, INT32_MIN},
        {"", false, 0},
        {"-", false, 0},
        {"+", false, 0},
        {" 1", false, 0},
        {"1 ", false, 0},
        {"0x10", false, 0},
        {"$10", false, 0},
        {"1e3", false, 0},
        {"--1", false, 0},
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"99999999999999999999", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("word '") + c.Word + "'");
        if (c.Valid) {
            EXPECT_EQ(StrToInt(c.Word), c.Value);
            continue;
        }
        try {
            StrToInt(c.Word);
            ADD_FAILURE() << "accepted";
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()),
                      std::string("'") + c.Word + "' is not a valid integer value");
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Effect names

TEST(TransitionNames, LookupIgnoresLetterCase) {
    struct Case {
        const char* Word;
        int32_t Effect;
    };
    const Case cases[] = {
        {"DEFAULT", 0}, {"none", 1},     {"Blind", 2},  {"sHuTtEr", 3},   {"blend", 4},
        {"PUZZLE", 5},  {"r-sutter", 6}, {"Camera", 7}, {"wind", 8},      {"CrossLine", 9},
        {"", 0},        {"BLINDS", 0},   {" BLIND", 0}, {"R-SHUTTER", 0}, {"3", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LookupTransitionName(c.Word), c.Effect) << c.Word;
    }
}

TEST(TransitionNames, TableCarriesCp932Labels) {
    const auto& names = TransitionNames();
    EXPECT_EQ(names[kEffectWind].Name, "WIND");
    EXPECT_EQ(names[kEffectWind].Label, std::string("\x95\x97"));  // 風 in cp932
    EXPECT_EQ(names[kEffectRotatingShutter].Label, Cp932("回転シャッター"));
    EXPECT_EQ(platform::Cp932ToUtf8(names[kEffectDefault].Label), "標準のフェード効果");
}

// ---------------------------------------------------------------------------------------------
// Choosing a transition from the command's words

TEST(TransitionChoice, WordsSelectEffectParameterAndDuration) {
    struct Case {
        const char *Effect, *Parameter, *Duration, *HeaderName;
        int32_t HeaderDuration;
        int32_t WantEffect, WantParameter, WantDuration;
        bool WantNamed;
        const char* WantName;
    };
    const Case cases[] = {
        {"BLIND", "2", "", "NONE", 300, 2, 2, 300, false, ""},
        {"blind", "7", "1000", "NONE", 300, 2, 7, 1000, false, ""},
        {"bLiNd", "", "", "NONE", 300, 2, 1, 300, false, ""},
        {"3", "", "", "NONE", 300, 3, 1, 300, false, ""},
        {"SHUTTER", "4", "250", "", 300, 3, 4, 250, false, ""},
        {"007", "", "", "NONE", 300, 7, 1, 300, false, ""},
        {"9", "", "", "NONE", 300, 9, 1, 300, false, ""},
        // The header's default: for "0", "DEFAULT", unknown words, and no word at all.
        {"0", "", "", "puzzle", 300, 5, 1, 300, false, ""},
        {"DEFAULT", "", "", "PUZZLE", 300, 5, 1, 300, false, ""},
        {"default", "", "", "WIND", 300, 8, 1, 300, false, ""},
        {"SPIRAL", "", "", "WIND", 300, 8, 1, 300, false, ""},
        {"+3", "", "", "WIND", 300, 8, 1, 300, false, ""},
        {"", "", "", "Camera", 700, 7, 1, 700, false, ""},
        {"", "", "", "", 700, 0, 1, 700, false, ""},
        {"0", "", "", "nonsense", 700, 0, 1, 700, false, ""},
        // Custom masks: the parameter is the softness.
        {"@mask", "0", "", "NONE", 300, 255, 1, 300, true, "mask"},
        {"@fade\\iris.png", "16", "800", "NONE", 300, 255, 16, 800, true, "fade\\iris.png"},
        {"@", "", "", "NONE", 300, 255, 1, 300, true, ""},
        {"10", "", "", "NONE", 300, 255, 1, 300, false, ""},
        {"256", "", "", "NONE", 300, 255, 1, 300, false, ""},
        // Parameters: 0 becomes 1, negatives stay; durations are taken as written.
        {"BLIND", "-3", "0", "NONE", 300, 2, -3, 0, false, ""},
        {"BLIND", "+0", "-20", "NONE", 300, 2, 1, -20, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Effect) + " / " + c.Parameter + " / " + c.Duration);
        const TTransitionChoice choice =
            ChooseTransition(c.Effect, c.Parameter, c.Duration, c.HeaderName, c.HeaderDuration);
        EXPECT_EQ(choice.Effect, c.WantEffect);
        EXPECT_EQ(choice.Parameter, c.WantParameter);
        EXPECT_EQ(choice.Duration, c.WantDuration);
        EXPECT_EQ(choice.CustomMaskNamed, c.WantNamed);
        EXPECT_EQ(choice.CustomMaskName, c.WantName);
    }
}

TEST(TransitionChoice, NonNumericWordsRaiseConversionError) {
    struct Case {
        const char *Effect, *Parameter, *Duration, *BadWord;
    };
    const Case cases[] = {
        {"12abc", "", "", "12abc"},    {"3 ", "", "", "3 "},
        {"BLIND", "two", "", "two"},   {"BLIND", "2", "500ms", "500ms"},
        {"@mask", "0x18", "", "0x18"}, {"BLIND", "", "4294967296", "4294967296"},
    };
    for (const Case& c : cases) {
        try {
            ChooseTransition(c.Effect, c.Parameter, c.Duration, "NONE", 300);
            ADD_FAILURE() << c.BadWord << " accepted";
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()),
                      std::string("'") + c.BadWord + "' is not a valid integer value");
        }
    }
}

// ---------------------------------------------------------------------------------------------
// The masked transition driver

constexpr int W = 640, H = 480;

TImage Uniform24(uint8_t b, uint8_t g, uint8_t r) {
    TImage image(W, H);
    for (int y = 0; y < H; ++y) {
        uint8_t* row = image.ScanLine(y);
        for (int x = 0; x < W; ++x) {
            row[x * 3] = b;
            row[x * 3 + 1] = g;
            row[x * 3 + 2] = r;
        }
    }
    return image;
}

// One byte of a masked step, straight from the rule: c = L × (S + 256) div 100; the old frame's
// weight is 255 from c on, 0 below c − S, and a ramp in between.
int Masked(int incoming, int outgoing, int maskLevel, int level, int softness) {
    const int c = level * (softness + 256) / 100;
    int t = 255;
    if (maskLevel < c - softness) {
        t = 0;
    } else if (maskLevel < c) {
        t = (maskLevel - c + softness) * 256 / softness;
    }
    return (incoming * (256 - t) + outgoing * t) / 256;
}

class FadeEffector : public ::testing::Test {
  protected:
    FadeEffector() {
        effector.Target = &target;
        effector.OldImage = &oldFrame;
        effector.NewImage = &newFrame;
    }

    // Checks the rows the next step writes (the blend refreshes one row parity per step) against
    // the rule at `level`, with the mask level of column x given by maskAt(x).
    template <typename MaskAt>
    void StepAndExpect(int level, MaskAt maskAt, bool finished = false) {
        const int parity = dib.InterlaceCounter % 2;
        const uint8_t untouched[3] = {1, 2, 3};
        target = Uniform24(1, 2, 3);
        EXPECT_EQ(effector.Step(), finished);
        for (int y = 0; y < H; ++y) {
            const uint8_t* row = target.ScanLine(y);
            const uint8_t* in = newFrame.ScanLine(y);
            const uint8_t* out = oldFrame.ScanLine(y);
            for (int i = 0; i < W * 3; ++i) {
                const int want =
                    y % 2 == parity ? Masked(in[i], out[i], maskAt(i / 3), level, effector.Softness)
                                    : int(untouched[i % 3]);
                ASSERT_EQ(row[i], want) << "level " << level << " x " << i / 3 << " y " << y;
            }
        }
    }

    platform::VirtualClock clock{0xFFFFFF00u};  // the transition runs across the clock's wrap
    TDibTools dib;
    TImage newFrame = Uniform24(10, 100, 250);
    TImage oldFrame = Uniform24(240, 60, 0);
    TImage target = Uniform24(1, 2, 3);
    TFadeEffector effector{clock, dib};
};

TImage Grey8(uint8_t level) {
    TImage mask(W, H, TPixelFormat::Pf8bit);
    std::memset(mask.Bits(), level, size_t(W) * H);
    return mask;
}

TEST_F(FadeEffector, LevelFollowsTheClockAndTheLastStepShowsTheNewFrame) {
    auto mid = [](int) { return 128; };
    // Neighbouring levels give different pixels here, so the level drawn is pinned exactly.
    ASSERT_NE(Masked(10, 240, 128, 49, 24), Masked(10, 240, 128, 50, 24));
    ASSERT_NE(Masked(10, 240, 128, 51, 24), Masked(10, 240, 128, 50, 24));

    effector.Duration = 500;
    effector.SetMaskGraphic(Grey8(128));
    EXPECT_EQ(effector.StartTime, 0xFFFFFF00u);
    StepAndExpect(0, mid);
    clock.Advance(250);
    StepAndExpect(50, mid);
    clock.Advance(249);
    StepAndExpect(99, mid);

    // From 500 ms the level is 100 and the whole new frame is drawn; the transition is over once
    // the level passes 100, which in whole percent is at 505 ms.
    for (uint32_t elapsed : {500u, 504u, 505u}) {
        clock.Set(0xFFFFFF00u + elapsed);
        target = Uniform24(1, 2, 3);
        EXPECT_EQ(effector.Step(), elapsed >= 505) << elapsed;
        EXPECT_TRUE(SameImage(target, newFrame)) << elapsed;
    }
}

TEST_F(FadeEffector, LongTransitionsKeepTheLevelExact) {
    // 50,000,000 ms × 100 does not fit 32 bits.
    effector.Duration = 100'000'000;
    effector.SetMaskGraphic(Grey8(128));
    clock.Advance(50'000'000);
    StepAndExpect(50, [](int) { return 128; });
}

TEST_F(FadeEffector, DurationBelowOneIsImmediate) {
    for (int32_t duration : {0, -5, INT32_MIN}) {
        effector.Duration = duration;
        effector.SetMaskGraphic(Grey8(128));
        target = Uniform24(1, 2, 3);
        EXPECT_TRUE(effector.Step()) << duration;
        EXPECT_TRUE(SameImage(target, newFrame)) << duration;
    }
}

TEST_F(FadeEffector, ShutterMaskWipesFromTheLeft) {
    const TPresetFadeImageForm form;
    const TImage& shutter = form.FadeShutterL2RImage;
    effector.Duration = 1000;
    effector.SetMaskGraphic(shutter);
    clock.Advance(500);
    StepAndExpect(50, [&](int x) { return int(shutter.ScanLine(0)[x]); });
    // Left: fully switched to the new frame; right: still the old one.
    const int row = (dib.InterlaceCounter + 1) % 2;
    EXPECT_EQ(target.Pixel(0, row), newFrame.Pixel(0, 0));
    EXPECT_EQ(target.ScanLine(row)[639 * 3], (10 + 240 * 255) / 256);
}

TEST_F(FadeEffector, MissingFirstCustomMaskStillWipesUniformly) {
    test::TempDir empty;
    platform::RecordingMessageBoxService messages;
    const TMediaSource media{nullptr, empty.path(), &messages};
    effector.Duration = 500;
    effector.Softness = 1;
    clock.Advance(1000);  // the clock must restart at the load, not at construction

    effector.LoadMaskFile("gone.png", media);
    ASSERT_EQ(messages.records.size(), 1u);
    EXPECT_EQ(messages.records[0].caption, Cp932("画像ファイル読み込みエラー"));
    EXPECT_EQ(messages.records[0].icon, platform::MsgIcon::Error);
    EXPECT_TRUE(SameImage(effector.Mask, Uniform24(128, 128, 128)));

    auto mid = [](int) { return 128; };
    clock.Advance(250);
    StepAndExpect(50, mid);
    clock.Advance(100);
    StepAndExpect(70, mid);
}

}  // namespace
}  // namespace tavri
