#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <string>
#include <vector>

#include "assets/AssetArt.h"
#include "assets/Assets.h"
#include "graphics/Picture.h"

namespace tavri::assets {
namespace {

constexpr TColor kWhite = RGB(255, 255, 255);

TDecodedPicture Decode(const std::vector<uint8_t>& bytes, bool png) {
    return png ? DecodePng(bytes.data(), bytes.size()) : DecodeBmp(bytes.data(), bytes.size());
}

int AlphaAt(const TDecodedPicture& picture, int x, int y) {
    return 255 - picture.AlphaMask.ScanLine(y)[x];
}

int Brightness(TColor c) {
    return RedOf(c) + GreenOf(c) + BlueOf(c);
}

bool Red(TColor c) {
    return RedOf(c) >= 180 && GreenOf(c) <= 90 && BlueOf(c) <= 110;
}

struct TEmbedded {
    const char* Name;
    const std::vector<uint8_t>& Bytes;
    std::vector<uint8_t> Drawn;
    bool Png;
    int Width, Height;
};

std::vector<TEmbedded> Embedded() {
    return {
        {"BookmarkHighlightedPng", BookmarkHighlightedPng(), MakeBookmarkPng(true), true, 154, 272},
        {"BookmarkNormalPng", BookmarkNormalPng(), MakeBookmarkPng(false), true, 154, 272},
        {"ArrowLeftHoverBmp", ArrowLeftHoverBmp(), MakeArrowBmp(false, true), false, 34, 48},
        {"ArrowLeftNormalBmp", ArrowLeftNormalBmp(), MakeArrowBmp(false, false), false, 34, 48},
        {"ArrowRightHoverBmp", ArrowRightHoverBmp(), MakeArrowBmp(true, true), false, 34, 48},
        {"ArrowRightNormalBmp", ArrowRightNormalBmp(), MakeArrowBmp(true, false), false, 34, 48},
        {"CancelBarHoverBmp", CancelBarHoverBmp(), MakeCancelBarBmp(true), false, 224, 32},
        {"CancelBarNormalBmp", CancelBarNormalBmp(), MakeCancelBarBmp(false), false, 224, 32},
    };
}

TEST(AssetsBookmarkScreen, EveryPictureDecodesToItsSizeAndIsDrawnTheSameAgain) {
    for (const TEmbedded& asset : Embedded()) {
        SCOPED_TRACE(asset.Name);
        const TDecodedPicture picture = Decode(asset.Bytes, asset.Png);
        EXPECT_EQ(picture.HasAlpha, asset.Png);
        EXPECT_EQ(picture.Image.Width(), asset.Width);
        EXPECT_EQ(picture.Image.Height(), asset.Height);
        EXPECT_EQ(picture.Image.PixelFormat(), TPixelFormat::Pf24bit);
        if (asset.Png) {
            EXPECT_EQ(picture.AlphaMask.Width(), asset.Width);
            EXPECT_EQ(picture.AlphaMask.Height(), asset.Height);
        }
        EXPECT_EQ(asset.Drawn, asset.Bytes);
    }
}

// Where the player starts the bookmark's lines, written along (cos 67°, sin 67°).
constexpr int kTextStarts[][2] = {{60, 60}, {77, 100}, {56, 104}};

TEST(AssetsBookmark, TheLinesOfTextRunOverPlainPaperAndTheCornersAreClear) {
    const double angle = 67 * std::numbers::pi / 180;
    for (const bool highlighted : {true, false}) {
        SCOPED_TRACE(highlighted ? "highlighted" : "normal");
        const TDecodedPicture picture =
            Decode(highlighted ? BookmarkHighlightedPng() : BookmarkNormalPng(), true);
        const TColor paper = highlighted ? kBookmarkHighlightedPaper : kBookmarkNormalPaper;
        for (const auto& start : kTextStarts) {
            for (const int distance : {0, 50, 100}) {
                const int x = int(std::lround(start[0] + distance * std::cos(angle)));
                const int y = int(std::lround(start[1] + distance * std::sin(angle)));
                EXPECT_EQ(AlphaAt(picture, x, y), 255) << x << "," << y;
                EXPECT_EQ(picture.Image.Pixel(x, y), paper) << x << "," << y;
            }
        }
        const int w = kBookmarkWidth, h = kBookmarkHeight;
        int partial = 0;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const int alpha = AlphaAt(picture, x, y);
                partial += alpha > 0 && alpha < 255;
                // The outermost rows and columns stay clear, so neighbours never show a seam.
                if (x == 0 || y == 0 || x == w - 1 || y == h - 1) {
                    EXPECT_EQ(alpha, 0) << x << "," << y;
                }
            }
        }
        // Smooth edges all round the strip (its outline is some 600 px long).
        EXPECT_GT(partial, 500);
        for (const auto& [x, y] : {std::pair{8, 8}, {145, 8}, {8, 263}, {145, 263}}) {
            EXPECT_EQ(AlphaAt(picture, x, y), 0) << x << "," << y;
        }
    }
}

TEST(AssetsBookmark, TheVariantsDifferOnlyInThePaper) {
    const TDecodedPicture pink = Decode(BookmarkHighlightedPng(), true);
    const TDecodedPicture cream = Decode(BookmarkNormalPng(), true);
    std::map<TColor, int> pinkColours, creamColours;
    int differing = 0, sharedRed = 0;
    for (int y = 0; y < kBookmarkHeight; ++y) {
        for (int x = 0; x < kBookmarkWidth; ++x) {
            const int alpha = AlphaAt(pink, x, y);
            ASSERT_EQ(alpha, AlphaAt(cream, x, y)) << x << "," << y;
            if (alpha == 0) {
                continue;
            }
            const TColor p = pink.Image.Pixel(x, y), c = cream.Image.Pixel(x, y);
            ++pinkColours[p];
            ++creamColours[c];
            if (p == c) {
                sharedRed += Red(p);
                continue;
            }
            // Paper, whole or in part: pink has less green and at least as much blue.
            ++differing;
            EXPECT_LT(GreenOf(p), GreenOf(c)) << x << "," << y;
            EXPECT_GE(BlueOf(p), BlueOf(c)) << x << "," << y;
        }
    }
    // The cord and tassel are the same red on both.
    EXPECT_GT(sharedRed, 300);
    const auto commonest = [](const std::map<TColor, int>& colours) {
        return std::max_element(colours.begin(), colours.end(),
                                [](auto& a, auto& b) { return a.second < b.second; })
            ->first;
    };
    EXPECT_EQ(commonest(pinkColours), kBookmarkHighlightedPaper);
    EXPECT_EQ(commonest(creamColours), kBookmarkNormalPaper);
    EXPECT_GT(differing, 10000);  // the strip is about 56 × 230
}

TImage DecodedArrow(bool right, bool hover) {
    const auto& bytes = right ? (hover ? ArrowRightHoverBmp() : ArrowRightNormalBmp())
                              : (hover ? ArrowLeftHoverBmp() : ArrowLeftNormalBmp());
    return Decode(bytes, false).Image;
}

// How many red pixels column x holds.
int RedHeight(const TImage& image, int x) {
    int red = 0;
    for (int y = 0; y < image.Height(); ++y) {
        red += Red(image.Pixel(x, y));
    }
    return red;
}

TEST(AssetsArrows, RightIsTheLeftMirroredAndBothPointOutwards) {
    for (const bool hover : {true, false}) {
        SCOPED_TRACE(hover ? "hover" : "normal");
        const TImage left = DecodedArrow(false, hover), right = DecodedArrow(true, hover);
        const int w = kArrowWidth, h = kArrowHeight;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                ASSERT_EQ(right.Pixel(x, y), left.Pixel(w - 1 - x, y)) << x << "," << y;
            }
        }
        for (const auto& [x, y] : {std::pair{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}}) {
            EXPECT_EQ(left.Pixel(x, y), kWhite) << x << "," << y;
        }
        // The left arrow's point is at its left: red columns grow from there to the inside.
        EXPECT_GT(RedHeight(left, 12), 0);
        EXPECT_LT(RedHeight(left, 12), RedHeight(left, 20));
        EXPECT_EQ(RedHeight(left, 4), 0);
        EXPECT_EQ(RedHeight(left, 29), 0);
        // The half-disc bulges left: near the top its outer side is clear, its flat side is not.
        EXPECT_EQ(left.Pixel(4, 5), kWhite);
        EXPECT_NE(left.Pixel(30, 5), kWhite);
        // Pink between the point and the edge of the disc.
        const TColor face = left.Pixel(5, h / 2);
        EXPECT_GT(RedOf(face), GreenOf(face) + 40);
        EXPECT_GT(BlueOf(face), GreenOf(face));
    }
}

TEST(AssetsArrows, HoverIsBrighterThanNormal) {
    for (const bool right : {false, true}) {
        const TImage hover = DecodedArrow(right, true), normal = DecodedArrow(right, false);
        int brighter = 0, darker = 0;
        for (int y = 0; y < kArrowHeight; ++y) {
            for (int x = 0; x < kArrowWidth; ++x) {
                const int difference =
                    Brightness(hover.Pixel(x, y)) - Brightness(normal.Pixel(x, y));
                brighter += difference > 0;
                darker += difference < 0;
            }
        }
        EXPECT_GT(brighter, 500) << right;
        EXPECT_EQ(darker, 0) << right;
    }
}

TEST(AssetsCancelBar, APinkBarWithRoundEndsAndNoLabelLighterWhenHovered) {
    TColor middle[2] = {};
    for (const bool hover : {true, false}) {
        SCOPED_TRACE(hover ? "hover" : "normal");
        const TImage bar = Decode(hover ? CancelBarHoverBmp() : CancelBarNormalBmp(), false).Image;
        const int w = kCancelBarWidth, h = kCancelBarHeight;
        for (const auto& [x, y] : {std::pair{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}}) {
            EXPECT_EQ(bar.Pixel(x, y), kWhite) << x << "," << y;
        }
        // Round ends: clear at the ends of the top row, pink along its middle.
        EXPECT_EQ(bar.Pixel(4, 3), kWhite);
        EXPECT_EQ(bar.Pixel(w - 5, 3), kWhite);
        EXPECT_NE(bar.Pixel(w / 2, 3), kWhite);
        const TColor centre = bar.Pixel(w / 2, h / 2);
        EXPECT_GT(RedOf(centre), GreenOf(centre) + 40);
        EXPECT_GT(BlueOf(centre), GreenOf(centre));
        // One even colour where the player writes its label.
        for (int y = 8; y < h - 8; ++y) {
            for (int x = 24; x < w - 24; ++x) {
                ASSERT_EQ(bar.Pixel(x, y), centre) << x << "," << y;
            }
        }
        middle[hover ? 0 : 1] = centre;
    }
    EXPECT_GT(Brightness(middle[0]), Brightness(middle[1]));
    EXPECT_GE(GreenOf(middle[0]), GreenOf(middle[1]));
    EXPECT_GE(BlueOf(middle[0]), BlueOf(middle[1]));
}

}  // namespace
}  // namespace tavri::assets
