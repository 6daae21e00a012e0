#pragma once

// Writers of the picture files we make ourselves: the embedded assets, the demo novel's art, the
// headless reader's page pictures and the test fixtures. Every writer is deterministic: the same
// pixels give the same bytes.

#include <cstdint>
#include <vector>

#include "graphics/Image.h"

namespace tavri {

// Straight (not premultiplied) red, green, blue, alpha; top row first.
struct TRgbaPicture {
    int Width = 0, Height = 0;
    std::vector<uint8_t> Pixels;  // Width × Height × 4

    TRgbaPicture() = default;
    TRgbaPicture(int width, int height)
        : Width(width), Height(height), Pixels(size_t(width) * size_t(height) * 4) {}
    uint8_t* At(int x, int y) {
        return Pixels.data() + (size_t(y) * size_t(Width) + size_t(x)) * 4;
    }
    const uint8_t* At(int x, int y) const {
        return Pixels.data() + (size_t(y) * size_t(Width) + size_t(x)) * 4;
    }
};

// An uncompressed bottom-up BMP with a 40-byte header, 24 bits per pixel (a 24-bit image).
std::vector<uint8_t> EncodeBmp24(const TImage& image);
// PNG of a 24-bit image (colour type 2).
std::vector<uint8_t> EncodePngRgb(const TImage& image);
// PNG with an alpha channel (colour type 6).
std::vector<uint8_t> EncodePngRgba(const TRgbaPicture& picture);
// Greyscale PNG (colour type 0) of an 8-bit image whose index is the grey level.
std::vector<uint8_t> EncodePngGrey(const TImage& image8);
// Baseline JPEG of a 24-bit image.
std::vector<uint8_t> EncodeJpeg(const TImage& image, int quality);

}  // namespace tavri
