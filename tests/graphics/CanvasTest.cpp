#include <gtest/gtest.h>

#include "graphics/TestBitmaps.h"

#include <climits>
#include <string>
#include <vector>

#include "graphics/Canvas.h"

namespace tavri {
namespace {

const TColor kBackground = RGB(1, 2, 3);
const TColor kInk = RGB(200, 100, 50);

TImage Filled(int w, int h, TColor c = kBackground) {
    return test::Filled(w, h, c);
}

// One string per row: '#' for the ink, '.' for anything else.
std::vector<std::string> Picture(const TImage& image) {
    std::vector<std::string> rows;
    for (int y = 0; y < image.Height(); ++y) {
        std::string row;
        for (int x = 0; x < image.Width(); ++x) {
            row += image.Pixel(x, y) == kInk ? '#' : '.';
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(Canvas, FillRectClipsToTheImage) {
    const TRect rects[] = {
        {1, 1, 4, 3}, {-3, -2, 2, 2},  {4, 3, 50, 60}, {2, 2, 2, 5},
        {5, 4, 1, 1}, {-10, 0, -1, 5}, {6, 0, 9, 5},   {INT_MIN, INT_MIN, INT_MAX, INT_MAX}};
    for (const TRect& r : rects) {
        TImage image = Filled(6, 5);
        FillRect(image, r, kInk);
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 6; ++x) {
                const bool inside = x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
                ASSERT_EQ(image.Pixel(x, y), inside ? kInk : kBackground)
                    << r.Left << "," << r.Top << "," << r.Right << "," << r.Bottom << " at " << x
                    << "," << y;
            }
        }
    }
}

TEST(Canvas, FillsOnAnEightBitImageWriteTheLowByteAsIndex) {
    TImage image(4, 3, TPixelFormat::Pf8bit);
    FillRect(image, {0, 0, 2, 3}, RGB(7, 200, 100));
    FillRoundRect(image, {2, 0, 4, 3}, 0, 0, RGB(9, 1, 1));
    const std::vector<uint8_t> expected = {7, 7, 9, 9, 7, 7, 9, 9, 7, 7, 9, 9};
    EXPECT_EQ(std::vector<uint8_t>(image.Bits(), image.Bits() + 12), expected);
}

TEST(Canvas, RoundRectSmallShapes) {
    struct {
        const char* Name;
        TRect Rect;
        int W, H;
        std::vector<std::string> Expected;  // on a 12 × 10 image
    } const cases[] = {
        {"10x8 with 6x6 corners",
         {1, 1, 11, 9},
         6,
         6,
         {"............", "..########..", ".##########.", ".##########.", ".##########.",
          ".##########.", ".##########.", ".##########.", "..########..", "............"}},
        {"10x8 with a 10x8 ellipse",
         {1, 1, 11, 9},
         10,
         8,
         {"............", "....####....", "..########..", ".##########.", ".##########.",
          ".##########.", ".##########.", "..########..", "....####....", "............"}},
        {"5x5 circle",
         {0, 0, 5, 5},
         5,
         5,
         {".###........", "#####.......", "#####.......", "#####.......", ".###........",
          "............", "............", "............", "............", "............"}},
        {"ellipse larger than the rectangle is limited to it",
         {0, 0, 5, 5},
         99,
         99,
         {".###........", "#####.......", "#####.......", "#####.......", ".###........",
          "............", "............", "............", "............", "............"}},
        {"corners below 2 are square",
         {0, 0, 3, 2},
         1,
         8,
         {"###.........", "###.........", "............", "............", "............",
          "............", "............", "............", "............", "............"}},
        {"negative corners are square",
         {9, 8, 12, 10},
         -6,
         -6,
         {"............", "............", "............", "............", "............",
          "............", "............", "............", ".........###", ".........###"}},
    };
    for (const auto& c : cases) {
        TImage image = Filled(12, 10);
        FillRoundRect(image, c.Rect, c.W, c.H, kInk);
        EXPECT_EQ(Picture(image), c.Expected) << c.Name;
    }
}

bool Inked(const TImage& image, int x, int y) {
    return image.Pixel(x, y) == kInk;
}

TEST(Canvas, RoundRectScreenSizeWithTwentyPixelCorners) {
    TImage image = Filled(640, 480);
    FillRoundRect(image, {0, 0, 640, 480}, 20, 20, kInk);
    // Uncovered pixels at each end of the top ten rows; from row 10 on rows are full.
    const int insets[10] = {7, 5, 3, 2, 2, 1, 1, 0, 0, 0};
    for (int y = 0; y < 480; ++y) {
        const int inset = y < 10 ? insets[y] : y >= 470 ? insets[479 - y] : 0;
        for (int x = 0; x < 640; ++x) {
            ASSERT_EQ(Inked(image, x, y), x >= inset && x < 640 - inset) << x << "," << y;
        }
    }
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            ASSERT_EQ(Inked(image, x, y), Inked(image, 639 - x, y)) << x << "," << y;
            ASSERT_EQ(Inked(image, x, y), Inked(image, x, 479 - y)) << x << "," << y;
        }
    }
    // A round corner: the quarter circle is symmetric about its diagonal.
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            ASSERT_EQ(Inked(image, x, y), Inked(image, y, x)) << x << "," << y;
        }
    }
}

TEST(Canvas, RoundRectMatchesItsContainsRuleAndClips) {
    struct {
        TRect Rect;
        int W, H;
    } const cases[] = {
        {{0, 0, 9, 7}, 4, 6},
        {{-3, -2, 7, 6}, 6, 4},
        {{2, 1, 17, 13}, 7, 5},
        {{4, 3, 30, 40}, 13, 25},
        {{-5, -5, 15, 13}, 20, 18},
        {{1, 1, 2, 12}, 3, 3},
        {{0, 0, 2, 2}, 2, 2},
        {{3, 3, 3, 9}, 4, 4},
        {{5, 5, 1, 1}, 2, 2},
        {{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, INT_MAX, INT_MAX},
        {{0, 0, INT_MAX, INT_MAX}, INT_MAX, INT_MAX},
        {{-2000000000, -7, 2000000000, 9}, 1000000, 6},
    };
    for (const auto& c : cases) {
        TImage image = Filled(16, 12);
        FillRoundRect(image, c.Rect, c.W, c.H, kInk);
        for (int y = 0; y < 12; ++y) {
            for (int x = 0; x < 16; ++x) {
                ASSERT_EQ(Inked(image, x, y), RoundRectContains(c.Rect, c.W, c.H, x, y))
                    << c.Rect.Left << "," << c.Rect.Top << "," << c.Rect.Right << ","
                    << c.Rect.Bottom << " " << c.W << "x" << c.H << " at " << x << "," << y;
            }
        }
    }
    // A huge ellipse leaves the far corner of a huge rectangle uncovered and its middle covered.
    const TRect huge{0, 0, INT_MAX, INT_MAX};
    EXPECT_FALSE(RoundRectContains(huge, INT_MAX, INT_MAX, 0, 0));
    EXPECT_TRUE(RoundRectContains(huge, INT_MAX, INT_MAX, INT_MAX / 2, 0));
    EXPECT_TRUE(RoundRectContains(huge, INT_MAX, INT_MAX, 0, INT_MAX / 2));
    EXPECT_FALSE(RoundRectContains(huge, INT_MAX, INT_MAX, INT_MAX, 5));
}

TImage Source() {
    TImage src(4, 3);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            src.SetPixel(x, y, RGB(uint8_t(10 + x), uint8_t(20 + y), 30));
        }
    }
    return src;
}

TEST(Canvas, DrawImageClipsOnEverySide) {
    const TImage src = Source();
    const std::pair<int, int> places[] = {
        {0, 0}, {2, 1}, {-2, -1},     {6, 4},       {-3, 2},      {5, -2},           {-4, 0},
        {8, 0}, {0, 6}, {INT_MIN, 0}, {INT_MAX, 0}, {0, INT_MAX}, {INT_MIN, INT_MIN}};
    for (auto [px, py] : places) {
        TImage dst = Filled(8, 6);
        DrawImage(dst, px, py, src);
        for (int y = 0; y < 6; ++y) {
            for (int x = 0; x < 8; ++x) {
                const int64_t sx = int64_t(x) - px, sy = int64_t(y) - py;
                const bool inside = sx >= 0 && sx < 4 && sy >= 0 && sy < 3;
                ASSERT_EQ(dst.Pixel(x, y), inside ? src.Pixel(int(sx), int(sy)) : kBackground)
                    << "placed at " << px << "," << py << ", pixel " << x << "," << y;
            }
        }
    }
}

TEST(Canvas, DrawImageConvertsThroughThePalette) {
    TImage src(3, 2, TPixelFormat::Pf8bit);
    src.Palette = {RGB(255, 0, 0), RGB(0, 0, 255)};
    const uint8_t indices[6] = {0, 1, 5, 1, 0, 255};  // 5 and 255 lie beyond the palette
    std::copy(indices, indices + 6, src.Bits());
    TImage dst = Filled(4, 3);
    DrawImage(dst, 1, 1, src);
    const TColor r = RGB(255, 0, 0), b = RGB(0, 0, 255), k = 0, g = kBackground;
    const std::vector<TColor> expected = {g, g, g, g, g, r, b, k, g, b, r, k};
    std::vector<TColor> got;
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            got.push_back(dst.Pixel(x, y));
        }
    }
    EXPECT_EQ(got, expected);
}

TEST(Canvas, DrawImageOntoAnEightBitImage) {
    TImage indexed(2, 1, TPixelFormat::Pf8bit);
    indexed.Bits()[0] = 3;
    indexed.Bits()[1] = 4;
    TImage colour(1, 1);
    colour.SetPixel(0, 0, RGB(9, 8, 7));
    TImage dst(4, 1, TPixelFormat::Pf8bit);
    DrawImage(dst, 1, 0, indexed);
    DrawImage(dst, 3, 0, colour);
    const std::vector<uint8_t> expected = {0, 3, 4, 9};
    EXPECT_EQ(std::vector<uint8_t>(dst.Bits(), dst.Bits() + 4), expected);
}

}  // namespace
}  // namespace tavri
