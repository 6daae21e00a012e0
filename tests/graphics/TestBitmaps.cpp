#include "graphics/TestBitmaps.h"

#include <cstring>

namespace tavri::test {

std::vector<uint8_t> Bmp(int w, int h, TColor fill, TColor corner) {
    const int stride = (w * 3 + 3) & ~3;
    std::vector<uint8_t> b(54 + size_t(stride) * size_t(h), 0);
    auto put = [&](size_t at, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            b[at + size_t(i)] = uint8_t(v >> (8 * i));
        }
    };
    b[0] = 'B';
    b[1] = 'M';
    put(2, uint32_t(b.size()), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, uint32_t(w), 4);
    put(22, uint32_t(h), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            TColor c = (x == 0 && y == 0) ? corner : fill;
            size_t at = 54 + size_t(h - 1 - y) * size_t(stride) + size_t(x) * 3;
            b[at] = BlueOf(c);
            b[at + 1] = GreenOf(c);
            b[at + 2] = RedOf(c);
        }
    }
    return b;
}

TImage Filled(int w, int h, TColor colour) {
    TImage image(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            image.SetPixel(x, y, colour);
        }
    }
    return image;
}

bool SameImage(const TImage& a, const TImage& b) {
    return a.Width() == b.Width() && a.Height() == b.Height() &&
           a.PixelFormat() == b.PixelFormat() &&
           std::memcmp(a.Bits(), b.Bits(), a.RowBytes() * size_t(a.Height())) == 0;
}

bool Uniform(const TImage& image, TColor colour) {
    for (int y = 0; y < image.Height(); ++y) {
        for (int x = 0; x < image.Width(); ++x) {
            if (image.Pixel(x, y) != colour) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace tavri::test
