#include "graphics/PresetFadeImage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "graphics/CommandStrings.h"

namespace tavri {
namespace {

constexpr int W = kCanvasWidth;
constexpr int H = kCanvasHeight;

// Generation is deterministic, so one form serves every test.
const TPresetFadeImageForm& Form() {
    static const TPresetFadeImageForm form;
    return form;
}

int At(const TImage& mask, int x, int y) {
    return mask.ScanLine(y)[x];
}

struct NamedMask {
    const char* Name;
    TImage TPresetFadeImageForm::*Member;
};

const std::vector<NamedMask>& AllMasks() {
    using F = TPresetFadeImageForm;
    static const std::vector<NamedMask> masks = {
        {"BlindHorz", &F::FadeBlindHorzImage},   {"BlindVert", &F::FadeBlindVertImage},
        {"ShutterL2R", &F::FadeShutterL2RImage}, {"ShutterR2L", &F::FadeShutterR2LImage},
        {"ShutterU2D", &F::FadeShutterU2DImage}, {"ShutterD2U", &F::FadeShutterD2UImage},
        {"Puzzle", &F::FadePuzzleImage},         {"RShutterR", &F::FadeRShutterRImage},
        {"RShutterL", &F::FadeRShutterLImage},   {"CameraOpen", &F::FadeCameraOpenImage},
        {"WindL2R", &F::FadeWindL2RImage},       {"CrossLineHorz", &F::FadeCrossLineHorzImage},
        {"Blank", &F::FadeBlankImage},
    };
    return masks;
}

TEST(PresetFadeImage, EveryMaskIs640x480GreyLevels) {
    for (const NamedMask& m : AllMasks()) {
        const TImage& mask = Form().*m.Member;
        SCOPED_TRACE(m.Name);
        EXPECT_EQ(mask.Width(), W);
        EXPECT_EQ(mask.Height(), H);
        ASSERT_EQ(mask.PixelFormat(), TPixelFormat::Pf8bit);
        ASSERT_EQ(mask.Palette.size(), 256u);
        for (int i = 0; i < 256; ++i) {
            ASSERT_EQ(mask.Palette[size_t(i)], RGB(uint8_t(i), uint8_t(i), uint8_t(i))) << i;
        }
    }
}

TEST(PresetFadeImage, GetPresetFadeImageFollowsEffectAndParameter) {
    using F = TPresetFadeImageForm;
    struct Case {
        int32_t Effect, Parameter;
        TImage F::*Expected;  // nullptr: no mask
    };
    const Case cases[] = {
        {kEffectDefault, 1, nullptr},
        {kEffectNone, 1, &F::FadeBlankImage},
        {kEffectBlind, 2, &F::FadeBlindVertImage},
        {kEffectBlind, 7, &F::FadeBlindHorzImage},
        {kEffectBlind, 1, &F::FadeBlindHorzImage},
        {kEffectShutter, 2, &F::FadeShutterR2LImage},
        {kEffectShutter, 3, &F::FadeShutterU2DImage},
        {kEffectShutter, 4, &F::FadeShutterD2UImage},
        {kEffectShutter, 1, &F::FadeShutterL2RImage},
        {kEffectShutter, 5, &F::FadeShutterL2RImage},
        {kEffectShutter, -2, &F::FadeShutterL2RImage},
        {kEffectBlend, 3, &F::FadeBlankImage},
        {kEffectPuzzle, 2, &F::FadePuzzleImage},
        {kEffectRotatingShutter, 2, &F::FadeRShutterLImage},
        {kEffectRotatingShutter, 1, &F::FadeRShutterRImage},
        {kEffectRotatingShutter, 3, &F::FadeRShutterRImage},
        {kEffectCamera, 2, &F::FadeCameraOpenImage},
        {kEffectWind, 2, &F::FadeWindL2RImage},
        {kEffectCrossLine, 2, &F::FadeCrossLineHorzImage},
        {10, 1, nullptr},
        {kEffectCustomMask, 1, nullptr},
        {-1, 1, nullptr},
    };
    for (const Case& c : cases) {
        const TImage* expected = c.Expected ? &(Form().*c.Expected) : nullptr;
        EXPECT_EQ(Form().GetPresetFadeImage(c.Effect, c.Parameter), expected)
            << c.Effect << " " << c.Parameter;
    }
}

TEST(PresetFadeImage, BlindsRepeatTheProfileEvery32Lines) {
    const TImage& horz = Form().FadeBlindHorzImage;
    const TImage& vert = Form().FadeBlindVertImage;
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            ASSERT_EQ(At(horz, x, y), kFadeProfile[size_t(y % 32)]) << x << "," << y;
            ASSERT_EQ(At(vert, x, y), kFadeProfile[size_t(x % 32)]) << x << "," << y;
        }
    }
}

// The mask of a shutter that moves along one axis: every line across it is the same.
std::vector<int> ColumnLevels(const TImage& mask) {
    std::vector<int> levels(W);
    for (int x = 0; x < W; ++x) {
        levels[size_t(x)] = At(mask, x, 0);
    }
    for (int y = 1; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            EXPECT_EQ(At(mask, x, y), levels[size_t(x)]) << x << "," << y;
        }
    }
    return levels;
}

std::vector<int> RowLevels(const TImage& mask) {
    std::vector<int> levels(H);
    for (int y = 0; y < H; ++y) {
        levels[size_t(y)] = At(mask, 0, y);
        for (int x = 1; x < W; ++x) {
            EXPECT_EQ(At(mask, x, y), levels[size_t(y)]) << x << "," << y;
        }
    }
    return levels;
}

TEST(PresetFadeImage, LeftToRightShutterFollowsTheStretchedProfile) {
    const std::vector<int> l2r = ColumnLevels(Form().FadeShutterL2RImage);
    EXPECT_EQ(l2r[0], 0);
    EXPECT_EQ(l2r[320], 128);
    EXPECT_EQ(l2r[639], 255);
    for (int x = 0; x < W; ++x) {
        // The 33 knots (profile, then 255) sit at columns i × 639 / 32.
        const double t = x * 32.0 / 639.0;
        const int i = std::min(int(t), 31);
        const double low = kFadeProfile[size_t(i)];
        const double high = i + 1 < 32 ? kFadeProfile[size_t(i) + 1] : 255.0;
        const double exact = low + (high - low) * (t - i);
        EXPECT_LE(l2r[size_t(x)], exact + 1e-9) << x;
        EXPECT_GT(l2r[size_t(x)], exact - 1.0) << x;
        if (x > 0) {
            EXPECT_GE(l2r[size_t(x)], l2r[size_t(x) - 1]) << x;
        }
    }
}

TEST(PresetFadeImage, LinearShuttersFollowTheirRamps) {
    const std::vector<int> r2l = ColumnLevels(Form().FadeShutterR2LImage);
    const std::vector<int> u2d = RowLevels(Form().FadeShutterU2DImage);
    const std::vector<int> d2u = RowLevels(Form().FadeShutterD2UImage);
    struct Case {
        const std::vector<int>* Levels;
        int Index, Expected;
    };
    const Case cases[] = {
        {&r2l, 0, 255}, {&r2l, 3, 254}, {&r2l, 320, 128}, {&r2l, 638, 1},   {&r2l, 639, 0},
        {&u2d, 0, 0},   {&u2d, 2, 1},   {&u2d, 240, 127}, {&u2d, 478, 254}, {&u2d, 479, 255},
        {&d2u, 0, 255}, {&d2u, 2, 254}, {&d2u, 240, 128}, {&d2u, 479, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ((*c.Levels)[size_t(c.Index)], c.Expected) << c.Index;
    }
    for (int y = 0; y < H; ++y) {
        EXPECT_EQ(d2u[size_t(y)], 255 - u2d[size_t(y)]) << y;
    }
}

TEST(PresetFadeImage, CrossLineAlternatesSixteenRowBands) {
    const TImage& cross = Form().FadeCrossLineHorzImage;
    const TImage& l2r = Form().FadeShutterL2RImage;
    for (int y = 0; y < H; ++y) {
        const bool fromRight = (y / 16) % 2 == 0;
        for (int x = 0; x < W; ++x) {
            const int shutter = At(l2r, x, 0);
            ASSERT_EQ(At(cross, x, y), fromRight ? 255 - shutter : shutter) << x << "," << y;
        }
    }
    EXPECT_EQ(At(cross, 0, 15), 255);
    EXPECT_EQ(At(cross, 0, 16), 0);
}

TEST(PresetFadeImage, RotatingShuttersTurnFromTwelveOClock) {
    struct Case {
        int X, Y, Clockwise;
    };
    const Case cases[] = {
        {320, 0, 0},      // 12 o'clock
        {320, 239, 0},    // just above the centre
        {320, 240, 0},    // the centre itself
        {639, 240, 63},   // 3 o'clock: 90° of 360 × 253
        {320, 479, 126},  // 6 o'clock
        {0, 240, 189},    // 9 o'clock
        {319, 0, 252},    // a hair anticlockwise of 12
    };
    for (const Case& c : cases) {
        EXPECT_EQ(At(Form().FadeRShutterRImage, c.X, c.Y), c.Clockwise) << c.X << "," << c.Y;
        EXPECT_EQ(At(Form().FadeRShutterLImage, c.X, c.Y), 255 - c.Clockwise) << c.X << "," << c.Y;
    }
    // Walking the border clockwise from the top centre, the clockwise mask never falls.
    std::vector<std::pair<int, int>> border;
    for (int x = 320; x < W; ++x)
        border.push_back({x, 0});
    for (int y = 1; y < H; ++y)
        border.push_back({W - 1, y});
    for (int x = W - 2; x >= 0; --x)
        border.push_back({x, H - 1});
    for (int y = H - 2; y >= 0; --y)
        border.push_back({0, y});
    for (int x = 1; x < 320; ++x)
        border.push_back({x, 0});
    int previous = 0;
    for (auto [x, y] : border) {
        const int level = At(Form().FadeRShutterRImage, x, y);
        ASSERT_GE(level, previous) << x << "," << y;
        previous = level;
    }
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            ASSERT_EQ(At(Form().FadeRShutterLImage, x, y),
                      255 - At(Form().FadeRShutterRImage, x, y));
        }
    }
}

TEST(PresetFadeImage, CameraOpensFromTheCentre) {
    const TImage& camera = Form().FadeCameraOpenImage;
    struct Case {
        int Dx, Dy, Expected;
    };
    const Case cases[] = {
        {0, 0, 0},         {50, 0, 13},       {0, -100, 44}, {-150, 0, 82},
        {0, 200, 123},     {-250, 0, 163},    {300, 0, 203}, {280, 210, 237},
        {-280, -210, 237}, {-320, -240, 255},  // the top-left corner, 400 away
        {30, 40, 13},                          // 50 away on a diagonal
        {25, 0, 6},                            // halfway to 13, rounded down
    };
    for (const Case& c : cases) {
        EXPECT_EQ(At(camera, 320 + c.Dx, 240 + c.Dy), c.Expected) << c.Dx << "," << c.Dy;
    }
    // The level depends on the distance alone: mirrored and transposed pixels agree.
    for (int dy = -239; dy < 240; ++dy) {
        for (int dx = -239; dx < 240; ++dx) {
            const int level = At(camera, 320 + dx, 240 + dy);
            ASSERT_EQ(At(camera, 320 - dx, 240 - dy), level) << dx << "," << dy;
            ASSERT_EQ(At(camera, 320 + dy, 240 + dx), level) << dx << "," << dy;
        }
    }
    for (int dx = 1; dx < 320; ++dx) {
        ASSERT_GE(At(camera, 320 + dx, 240), At(camera, 320 + dx - 1, 240)) << dx;
    }
}

// Left (top) edge of the tile holding column (row) c: tiles start at 0 and at 31 + 32k.
int TileStart(int c) {
    return c < 31 ? 0 : 31 + (c - 31) / 32 * 32;
}

TEST(PresetFadeImage, PuzzleTilesAre32SquareFromOffset31) {
    const TImage& puzzle = Form().FadePuzzleImage;
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            ASSERT_EQ(At(puzzle, x, y), At(puzzle, TileStart(x), TileStart(y))) << x << "," << y;
        }
    }
    // Every grid line is a real edge somewhere along it.
    for (int edge = 31; edge < W; edge += 32) {
        bool differs = false;
        for (int y = 0; y < H && !differs; ++y) {
            differs = At(puzzle, edge - 1, y) != At(puzzle, edge, y);
        }
        EXPECT_TRUE(differs) << "column " << edge;
    }
    for (int edge = 31; edge < H; edge += 32) {
        bool differs = false;
        for (int x = 0; x < W && !differs; ++x) {
            differs = At(puzzle, x, edge - 1) != At(puzzle, x, edge);
        }
        EXPECT_TRUE(differs) << "row " << edge;
    }
}

TEST(PresetFadeImage, PuzzleUses105EvenLevelsInShuffledOrder) {
    const TImage& puzzle = Form().FadePuzzleImage;
    std::set<int> levels;
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            levels.insert(At(puzzle, x, y));
        }
    }
    std::set<int> expected;
    for (int k = 0; k < 105; ++k) {
        expected.insert(k * 255 / 104);
    }
    EXPECT_EQ(levels, expected);
    // The shuffle's first draw (seed 1: state 0x6C078966, × 336 >> 32 = 141) puts tile 141 (tile
    // row 6, tile column 15) last in the order, k = 335, level 20 × 255 / 104 = 49.
    EXPECT_EQ(At(puzzle, 479, 191), 49);
    EXPECT_EQ(At(puzzle, 510, 222), 49);
}

TEST(PresetFadeImage, WindRowsAreRaggedRampsOfBoundedSlope) {
    const TImage& wind = Form().FadeWindL2RImage;
    for (int x = 0; x < W; ++x) {
        ASSERT_EQ(At(wind, x, 0), 0) << x;
    }
    for (int y = 1; y < H; ++y) {
        const int start = At(wind, 0, y), end = At(wind, W - 1, y);
        ASSERT_GE(start, 0);
        ASSERT_LE(start, 73) << y;
        ASSERT_GE(end, 180) << y;
        ASSERT_LE(end, 253) << y;
        const double slope = (end - start) / 639.0;
        ASSERT_GE(slope, 0.28) << y;
        ASSERT_LE(slope, 0.34) << y;
        for (int x = 0; x < W; ++x) {
            ASSERT_EQ(At(wind, x, y), start + (end - start) * x / 639) << x << "," << y;
        }
    }
    // Seed 2 draws (62, 214) and (20, 245), both outside the slope range, then (24, 235) for
    // row 1; row 2 gets (29, 246) and row 3 (35, 235).
    EXPECT_EQ(At(wind, 0, 1), 24);
    EXPECT_EQ(At(wind, 639, 1), 235);
    EXPECT_EQ(At(wind, 0, 2), 29);
    EXPECT_EQ(At(wind, 639, 2), 246);
    EXPECT_EQ(At(wind, 0, 3), 35);
    EXPECT_EQ(At(wind, 639, 3), 235);
}

TEST(PresetFadeImage, BlankIsUniformMiddleGrey) {
    const TImage& blank = Form().FadeBlankImage;
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            ASSERT_EQ(At(blank, x, y), 128) << x << "," << y;
        }
    }
}

TEST(PresetFadeImage, TwoFormsAreIdentical) {
    const TPresetFadeImageForm other;
    for (const NamedMask& m : AllMasks()) {
        const TImage& a = Form().*m.Member;
        const TImage& b = other.*m.Member;
        EXPECT_TRUE(std::equal(a.Bits(), a.Bits() + size_t(W) * H, b.Bits())) << m.Name;
    }
}

}  // namespace
}  // namespace tavri
