#include <gtest/gtest.h>

#include "graphics/Image.h"

namespace tavri {
namespace {

TEST(Image, NewPixelsAreBlackAndResizingKeepsTheOverlap) {
    TImage image(3, 2);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(image.Pixel(x, y), 0u);
            image.SetPixel(x, y, RGB(uint8_t(10 * x + 1), uint8_t(y + 1), 7));
        }
    }
    image.SetSize(4, 3);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            const TColor expected =
                x < 3 && y < 2 ? RGB(uint8_t(10 * x + 1), uint8_t(y + 1), 7) : 0;
            EXPECT_EQ(image.Pixel(x, y), expected) << x << "," << y;
        }
    }
    image.SetSize(0, 5);
    EXPECT_TRUE(image.Empty());
    image.SetSize(2, 2);
    EXPECT_EQ(image.Pixel(1, 1), 0u);
}

TEST(Image, CopiesAreIndependentAndASameSizeCopyReusesTheBlock) {
    TImage source(640, 480);
    source.SetPixel(639, 479, RGB(1, 2, 3));
    TImage copy(source);
    EXPECT_NE(copy.Bits(), source.Bits());
    copy.SetPixel(639, 479, RGB(9, 9, 9));
    EXPECT_EQ(source.Pixel(639, 479), RGB(1, 2, 3));

    // Frames copied every tick must not fault in fresh pages every tick.
    const uint8_t* block = copy.Bits();
    copy.Assign(source);
    EXPECT_EQ(copy.Bits(), block);
    EXPECT_EQ(copy.Pixel(639, 479), RGB(1, 2, 3));

    TImage other(2, 2, TPixelFormat::Pf8bit);
    other.Assign(source);
    EXPECT_EQ(other.Width(), 640);
    EXPECT_EQ(other.PixelFormat(), TPixelFormat::Pf24bit);
    EXPECT_EQ(other.Pixel(639, 479), RGB(1, 2, 3));

    TImage moved(std::move(other));
    EXPECT_EQ(moved.Pixel(639, 479), RGB(1, 2, 3));
}

}  // namespace
}  // namespace tavri
