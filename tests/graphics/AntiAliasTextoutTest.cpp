#include <gtest/gtest.h>

#include "graphics/TestBitmaps.h"

#include <string>
#include <vector>

#include "graphics/AntiAliasTextout.h"
#include "graphics/Fonts.h"
#include "platform/TextEncoding.h"

namespace tavri {
namespace {

using platform::Cp932;

const TColor kBackground = RGB(40, 90, 160);

TImage Filled(int w, int h, TColor c = kBackground) {
    return test::Filled(w, h, c);
}

TFont Gothic(int height) {
    return TFont{Cp932("ＭＳ Ｐゴシック"), height};
}

bool FaceInstalled() {
    return !ResolveFace("", false, false).File.empty();
}

// Level of a blend of one component: b × inverse div 255 + c × level div 255.
int Blend(int b, int c, int level) {
    return b * (255 - level) / 255 + c * level / 255;
}

TEST(AntiAliasBlend, LevelsForFactorThree) {
    const TBlendTables tables = BuildBlendTables(3, RGB(255, 255, 255), 0);
    const std::vector<uint8_t> expected = {0, 28, 56, 85, 113, 141, 170, 198, 226, 255};
    EXPECT_EQ(tables.Level, expected);
}

// A hand-made supersampled image with `inked` of the nine samples of output pixel (1, 0) set,
// counted and blended as TextOut does.
struct TBlendCase {
    int Inked;
    TColor Background, Text;
};

class AntiAliasBlendCase : public testing::TestWithParam<TBlendCase> {};

TEST_P(AntiAliasBlendCase, CountThenBlend) {
    const TBlendCase c = GetParam();
    TImage hiRes(6, 3, TPixelFormat::Pf8bit);
    for (int i = 0; i < c.Inked; ++i) {
        hiRes.SetPixel(3 + i % 3, i / 3, 1);
    }
    TImage coverage(2, 1, TPixelFormat::Pf8bit);
    CountCoverage(hiRes, 3, 2, 1, coverage);
    EXPECT_EQ(coverage.ScanLine(0)[0], 0);
    ASSERT_EQ(coverage.ScanLine(0)[1], c.Inked);

    TImage target = Filled(2, 1, c.Background);
    const TBlendTables tables = BuildBlendTables(3, c.Text, 0);
    BlendCoverage(target, 0, 0, coverage, 2, 1, tables.Inverse, tables.Text);
    const int level = c.Inked * 255 / 9;
    EXPECT_EQ(target.Pixel(0, 0), c.Background);
    EXPECT_EQ(target.Pixel(1, 0), RGB(uint8_t(Blend(RedOf(c.Background), RedOf(c.Text), level)),
                                      uint8_t(Blend(GreenOf(c.Background), GreenOf(c.Text), level)),
                                      uint8_t(Blend(BlueOf(c.Background), BlueOf(c.Text), level))));
    if (c.Inked == 9) {
        EXPECT_EQ(target.Pixel(1, 0), c.Text);  // a full block is exactly the text colour
    }
}

INSTANTIATE_TEST_SUITE_P(AntiAliasBlocks, AntiAliasBlendCase,
                         testing::Values(TBlendCase{9, RGB(0, 0, 0), RGB(255, 255, 255)},
                                         TBlendCase{9, RGB(250, 3, 77), RGB(12, 200, 99)},
                                         TBlendCase{9, RGB(255, 255, 255), RGB(1, 2, 3)},
                                         TBlendCase{4, RGB(0, 0, 0), RGB(255, 255, 255)},
                                         TBlendCase{4, RGB(200, 100, 50), RGB(10, 20, 250)},
                                         TBlendCase{1, RGB(255, 255, 255), RGB(0, 0, 0)},
                                         TBlendCase{0, RGB(9, 8, 7), RGB(255, 0, 0)}));

TEST(AntiAliasBlend, FourOfNineIsLevel113) {
    TImage hiRes(3, 3, TPixelFormat::Pf8bit);
    for (int i : {0, 2, 4, 8}) {
        hiRes.SetPixel(i % 3, i / 3, 1);
    }
    TImage coverage(1, 1, TPixelFormat::Pf8bit), target = Filled(1, 1, 0);
    CountCoverage(hiRes, 3, 1, 1, coverage);
    const TBlendTables tables = BuildBlendTables(3, RGB(255, 255, 255), 0);
    BlendCoverage(target, 0, 0, coverage, 1, 1, tables.Inverse, tables.Text);
    EXPECT_EQ(target.Pixel(0, 0), RGB(113, 113, 113));
}

// Rows of '#' (255, ink) and '.' (0) in, rows of the levels out: 'T' 255, 'h' 2, 'v' 1, '.' 0.
// Ink starts at (2, 2) at the earliest, where TextOut draws it.
std::vector<std::string> Grown(const std::vector<std::string>& rows) {
    const int h = int(rows.size()), w = int(rows[0].size());
    TImage image(w, h, TPixelFormat::Pf8bit);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            image.SetPixel(x, y, rows[size_t(y)][size_t(x)] == '#' ? 255 : 0);
        }
    }
    GrowPlainOutline(image, w, h);
    std::vector<std::string> out;
    for (int y = 0; y < h; ++y) {
        std::string row;
        for (int x = 0; x < w; ++x) {
            const int v = image.ScanLine(y)[x];
            row += v == 255 ? 'T' : v == 2 ? 'h' : v == 1 ? 'v' : v == 0 ? '.' : '?';
        }
        out.push_back(row);
    }
    return out;
}

TEST(AntiAliasPlain, EdgePassesGrowOnePixelAllRound) {
    struct TCase {
        std::vector<std::string> In, Out;
    };
    const TCase cases[] = {
        {{"......", "......", "..#...", "......", "......"},
         {"......", ".vvv..", ".hTh..", ".vvv..", "......"}},
        {{".......", ".......", "..###..", ".......", "......."},
         {".......", ".vvvvv.", ".hTTTh.", ".vvvvv.", "......."}},
        {{"........", "........", "..#.....", "..#.....", "....#...", "........", "........"},
         {"........", ".vvv....", ".hTh....", ".hThvv..", ".vvhTh..", "...vvv..", "........"}},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(Grown(c.In), c.Out);
    }
}

// Draws `text` with the renderer's settings at (x, y) on a fresh target.
TImage Drawn(TAntiAliasTextout& r, int x, int y, const std::string& text, int w = 640,
             int h = 480) {
    TImage target = Filled(w, h);
    r.Target = &target;
    r.TextOut(x, y, text);
    r.Target = nullptr;
    return target;
}

struct TClipCase {
    bool AntiAlias;
    int Decoration;
    int X, Y;
};

class AntiAliasClip : public testing::TestWithParam<TClipCase> {};

// The clipped drawing is the unclipped one moved: every target pixel either shows the reference
// pixel it moved to, or the untouched background when that lies outside the reference.
TEST_P(AntiAliasClip, TouchesNothingOutsideTheTarget) {
    if (!FaceInstalled()) {
        GTEST_SKIP() << "no Japanese face installed";
    }
    const TClipCase c = GetParam();
    TAntiAliasTextout r;
    r.Font = Gothic(-28);
    r.TextColor = RGB(255, 255, 255);
    r.EdgeColor = RGB(200, 0, 0);
    r.AntiAlias = c.AntiAlias;
    r.Decoration = uint8_t(c.Decoration);
    const std::string text = Cp932("表あ");
    const TImage reference = Drawn(r, 100, 100, text);
    const TImage clipped = Drawn(r, c.X, c.Y, text);
    const int dx = 100 - c.X, dy = 100 - c.Y;
    int differences = 0, inked = 0;
    for (int y = 0; y < clipped.Height(); ++y) {
        for (int x = 0; x < clipped.Width(); ++x) {
            const int rx = x + dx, ry = y + dy;
            const bool inside = rx >= 0 && ry >= 0 && rx < 640 && ry < 480;
            const TColor expected = inside ? reference.Pixel(rx, ry) : kBackground;
            differences += clipped.Pixel(x, y) != expected;
            inked += clipped.Pixel(x, y) != kBackground;
        }
    }
    EXPECT_EQ(differences, 0);
    EXPECT_GT(inked, 0);
}

INSTANTIATE_TEST_SUITE_P(AntiAliasEdges, AntiAliasClip,
                         testing::Values(TClipCase{true, 0, 628, 200}, TClipCase{true, 1, 638, 200},
                                         TClipCase{true, 2, 630, 200}, TClipCase{true, 0, 300, -5},
                                         TClipCase{true, 1, 300, -5}, TClipCase{true, 2, 300, -5},
                                         TClipCase{true, 2, 620, 460}, TClipCase{true, 1, -20, -20},
                                         TClipCase{false, 1, 632, 200},
                                         TClipCase{false, 1, 300, -5},
                                         TClipCase{false, 2, 630, 470},
                                         TClipCase{false, 0, -10, 300}));

TEST(AntiAliasOutline, RimIsOnePixelAndGlyphNeverMixesWithTheBackground) {
    if (!FaceInstalled()) {
        GTEST_SKIP() << "no Japanese face installed";
    }
    TAntiAliasTextout r;
    r.Font = Gothic(-24);
    r.TextColor = RGB(255, 255, 255);
    r.EdgeColor = RGB(10, 20, 30);
    r.Decoration = 1;
    const std::string text = Cp932("永");
    const TBlendTables tables = BuildBlendTables(3, r.TextColor, r.EdgeColor);
    int rim = 0;
    for (TColor background : {RGB(0, 0, 0), RGB(255, 255, 0), RGB(30, 200, 90)}) {
        TImage target = Filled(64, 64, background);
        r.Target = &target;
        const TRect rect = r.TextOut(10, 10, text);
        auto glyph = [&](int x, int y) {
            const int col = x - 10, row = y - 10;
            return col >= 0 && row >= 0 && col < rect.Width() && row < rect.Height() &&
                   r.CoverageImage.ScanLine(row)[col] > 0;
        };
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x) {
                const TColor pixel = target.Pixel(x, y);
                if (glyph(x, y)) {
                    const auto& e = tables.Combined[r.CoverageImage.ScanLine(y - 10)[x - 10]];
                    ASSERT_EQ(pixel, RGB(e[2], e[1], e[0])) << x << "," << y;
                    continue;
                }
                bool nearGlyph = false;
                for (int oy = -1; oy <= 1; ++oy) {
                    for (int ox = -1; ox <= 1; ++ox) {
                        nearGlyph = nearGlyph || glyph(x + ox, y + oy);
                    }
                }
                if (!nearGlyph) {
                    ASSERT_EQ(pixel, background) << x << "," << y;
                } else if (pixel != background) {
                    ++rim;
                }
            }
        }
    }
    EXPECT_GT(rim, 0);
}

TEST(AntiAliasShadow, ShadowLiesOnePixelDownRightUnderTheGlyph) {
    if (!FaceInstalled()) {
        GTEST_SKIP() << "no Japanese face installed";
    }
    TAntiAliasTextout r;
    r.Font = Gothic(-24);
    r.TextColor = RGB(255, 255, 255);
    r.EdgeColor = RGB(0, 0, 0);
    r.Decoration = 2;
    TImage target = Filled(64, 64);
    r.Target = &target;
    const TRect rect = r.TextOut(10, 10, Cp932("田"));
    auto n = [&](int col, int row) {
        return col < 0 || row < 0 || col >= rect.Width() || row >= rect.Height()
                   ? 0
                   : int(r.CoverageImage.ScanLine(row)[col]);
    };
    int fullGlyph = 0, fullShadow = 0;
    for (int row = 0; row < rect.Height() + 1; ++row) {
        for (int col = 0; col < rect.Width() + 1; ++col) {
            const TColor pixel = target.Pixel(10 + col, 10 + row);
            if (n(col, row) == 9) {
                ASSERT_EQ(pixel, r.TextColor) << col << "," << row;
                ++fullGlyph;
            } else if (n(col, row) == 0 && n(col - 1, row - 1) == 9) {
                ASSERT_EQ(pixel, r.EdgeColor) << col << "," << row;
                ++fullShadow;
            } else if (n(col, row) == 0 && n(col - 1, row - 1) == 0) {
                ASSERT_EQ(pixel, kBackground) << col << "," << row;
            }
        }
    }
    EXPECT_GT(fullGlyph, 0);
    EXPECT_GT(fullShadow, 0);
}

TEST(AntiAliasMeasure, EmptyStringIsHalfTheFactorByTheLineHeight) {
    if (!FaceInstalled()) {
        GTEST_SKIP() << "no Japanese face installed";
    }
    struct TCase {
        int Height, Factor;
        TSize Expected;  // positive heights are cell heights, so h2 is twice the height
    };
    const TCase cases[] = {{16, 3, {1, 17}}, {32, 3, {1, 33}}, {17, 4, {2, 19}}, {20, 1, {0, 20}}};
    for (const TCase& c : cases) {
        TAntiAliasTextout r;
        r.Font = Gothic(c.Height);
        r.Factor = uint8_t(c.Factor);
        EXPECT_EQ(r.MeasureText(""), c.Expected) << c.Height;
    }
    TAntiAliasTextout r;
    r.Font = Gothic(-28);
    const int h2 = TextExtent(Gothic(-56), "").Height;
    EXPECT_EQ(r.MeasureText(""), (TSize{1, (h2 + 3) / 2}));
}

TEST(AntiAliasPlain, OutlineGrowsTheRectangleByFourAndSix) {
    if (!FaceInstalled()) {
        GTEST_SKIP() << "no Japanese face installed";
    }
    TAntiAliasTextout r;
    r.Font = Gothic(-17);
    r.AntiAlias = false;
    r.Decoration = 1;
    r.TextColor = RGB(255, 255, 255);
    r.EdgeColor = RGB(0, 0, 0);
    const std::string text = Cp932("はじめから読む");
    const TSize extent = TextExtent(r.Font, text);
    TImage target = Filled(300, 60);
    r.Target = &target;
    const TRect rect = r.TextOut(20, 10, text);
    EXPECT_EQ(rect, (TRect{20, 10, 20 + extent.Width + 4, 10 + extent.Height + 6}));

    // The glyph lies two pixels right of and below (x, y): the same pixels a plain mask of the
    // text drawn at (22, 12) covers, and only those are the text colour.
    TImage mask(300, 60, TPixelFormat::Pf8bit);
    DrawTextMask(mask, 22, 12, text, r.Font, 1);
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 300; ++x) {
            const bool ink = mask.ScanLine(y)[x] != 0;
            const TColor pixel = target.Pixel(x, y);
            ASSERT_EQ(pixel == r.TextColor, ink) << x << "," << y;
            if (pixel == r.EdgeColor) {
                bool near = false;
                for (int oy = -1; oy <= 1; ++oy) {
                    for (int ox = -1; ox <= 1; ++ox) {
                        near = near || mask.ScanLine(y + oy)[x + ox] != 0;
                    }
                }
                ASSERT_TRUE(near) << x << "," << y;
            }
        }
    }
}

TEST(AntiAliasLarge, OversizedTextIsDrawnWholeNeverCut) {
    if (!FaceInstalled()) {
        GTEST_SKIP() << "no Japanese face installed";
    }
    struct TCase {
        int Height;
        int Characters;
        bool AntiAlias;
    };
    // One 200-pixel character does not fit the work images at all; thirty 28-pixel ones fit only
    // in pieces.
    for (const TCase& c : {TCase{-200, 1, true}, TCase{-28, 30, true}, TCase{-300, 1, false},
                           TCase{-28, 30, false}}) {
        TAntiAliasTextout r;
        r.Font = Gothic(c.Height);
        r.AntiAlias = c.AntiAlias;
        r.Decoration = 1;
        r.TextColor = RGB(255, 255, 255);
        std::string text;
        for (int i = 0; i < c.Characters; ++i) {
            text += Cp932("漢");
        }
        TImage target = Filled(1200, 400);
        r.Target = &target;
        const TRect rect = r.TextOut(4, 4, text);
        const int em = -c.Height;
        EXPECT_GE(rect.Right, 4 + c.Characters * em - 4) << c.Height;
        EXPECT_LE(rect.Right, 4 + c.Characters * em + 12) << c.Height;
        // The last character is there, fully: text-coloured pixels in its right half.
        int lastInk = 0;
        for (int y = 0; y < 400; ++y) {
            for (int x = rect.Right - em / 2; x < rect.Right; ++x) {
                lastInk += target.Pixel(x, y) == r.TextColor;
            }
        }
        EXPECT_GT(lastInk, 0) << c.Height;
    }
}

TEST(AntiAliasTitle, TitleFontIsThirtyTwoPixelsHigh) {
    if (!FaceInstalled()) {
        GTEST_SKIP() << "no Japanese face installed";
    }
    const TFont title = Gothic(FontHeightForPoints(-24, 96));
    EXPECT_EQ(title.Height, 32);
    for (const char* text : {"", "Tavri", "クリックでスタート"}) {
        EXPECT_EQ(TextExtent(title, Cp932(text)).Height, 32) << text;
    }
}

}  // namespace
}  // namespace tavri
