#pragma once

// Decoding of the picture files a novel carries. Every decoder takes the whole file in memory
// and either returns a picture or throws EPictureError: corrupt, truncated or oversized data
// never crashes and never reads outside the buffer.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "graphics/Image.h"

namespace tavri {

class EPictureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TDecodedPicture {
    TImage Image;  // 24-bit
    bool HasAlpha = false;
    // With HasAlpha: 8-bit, same size, 255 minus the alpha of each pixel (0 = opaque).
    TImage AlphaMask;
};

// PNG: palette, grey, grey+alpha, RGB, RGBA, 16-bit, interlaced, tRNS. Alpha (an alpha channel
// or tRNS) gives the mask.
TDecodedPicture DecodePng(const uint8_t* data, size_t size);
// JPEG: colour and greyscale.
TDecodedPicture DecodeJpeg(const uint8_t* data, size_t size);
// BMP: 1, 4, 8, 16, 24 and 32 bits, bottom-up and top-down, RLE8 and RLE4.
TDecodedPicture DecodeBmp(const uint8_t* data, size_t size);

}  // namespace tavri
