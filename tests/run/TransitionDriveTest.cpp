// Transitions driven tick by tick on the virtual clock: every effect ends on exactly the new
// frame, the cross-fade's level follows the clock, and custom masks are found (or reported)
// where an author puts them.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "PackageFile2.h"
#include "base/Convert.h"
#include "graphics/CommandStrings.h"
#include "graphics/DIBTools.h"
#include "graphics/PictureEncode.h"
#include "graphics/PresetFadeImage.h"
#include "graphics/TestBitmaps.h"
#include "platform/Stream.h"
#include "platform/TextEncoding.h"
#include "run/RunFixture.h"

namespace tavri::test {
namespace {

using platform::Cp932;

constexpr TColor kOld = RGB(200, 0, 0);
constexpr TColor kNew = RGB(0, 0, 200);
constexpr int32_t kNormalInterval = 18;
constexpr int kTickLimit = 5000;

const char* const kSource = R"(
[header]
NovelTitle = "Transitions"
StartItemName = "start"
DefaultTransitionName = "CAMERA"
DefaultTransitionParameter = 0
DefaultTransitionDuration = 650
TextSpeed = 18

[item "start"]
Text:
| hello
)";

// A grey picture whose level rises with the column, the shape of a left-to-right wipe.
std::vector<uint8_t> GreyRamp(int width, int height) {
    TImage levels(width, height, TPixelFormat::Pf8bit);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            levels.ScanLine(y)[x] = uint8_t(x * 255 / (width - 1));
        }
    }
    return EncodePngGrey(levels);
}

// The level GreyRamp gives each column, as a mask picture.
TImage RampMask() {
    TImage mask(640, 480);
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const uint8_t level = uint8_t(x * 255 / 639);
            mask.SetPixel(x, y, RGB(level, level, level));
        }
    }
    return mask;
}

// Whether every row of `screen` is the wipe from kOld to kNew at `level` through `mask`, with a
// soft edge `softness` mask levels wide.
bool ShowsWipe(const TImage& screen, const TImage& mask, int level, int softness) {
    TImage grey;
    DibAssignGraphic(grey, mask);
    TImage oldFrame(640, 480), newFrame(640, 480);
    DibFillBlend(oldFrame, {0, 0, 640, 480}, kOld, 100);
    DibFillBlend(newFrame, {0, 0, 640, 480}, kNew, 100);
    int weights[256];
    dib_reference::MaskWeights(level, softness, weights);
    std::vector<uint8_t> row(640 * 3);
    for (int y = 0; y < 480; ++y) {
        dib_reference::AlphaMaskRow(newFrame.ScanLine(y), oldFrame.ScanLine(y), grey.ScanLine(y),
                                    row.data(), 640, weights);
        if (std::memcmp(row.data(), screen.ScanLine(y), row.size()) != 0) {
            return false;
        }
    }
    return true;
}

struct TransitionDriveTest : ::testing::Test {
    RunFixture f{kSource};
    TMainForm& main = *f.main;
    TRunCommon& state = *f.state;

    // A reading has begun (it takes the header's text speed) and its fade-in is over.
    void SetUp() override {
        main.StartFromBeginning();
        main.SkipTransition();
        ASSERT_EQ(main.TimerInterval(), kNormalInterval);
        DibFillBlend(state.ScreenImage, {0, 0, 640, 480}, kOld, 100);
        DibFillBlend(state.NextFrameImage, {0, 0, 640, 480}, kNew, 100);
    }

    // Ticks every `stepMs` until the transition ends; the number of ticks it took.
    int Drive(uint32_t stepMs) {
        int ticks = 0;
        while (main.IsTransitionActive() && ticks < kTickLimit) {
            main.TransitionTick();
            ++ticks;
            f.clock.Advance(stepMs);
        }
        return ticks;
    }

    // Begins the prepared wipe and stops it half way through its `durationMs`, with both the
    // even and the odd rows drawn at level 50.
    void HalfWay(uint32_t durationMs) {
        main.BeginTransition();
        main.TransitionTick();
        f.clock.Advance(durationMs / 2);
        main.TransitionTick();
        main.TransitionTick();
        ASSERT_TRUE(main.IsTransitionActive());
    }
};

struct EffectCase {
    const char* word;
    int32_t effect;
};

TEST_F(TransitionDriveTest, EveryEffectEndsOnExactlyTheNewFrame) {
    const EffectCase cases[] = {
        {"BLIND", kEffectBlind},   {"shutter", kEffectShutter},          {"BLEND", kEffectBlend},
        {"PUZZLE", kEffectPuzzle}, {"R-SUTTER", kEffectRotatingShutter}, {"CAMERA", kEffectCamera},
        {"WIND", kEffectWind},     {"CROSSLINE", kEffectCrossLine},
    };
    for (const EffectCase& c : cases) {
        SCOPED_TRACE(c.word);
        SetUp();
        main.PrepareTransition(c.word, "", "500");
        EXPECT_EQ(main.PreparedTransition().Effect, c.effect);
        main.BeginTransition();
        main.TransitionTick();
        EXPECT_EQ(main.TimerInterval(), 1);
        // Level 0 on the first tick: at most a 256th of the new frame.
        EXPECT_GE(RedOf(state.ScreenImage.Pixel(320, 240)), 199);
        EXPECT_GE(RedOf(state.ScreenImage.Pixel(320, 241)), 199);
        EXPECT_GT(Drive(10), 40);
        EXPECT_FALSE(main.IsTransitionActive());
        EXPECT_TRUE(SameImage(state.ScreenImage, state.NextFrameImage));
        EXPECT_EQ(main.TimerInterval(), kNormalInterval);
    }
    EXPECT_TRUE(f.messages.records.empty());
}

TEST_F(TransitionDriveTest, NoneEndsOnTheFirstTickLeavingTheInterval) {
    main.PrepareTransition("NONE", "", "500");
    main.BeginTransition();
    EXPECT_EQ(Drive(10), 1);
    EXPECT_TRUE(SameImage(state.ScreenImage, state.NextFrameImage));
    EXPECT_EQ(main.TimerInterval(), kNormalInterval);
}

TEST_F(TransitionDriveTest, BlendLevelFollowsTheClockAndEndsAtExactly100) {
    main.PrepareTransition("BLEND", "", "500");
    main.BeginTransition();
    main.TransitionTick();
    EXPECT_EQ(state.ScreenImage.Pixel(0, 0), kOld);
    f.clock.Advance(250);
    main.TransitionTick();
    const TColor half = state.ScreenImage.Pixel(0, 0);
    EXPECT_NEAR(RedOf(half), 100, 2);
    EXPECT_NEAR(BlueOf(half), 100, 2);
    f.clock.Advance(249);
    main.TransitionTick();
    EXPECT_TRUE(main.IsTransitionActive());
    // The fourth tick, at exactly the duration, is the last.
    f.clock.Advance(1);
    main.TransitionTick();
    EXPECT_FALSE(main.IsTransitionActive());
    EXPECT_TRUE(SameImage(state.ScreenImage, state.NextFrameImage));
}

// The masked level must pass 100: the tick at exactly the duration is not yet the last.
TEST_F(TransitionDriveTest, MaskedWipeEndsAtTheFirstTickPastItsDuration) {
    main.PrepareTransition("SHUTTER", "1", "500");
    main.BeginTransition();
    main.TransitionTick();
    f.clock.Advance(250);
    // Two ticks at the same level, so that both the even and the odd rows are drawn.
    main.TransitionTick();
    main.TransitionTick();
    for (int row : {240, 241}) {
        EXPECT_EQ(state.ScreenImage.Pixel(0, row), kNew);
        EXPECT_GE(RedOf(state.ScreenImage.Pixel(639, row)), 199);
        EXPECT_EQ(BlueOf(state.ScreenImage.Pixel(639, row)), 0);
    }
    f.clock.Advance(250);
    main.TransitionTick();
    EXPECT_TRUE(main.IsTransitionActive());
    f.clock.Advance(10);
    main.TransitionTick();
    EXPECT_FALSE(main.IsTransitionActive());
    EXPECT_TRUE(SameImage(state.ScreenImage, state.NextFrameImage));
}

TEST_F(TransitionDriveTest, DurationOfZeroOrLessIsImmediate) {
    for (const char* word : {"BLEND", "BLIND", "@nothing"}) {
        for (const char* duration : {"0", "-5"}) {
            SCOPED_TRACE(std::string(word) + " " + duration);
            SetUp();
            main.PrepareTransition(word, "", duration);
            main.BeginTransition();
            EXPECT_EQ(Drive(0), 1);
            EXPECT_TRUE(SameImage(state.ScreenImage, state.NextFrameImage));
            EXPECT_EQ(main.TimerInterval(), kNormalInterval);
        }
    }
}

TEST_F(TransitionDriveTest, SkipShowsTheNewFrameAtOnce) {
    main.PrepareTransition("BLIND", "", "500");
    main.BeginTransition();
    main.TransitionTick();
    const int32_t page = state.PageNumber;
    main.SkipTransition();
    EXPECT_FALSE(main.IsTransitionActive());
    EXPECT_TRUE(SameImage(state.ScreenImage, state.NextFrameImage));
    EXPECT_EQ(main.TimerInterval(), kNormalInterval);
    EXPECT_EQ(state.PageNumber, page + 1);
    // Without a transition it does nothing.
    main.SkipTransition();
    EXPECT_EQ(state.PageNumber, page + 1);
}

// Preset masks wipe with a soft edge 24 levels wide.
TEST_F(TransitionDriveTest, DefaultTransitionComesFromTheHeader) {
    main.PrepareTransition("BLEND", "3", "100");
    main.PrepareDefaultTransition();
    const TPreparedTransition prepared = main.PreparedTransition();
    EXPECT_EQ(prepared.Effect, kEffectCamera);
    EXPECT_EQ(prepared.Parameter, 1);
    EXPECT_EQ(prepared.Duration, 650);
    HalfWay(650);
    const TPresetFadeImageForm presets;
    EXPECT_TRUE(
        ShowsWipe(state.ScreenImage, *presets.GetPresetFadeImage(kEffectCamera, 1), 50, 24));
}

TEST_F(TransitionDriveTest, WordThatIsNotANumberChangesNothing) {
    main.PrepareTransition("BLEND", "3", "100");
    EXPECT_THROW(main.PrepareTransition("BLIND", "x"), EConvertError);
    EXPECT_THROW(main.PrepareTransition("7abc"), EConvertError);
    const TPreparedTransition prepared = main.PreparedTransition();
    EXPECT_EQ(prepared.Effect, kEffectBlend);
    EXPECT_EQ(prepared.Parameter, 3);
    EXPECT_EQ(prepared.Duration, 100);
}

TEST_F(TransitionDriveTest, CustomMaskIsFoundInThePackageUnderTrans) {
    PackageOverlay package(f, {{"TRANS\\WIPE.PNG", GreyRamp(640, 480)}});
    main.PrepareTransition("@wipe", "0", "100");
    EXPECT_EQ(main.PreparedTransition().Effect, kEffectCustomMask);
    EXPECT_EQ(main.PreparedTransition().CustomMaskName, "wipe");
    EXPECT_TRUE(f.messages.records.empty());
    // The package's mask, with the hard edge a parameter of 0 gives.
    HalfWay(100);
    EXPECT_TRUE(ShowsWipe(state.ScreenImage, RampMask(), 50, 1));
    f.clock.Advance(7);
    Drive(5);
    EXPECT_TRUE(SameImage(state.ScreenImage, state.NextFrameImage));
}

struct MaskPlace {
    const char* file;  // relative to the fixture's folder
    const char* word;
};

// Beside the program first, then beside the data, each with the .PNG and .BMP variants.
TEST_F(TransitionDriveTest, CustomMaskIsFoundOnDiskBesideTheProgramOrTheData) {
    const MaskPlace places[] = {
        {"trans/a.png", "@a.png"},
        {"trans/b.PNG", "@b"},
        {"novel/TRANS/c.png", "@C.PNG"},
        {"novel/TRANS/d.png", "@d.bmp"},
    };
    for (const MaskPlace& place : places) {
        SCOPED_TRACE(place.word);
        f.dir.Write(place.file, GreyRamp(640, 480));
        // Another mask first, so that only a mask found now can make the ramp's wipe.
        main.PrepareTransition("BLIND", "", "100");
        main.PrepareTransition(place.word, "30", "100");
        HalfWay(100);
        EXPECT_TRUE(ShowsWipe(state.ScreenImage, RampMask(), 50, 30));
        main.SkipTransition();
        SetUp();
    }
    EXPECT_TRUE(f.messages.records.empty());
}

TEST_F(TransitionDriveTest, MissingMaskIsReportedAndTheWipeStillRuns) {
    main.PrepareTransition("@nothing", "", "100");
    ASSERT_EQ(f.messages.records.size(), 1u);
    const auto& record = f.messages.records[0];
    EXPECT_EQ(record.text,
              Cp932("ファイル ") + f.dir.path() + "/trans/nothing" + Cp932(" がありません."));
    EXPECT_EQ(record.caption, Cp932("画像ファイル読み込みエラー"));
    EXPECT_EQ(record.icon, platform::MsgIcon::Error);
    EXPECT_EQ(main.PreparedTransition().Effect, kEffectCustomMask);
    main.BeginTransition();
    EXPECT_GT(Drive(10), 5);
    EXPECT_TRUE(SameImage(state.ScreenImage, state.NextFrameImage));
}

TEST_F(TransitionDriveTest, MaskOfAnotherSizeIsRefusedAndShowsTheFrameAtOnce) {
    f.app->Title = "Transitions";
    f.dir.Write("trans/small.png", GreyRamp(320, 240));
    main.PrepareTransition("@small.png", "", "100");
    ASSERT_EQ(f.messages.records.size(), 1u);
    EXPECT_EQ(f.messages.records[0].text,
              Cp932("DibAlphaMaskInit: ソースDIBサイズが一致していません"));
    EXPECT_EQ(f.messages.records[0].caption, "Transitions");
    EXPECT_EQ(main.PreparedTransition().Effect, kEffectNone);
    main.BeginTransition();
    EXPECT_EQ(Drive(10), 1);
    EXPECT_TRUE(SameImage(state.ScreenImage, state.NextFrameImage));
}

}  // namespace
}  // namespace tavri::test
