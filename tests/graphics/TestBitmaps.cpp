#include "graphics/TestBitmaps.h"

#include <cstring>

#include "graphics/PictureEncode.h"

namespace tavri::test {

std::vector<uint8_t> Bmp(int w, int h, TColor fill, TColor corner) {
    TImage image = Filled(w, h, fill);
    if (w > 0 && h > 0) {
        image.SetPixel(0, 0, corner);
    }
    return EncodeBmp24(image);
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
