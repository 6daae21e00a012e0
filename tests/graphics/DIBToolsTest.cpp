#include "graphics/DIBTools.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <random>

#include "platform/TextEncoding.h"

namespace tavri {
namespace {

using platform::Cp932;

TImage Solid(int w, int h, TColor c) {
    TImage image(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            image.SetPixel(x, y, c);
        }
    }
    return image;
}

TColor Grey(int v) {
    return RGB(uint8_t(v), uint8_t(v), uint8_t(v));
}

TImage Noise(int w, int h, uint32_t seed) {
    TImage image(w, h);
    std::mt19937 rng(seed);
    for (size_t i = 0; i < image.RowBytes() * size_t(h); ++i) {
        image.Bits()[i] = uint8_t(rng());
    }
    return image;
}

std::vector<uint8_t> BytesOf(const TImage& image) {
    return std::vector<uint8_t>(image.Bits(), image.Bits() + image.RowBytes() * image.Height());
}

// The message of the EDibError `action` raises, or "" when it raises none.
std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EDibError& e) {
        return e.what();
    }
    return "";
}

// ----- Cross-fade -----

TEST(DIBTools, CrossFadeTruncatesEachProductAndClampsTheLevel) {
    struct Case {
        int level, p, q, expected;
    };
    const Case cases[] = {
        {50, 200, 100, 150},  // a = 128: 100 + 50
        {33, 255, 255, 254},  // a = 84: 83 + 171, each product truncated on its own
        {1, 255, 0, 1},       // a = 2
        {99, 0, 255, 2},      // a = 253, b = 3
        {0, 200, 100, 100},   // exactly B
        {-5, 200, 100, 100},  // as 0
        {100, 200, 100, 77},  // a copy of X, not of the buffer filled from A
        {250, 200, 100, 77},  // as 100
    };
    for (const Case& c : cases) {
        TDibTools tools;
        tools.DibBlendInit(Solid(8, 3, Grey(c.p)), Solid(8, 3, Grey(c.q)));
        const TImage x = Solid(8, 3, Grey(77)), y = Solid(8, 3, Grey(9));
        TImage target = Solid(8, 3, Grey(1));
        tools.DibBlend(x, y, target, int16_t(c.level));
        EXPECT_EQ(target.Pixel(5, 2), Grey(c.expected)) << c.level;
    }
}

TEST(DIBTools, CrossFadeEndsShowTheImagesExactly) {
    const TImage a = Noise(16, 5, 1), b = Noise(16, 5, 2);
    TDibTools tools;
    tools.DibBlendInit(a, b);
    TImage target(16, 5);
    tools.DibBlend(a, b, target, 0);
    EXPECT_EQ(BytesOf(target), BytesOf(b));
    tools.DibBlend(a, b, target, 100);
    EXPECT_EQ(BytesOf(target), BytesOf(a));
}

// ----- Refusals -----

TEST(DIBTools, InitsRefuseWidthsTheirBlendCannotStep) {
    struct Case {
        bool masked;
        int width;
        std::string expected;
    };
    const Case cases[] = {
        {false, 644, Cp932("DibBlendInit: DIBの幅は8の倍数でなければなりません w=644")},
        {false, 640, ""},
        {true, 644, ""},
        {true, 642, Cp932("DibAlphaMaskInit: DIBの幅は4の倍数でなければなりません w=642")},
    };
    for (const Case& c : cases) {
        const TImage frame = Solid(c.width, 2, Grey(50));
        TDibTools tools;
        tools.DibAlphaMaskInit(Solid(8, 2, 0), Solid(8, 2, 0), Solid(8, 2, 0));
        const std::string error = ErrorOf([&] {
            c.masked ? tools.DibAlphaMaskInit(frame, frame, frame)
                     : tools.DibBlendInit(frame, frame);
        });
        EXPECT_EQ(error, c.expected) << c.width;
        if (!c.expected.empty()) {
            // The earlier buffers are gone and nothing new was allocated.
            EXPECT_TRUE(tools.BlendBufferA.empty() && tools.BlendBufferB.empty() &&
                        tools.BlendBufferMask.empty());
            EXPECT_EQ(tools.BufferWidth, 0);
        }
    }
}

TEST(DIBTools, MismatchedSizesAreRefusedBeforeAnythingIsWritten) {
    const std::string initBlend = Cp932("DibBlendInit: ソースDIBサイズが一致していません");
    const std::string initMask = Cp932("DibAlphaMaskInit: ソースDIBサイズが一致していません");
    const std::string blend = Cp932("DibBlend: ソースDIBサイズが一致していません");
    const std::string masked =
        Cp932("DibAlphaMaskBlendInterlace: ソースDIBサイズが一致していません");
    const TImage f16x4 = Noise(16, 4, 3), f16x5 = Noise(16, 5, 4), f24x4 = Noise(24, 4, 5);
    TImage target = Solid(16, 4, Grey(7));
    const auto before = BytesOf(target);

    struct Case {
        const char* what;
        std::function<void(TDibTools&)> action;
        std::string expected;
    };
    const Case cases[] = {
        {"blend init, other height", [&](TDibTools& t) { t.DibBlendInit(f16x4, f16x5); },
         initBlend},
        {"blend init, other width", [&](TDibTools& t) { t.DibBlendInit(f16x4, f24x4); }, initBlend},
        {"mask init, mask of other size",
         [&](TDibTools& t) { t.DibAlphaMaskInit(f16x4, f16x4, f16x5); }, initMask},
        {"mask init, B of other size",
         [&](TDibTools& t) { t.DibAlphaMaskInit(f16x4, f24x4, f16x4); }, initMask},
        {"blend without init", [&](TDibTools& t) { t.DibBlend(f16x4, f16x4, target, 50); }, blend},
        {"blend at 100 without init", [&](TDibTools& t) { t.DibBlend(f16x4, f16x4, target, 100); },
         blend},
        {"blend of frames other than the buffers'",
         [&](TDibTools& t) {
             t.DibBlendInit(f24x4, f24x4);
             t.DibBlend(f16x4, f16x4, target, 50);
         },
         blend},
        {"blend with Y of other size",
         [&](TDibTools& t) {
             t.DibBlendInit(f16x4, f16x4);
             t.DibBlend(f16x4, f16x5, target, 100);
         },
         blend},
        {"masked step after a cross-fade init (no mask)",
         [&](TDibTools& t) {
             t.DibBlendInit(f16x4, f16x4);
             t.DibAlphaMaskBlend(f16x4, f16x4, f16x4, target, 50, 24);
         },
         masked},
        {"masked step with X of other size",
         [&](TDibTools& t) {
             t.DibAlphaMaskInit(f16x4, f16x4, f16x4);
             t.DibAlphaMaskBlend(f16x5, f16x4, f16x4, target, 50, 24);
         },
         masked},
    };
    for (const Case& c : cases) {
        TDibTools tools;
        EXPECT_EQ(ErrorOf([&] { c.action(tools); }), c.expected) << c.what;
        EXPECT_EQ(BytesOf(target), before) << c.what;
        EXPECT_EQ(tools.InterlaceCounter, 0) << c.what;
    }
}

// ----- Masked transition -----

// A black incoming frame, a white outgoing one, and the given mask.
struct MaskedScene {
    TImage a, b, mask, target;
    TDibTools tools;
    explicit MaskedScene(TImage m) : mask(std::move(m)) {
        a = Solid(mask.Width(), mask.Height(), Grey(0));
        b = Solid(mask.Width(), mask.Height(), Grey(255));
        target = Solid(mask.Width(), mask.Height(), Grey(7));
        tools.DibAlphaMaskInit(a, b, mask);
    }
    void Step(int level, int softness) {
        tools.DibAlphaMaskBlend(a, b, mask, target, int16_t(level), int16_t(softness));
    }
    std::vector<bool> RowsWritten() const {
        std::vector<bool> rows;
        for (int y = 0; y < target.Height(); ++y) {
            rows.push_back(target.Pixel(0, y) != Grey(7));
        }
        return rows;
    }
};

TEST(DIBTools, InterlacedStepsAlternateRowsAndTheLastWritesThemAll) {
    MaskedScene scene(Solid(8, 5, Grey(0)));
    scene.Step(0, 24);
    EXPECT_EQ(scene.RowsWritten(), (std::vector<bool>{true, false, true, false, true}));
    EXPECT_EQ(scene.tools.InterlaceCounter, 1);
    scene.target = Solid(8, 5, Grey(7));
    scene.Step(-5, 24);  // counts like 0
    EXPECT_EQ(scene.RowsWritten(), (std::vector<bool>{false, true, false, true, false}));
    EXPECT_EQ(scene.tools.InterlaceCounter, 2);
    for (int level : {100, 250}) {
        scene.target = Solid(8, 5, Grey(7));
        scene.Step(level, 24);
        EXPECT_EQ(BytesOf(scene.target), BytesOf(scene.a)) << level;
        EXPECT_EQ(scene.tools.InterlaceCounter, 2) << level;
    }
}

TEST(DIBTools, InterlaceParityKeepsAlternatingWhenTheCounterWraps) {
    MaskedScene scene(Solid(8, 4, Grey(0)));
    const std::vector<bool> odd{false, true, false, true}, even{true, false, true, false};
    scene.tools.InterlaceCounter = INT32_MAX;
    scene.Step(10, 24);
    EXPECT_EQ(scene.RowsWritten(), odd);
    EXPECT_EQ(scene.tools.InterlaceCounter, INT32_MIN);
    scene.target = Solid(8, 4, Grey(7));
    scene.Step(10, 24);
    EXPECT_EQ(scene.RowsWritten(), even);
    scene.tools.InterlaceCounter = -3;
    scene.target = Solid(8, 4, Grey(7));
    scene.Step(10, 24);
    EXPECT_EQ(scene.RowsWritten(), odd);
}

TEST(DIBTools, MaskedLevelZeroLeavesA256thOfTheIncomingImage) {
    for (int softness : {-32768, -5, 0, 1, 24, 255, 32767}) {
        MaskedScene scene(Noise(8, 2, 6));
        scene.Step(0, softness);
        EXPECT_EQ(scene.target.Pixel(3, 0), Grey(254)) << softness;  // 255 × 255 div 256
    }
}

// Row 0 of a mask whose column i holds the value i.
TImage MaskRamp() {
    TImage mask(256, 1);
    for (int i = 0; i < 256; ++i) {
        mask.SetPixel(i, 0, Grey(i));
    }
    return mask;
}

TEST(DIBTools, MaskedEdgeFollowsTheWeightTable) {
    struct Case {
        int level, softness;
        std::vector<std::pair<int, int>> valueAndOutput;  // output = 255 × t div 256
    };
    const Case cases[] = {
        // c = 140: below 116 incoming, 116-139 ramp (t = (i − 116) × 256 div 24), then outgoing
        {50, 24, {{0, 0}, {115, 0}, {116, 0}, {117, 9}, {128, 127}, {139, 244}, {140, 254}}},
        // softness 1 is a hard switch at c = 128
        {50, 1, {{0, 0}, {127, 0}, {128, 254}, {255, 254}}},
        // a negative softness too, at c = 50 × 246 div 100 = 123
        {50, -10, {{122, 0}, {123, 254}}},
        // c = 2 with a ramp from −22: even value 0 is still on it
        {1, 24, {{0, 233}, {1, 244}, {2, 254}}},
        // near the end only the top of the ramp remains: c = 277, ramp from 253
        {99, 24, {{252, 0}, {253, 0}, {254, 9}, {255, 20}}},
    };
    for (const Case& c : cases) {
        MaskedScene scene(MaskRamp());
        scene.Step(c.level, c.softness);
        for (auto [value, output] : c.valueAndOutput) {
            EXPECT_EQ(scene.target.Pixel(value, 0), Grey(output))
                << c.level << " " << c.softness << " value " << value;
        }
    }
}

TEST(DIBTools, HardEdgesShowOnlyTheTwoImages) {
    for (int softness : {1, 0, -1, -300}) {
        for (int level = 0; level < 100; level += 7) {
            MaskedScene scene(MaskRamp());
            scene.Step(level, softness);
            for (int i = 0; i < 256; ++i) {
                const TColor c = scene.target.Pixel(i, 0);
                ASSERT_TRUE(c == Grey(0) || c == Grey(254)) << softness << " " << level << " " << i;
            }
        }
    }
}

TEST(DIBTools, MaskValueIsThePixelsBlueByte) {
    TImage mask(4, 1);
    mask.SetPixel(0, 0, RGB(255, 255, 0));  // blue 0: switched
    mask.SetPixel(1, 0, RGB(0, 0, 255));    // blue 255: not yet
    MaskedScene scene(mask);
    scene.Step(50, 24);
    EXPECT_EQ(scene.target.Pixel(0, 0), Grey(0));
    EXPECT_EQ(scene.target.Pixel(1, 0), Grey(254));
}

TEST(DIBTools, EightBitInputsAreReadThroughTheirPalettes) {
    // Index 0 is white and index 1 black, the reverse of a grey ramp.
    TImage white(8, 2, TPixelFormat::Pf8bit), mask(8, 2, TPixelFormat::Pf8bit);
    white.Palette = mask.Palette = {Grey(255), Grey(0)};
    mask.SetPixel(1, 0, 1);
    const TImage black = Solid(8, 2, Grey(0));
    TImage target(8, 2, TPixelFormat::Pf8bit);
    TDibTools tools;
    tools.DibBlendInit(white, black);
    tools.DibBlend(white, black, target, 50);
    EXPECT_EQ(target.PixelFormat(), TPixelFormat::Pf24bit);
    EXPECT_EQ(target.Pixel(0, 0), Grey(127));  // 255 × 128 div 256
    tools.DibAlphaMaskInit(black, white, mask);
    tools.DibAlphaMaskBlend(black, white, mask, target, 50, 24);
    EXPECT_EQ(target.Pixel(0, 0), Grey(254));  // index 0 is mask value 255: still outgoing
    EXPECT_EQ(target.Pixel(1, 0), Grey(0));    // index 1 is mask value 0: incoming
}

// ----- Colour wash -----

TEST(DIBTools, FillBlendWashesTheRectangleOnly) {
    struct Case {
        int level, expected;  // over a pixel byte 200 with a colour byte 100
    };
    const Case cases[] = {{-5, 200}, {0, 200}, {1, 198}, {40, 159}, {100, 100}, {250, 100}};
    for (const Case& c : cases) {
        TImage image = Solid(8, 5, Grey(200));
        DibFillBlend(image, TRect{2, 1, 5, 3}, Grey(100), int16_t(c.level));
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 8; ++x) {
                const bool inside = x >= 2 && x < 5 && y >= 1 && y < 3;
                EXPECT_EQ(image.Pixel(x, y), Grey(inside ? c.expected : 200))
                    << c.level << " at " << x << "," << y;
            }
        }
    }
}

TEST(DIBTools, FillBlendPutsEachChannelInItsByte) {
    TImage image = Solid(3, 1, 0);
    DibFillBlend(image, TRect{0, 0, 3, 1}, RGB(10, 20, 30), 100);
    EXPECT_EQ(image.ScanLine(0)[0], 30);  // blue first
    EXPECT_EQ(image.ScanLine(0)[1], 20);
    EXPECT_EQ(image.ScanLine(0)[2], 10);
}

TEST(DIBTools, FillBlendClipsItsRectangleToTheImage) {
    struct Case {
        TRect rect;
        int filledPixels;
    };
    const Case cases[] = {
        {{-3, -2, 100, 100}, 24},
        {{4, 2, 9, 9}, 4},
        {{10, 10, 20, 20}, 0},
        {{-9, -9, -1, -1}, 0},
        {{5, 0, 2, 4}, 0},
        {{0, 0, 6, 4}, 24},
        {{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, 24},
    };
    for (const Case& c : cases) {
        TImage image = Solid(6, 4, Grey(200));
        DibFillBlend(image, c.rect, Grey(9), 100);
        int filled = 0;
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 6; ++x) {
                filled += image.Pixel(x, y) == Grey(9);
            }
        }
        EXPECT_EQ(filled, c.filledPixels) << c.rect.Left << "," << c.rect.Top;
    }
}

// ----- Rectangle copy -----

TEST(DIBTools, CopyRectCopiesInclusiveBoundsClippedToBothImages) {
    struct Case {
        TRect rect;
        int sourceWidth, sourceHeight;
        TRect copied;  // right and bottom exclusive
    };
    const Case cases[] = {
        {{1, 2, 3, 4}, 8, 6, {1, 2, 4, 5}},       {{-5, -5, 100, 100}, 8, 6, {0, 0, 8, 6}},
        {{-5, -5, 100, 100}, 4, 3, {0, 0, 4, 3}},  // a smaller source
        {{2, 1, 20, 1}, 12, 9, {2, 1, 8, 2}},      // a larger source
        {{3, 3, 2, 2}, 8, 6, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        const TImage source = Noise(c.sourceWidth, c.sourceHeight, 8);
        TImage destination = Solid(8, 6, Grey(1));
        DibCopyRect(source, destination, c.rect);
        for (int y = 0; y < 6; ++y) {
            for (int x = 0; x < 8; ++x) {
                const bool inside = x >= c.copied.Left && x < c.copied.Right && y >= c.copied.Top &&
                                    y < c.copied.Bottom;
                EXPECT_EQ(destination.Pixel(x, y), inside ? source.Pixel(x, y) : Grey(1))
                    << c.rect.Left << "," << c.rect.Top << " at " << x << "," << y;
            }
        }
    }
}

// ----- Sprite blits -----

// Which destination pixels a blit of a sprite at (x, y) may write: those over the sprite and
// inside both the clip rectangle and the destination.
bool Covered(int col, int row, int x, int y, int w, int h, const TRect& clip) {
    const int64_t sx = int64_t(col) - x, sy = int64_t(row) - y;
    return sx >= 0 && sx < w && sy >= 0 && sy < h && col >= clip.Left && col < clip.Right &&
           row >= clip.Top && row < clip.Bottom;
}

struct BlitCase {
    int x, y;
    TRect clip;
};

const BlitCase kBlitCases[] = {
    {0, 0, {0, 0, 9, 7}},
    {3, 2, {0, 0, 9, 7}},      // off the right and bottom
    {-2, -1, {0, 0, 9, 7}},    // drawn from sprite column 2, row 1
    {-2, -1, {-5, -5, 3, 2}},  // a clip reaching above and left of 0
    {1, 1, {2, 3, 4, 5}},      // the clip cuts the sprite
    {9, 0, {0, 0, 9, 7}},      // x at the destination width
    {0, 7, {0, 0, 9, 7}},      // y at the destination height
    {INT_MAX, INT_MAX, {0, 0, 9, 7}},
    {INT_MIN, INT_MIN, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}},
    {-1, -1, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}},
};

TEST(DIBToolsBlits, BothBlitsDrawTheSamePixelsClipped) {
    // A sprite without its key colour and a fully opaque mask draw every covered pixel.
    TImage sprite = Noise(6, 5, 9);
    sprite.SetPixel(0, 0, RGB(1, 2, 3));
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 6; ++x) {
            if ((x || y) && sprite.Pixel(x, y) == RGB(1, 2, 3)) {
                sprite.SetPixel(x, y, RGB(1, 2, 4));
            }
        }
    }
    const TImage opaque(6, 5, TPixelFormat::Pf8bit);
    for (bool masked : {false, true}) {
        for (const BlitCase& c : kBlitCases) {
            TImage destination = Solid(9, 7, Grey(1));
            if (masked) {
                DibDrawAlphaMask(sprite, opaque, destination, c.clip, c.x, c.y);
            } else {
                DibDrawTransparent(sprite, destination, c.x, c.y, c.clip);
            }
            for (int row = 0; row < 7; ++row) {
                for (int col = 0; col < 9; ++col) {
                    // The transparent blit skips the key pixel itself, at the sprite's (0, 0).
                    const bool drawn = Covered(col, row, c.x, c.y, 6, 5, c.clip) &&
                                       (masked || col != c.x || row != c.y);
                    const TColor expected = drawn ? sprite.Pixel(col - c.x, row - c.y) : Grey(1);
                    ASSERT_EQ(destination.Pixel(col, row), expected)
                        << masked << " at " << c.x << "," << c.y << " pixel " << col << "," << row;
                }
            }
        }
    }
}

TEST(DIBToolsBlits, TransparentBlitSkipsTheTopLeftColour) {
    const TColor magenta = RGB(255, 0, 255), nearly = RGB(255, 0, 254);
    TImage sprite = Solid(3, 2, magenta);
    sprite.SetPixel(1, 0, Grey(50));
    sprite.SetPixel(2, 1, nearly);
    TImage destination = Solid(5, 4, Grey(1));
    DibDrawTransparent(sprite, destination, 1, 1, TRect{0, 0, 5, 4});
    EXPECT_EQ(destination.Pixel(1, 1), Grey(1));
    EXPECT_EQ(destination.Pixel(2, 1), Grey(50));
    EXPECT_EQ(destination.Pixel(3, 2), nearly);  // all three bytes must match to be skipped
    EXPECT_EQ(destination.Pixel(2, 2), Grey(1));
}

TEST(DIBToolsBlits, AlphaMaskBlendRoundsTowardsMinusInfinity) {
    struct Case {
        int s, d, m, expected;  // s + (d − s) × m shr 8
    };
    const Case cases[] = {
        {0, 255, 255, 254},                      // 65025 shr 8 = 254
        {255, 0, 128, 127},                      // −32640 shr 8 = −128
        {255, 0, 1, 254},                        // −255 shr 8 = −1, not 0
        {200, 100, 255, 100},                    // −25500 shr 8 = −100
        {100, 200, 255, 199},                    // 25500 shr 8 = 99
        {10, 10, 200, 10},    {77, 200, 0, 77},  // mask 0: the sprite exactly
    };
    for (const Case& c : cases) {
        const TImage sprite = Solid(2, 1, Grey(c.s));
        TImage mask(2, 1, TPixelFormat::Pf8bit);
        mask.SetPixel(0, 0, TColor(c.m));
        mask.SetPixel(1, 0, TColor(c.m));
        TImage destination = Solid(2, 1, Grey(c.d));
        DibDrawAlphaMask(sprite, mask, destination, TRect{0, 0, 2, 1}, 0, 0);
        EXPECT_EQ(destination.Pixel(1, 0), Grey(c.expected)) << c.s << " " << c.d << " " << c.m;
    }
}

TEST(DIBToolsBlits, AlphaMaskBlitStopsAtTheEdgeOfASmallerMask) {
    const TImage sprite = Solid(4, 4, Grey(90));
    TImage mask(2, 3, TPixelFormat::Pf24bit);  // a 24-bit mask gives its blue bytes
    TImage destination = Solid(4, 4, Grey(1));
    DibDrawAlphaMask(sprite, mask, destination, TRect{0, 0, 4, 4}, 0, 0);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(destination.Pixel(x, y), Grey(x < 2 && y < 3 ? 90 : 1)) << x << "," << y;
        }
    }
}

// ----- Pictures -----

TEST(DIBTools, AssignGraphicMakesA24BitCopyThroughThePalette) {
    TImage picture(3, 2, TPixelFormat::Pf8bit);
    picture.Palette = {RGB(1, 2, 3), RGB(200, 100, 50)};
    picture.SetPixel(2, 1, 1);
    TImage target = Noise(7, 7, 10);
    EXPECT_TRUE(DibAssignGraphic(target, picture));
    EXPECT_EQ(target.PixelFormat(), TPixelFormat::Pf24bit);
    EXPECT_EQ(target.Width(), 3);
    EXPECT_EQ(target.Height(), 2);
    EXPECT_EQ(target.Pixel(0, 0), RGB(1, 2, 3));
    EXPECT_EQ(target.Pixel(2, 1), RGB(200, 100, 50));
    EXPECT_EQ(picture.PixelFormat(), TPixelFormat::Pf8bit);
}

TEST(DIBTools, DefaultToolsAreOneInstance) {
    EXPECT_EQ(&DefaultDibTools(), &DefaultDibTools());
}

}  // namespace
}  // namespace tavri
