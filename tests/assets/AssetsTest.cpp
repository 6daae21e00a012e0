#include <gtest/gtest.h>

#include <algorithm>

#include "assets/AssetArt.h"
#include "assets/Assets.h"
#include "graphics/Picture.h"

namespace tavri::assets {
namespace {

constexpr TColor kWhite = RGB(255, 255, 255);

TEST(AssetsClickMark, DecodesToTwoFramesOfTwentyFour) {
    const auto& bytes = ClickMarkBmp();
    const TDecodedPicture picture = DecodeBmp(bytes.data(), bytes.size());
    EXPECT_FALSE(picture.HasAlpha);
    EXPECT_EQ(picture.Image.Width(), 48);
    EXPECT_EQ(picture.Image.Height(), 24);
}

TEST(AssetsClickMark, WhiteAroundAndNeverInsideTheTriangle) {
    const auto& bytes = ClickMarkBmp();
    const TImage image = DecodeBmp(bytes.data(), bytes.size()).Image;
    int marked[2] = {0, 0};
    for (int frame = 0; frame < 2; ++frame) {
        for (int y = 0; y < 24; ++y) {
            for (int x = 0; x < 24; ++x) {
                const TColor pixel = image.Pixel(frame * 24 + x, y);
                if (ClickMarkCovers(x, y)) {
                    EXPECT_NE(pixel, kWhite) << "frame " << frame << " at " << x << "," << y;
                    ++marked[frame];
                } else {
                    EXPECT_EQ(pixel, kWhite) << "frame " << frame << " at " << x << "," << y;
                }
            }
        }
    }
    // The same shape in the same place, so the marker blinks without moving.
    EXPECT_EQ(marked[0], marked[1]);
    EXPECT_GT(marked[0], 40);
    // The border of the frame stays transparent.
    for (int i = 0; i < 24; ++i) {
        EXPECT_EQ(image.Pixel(i, 0), kWhite);
        EXPECT_EQ(image.Pixel(0, i), kWhite);
        EXPECT_EQ(image.Pixel(47 - i, 23), kWhite);
    }
}

TEST(AssetsClickMark, BrightFrameThenDimmedFrameWithADarkOutline) {
    const auto& bytes = ClickMarkBmp();
    const TImage image = DecodeBmp(bytes.data(), bytes.size()).Image;
    // The middle of the triangle's top half is fill; its top-left corner is outline.
    EXPECT_EQ(image.Pixel(12, 10), kClickMarkBright);
    EXPECT_EQ(image.Pixel(24 + 12, 10), kClickMarkDim);
    int topRow = 24, left = 24, right = -1;
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 24; ++x) {
            if (ClickMarkCovers(x, y)) {
                topRow = std::min(topRow, y);
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    EXPECT_EQ(image.Pixel(left, topRow), kClickMarkOutline);
    EXPECT_EQ(image.Pixel(24 + right, topRow), kClickMarkOutline);
    EXPECT_GE(right - left + 1, 12);
    EXPECT_LE(right - left + 1, 16);
}

TEST(AssetsLogo, DecodesWithAlphaAtItsSize) {
    const auto& bytes = LogoPng();
    const TDecodedPicture picture = DecodePng(bytes.data(), bytes.size());
    ASSERT_TRUE(picture.HasAlpha);
    EXPECT_EQ(picture.Image.Width(), 280);
    EXPECT_EQ(picture.Image.Height(), 48);
    EXPECT_EQ(picture.AlphaMask.Width(), 280);
    EXPECT_EQ(picture.AlphaMask.Height(), 48);
}

TEST(AssetsLogo, TransparentRightOfTheTextAndInkedLeftOfIt) {
    const auto& bytes = LogoPng();
    const TDecodedPicture picture = DecodePng(bytes.data(), bytes.size());
    int opaque = 0, white = 0;
    for (int y = 0; y < 48; ++y) {
        const uint8_t* mask = picture.AlphaMask.ScanLine(y);  // 255 − alpha
        for (int x = 0; x < 280; ++x) {
            if (x >= kLogoTextWidth) {
                ASSERT_EQ(mask[x], 255) << "alpha at " << x << "," << y;
            } else if (mask[x] == 0) {
                ++opaque;
                white += picture.Image.Pixel(x, y) == kWhite;
            }
        }
    }
    // Solid white letters inside a dark rim.
    EXPECT_GT(opaque, 400);
    EXPECT_GT(white, 150);
}

TEST(AssetsDeterminism, DrawingAgainGivesTheEmbeddedBytes) {
    EXPECT_EQ(MakeClickMarkBmp(), ClickMarkBmp());
    EXPECT_EQ(MakeLogoPng(), MakeLogoPng());
    EXPECT_EQ(MakeLogoPng(), LogoPng());
}

}  // namespace
}  // namespace tavri::assets
