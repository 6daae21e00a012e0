#pragma once

#include <cstdint>
#include <vector>

#include "graphics/Image.h"

namespace tavri::test {

// A 24-bit bottom-up BMP of w × h filled with `fill`, with its top-left pixel set to `corner`.
std::vector<uint8_t> Bmp(int w, int h, TColor fill, TColor corner);

// A 24-bit picture of one colour.
TImage Filled(int w, int h, TColor colour);

// Same size, format and pixels.
bool SameImage(const TImage& a, const TImage& b);
// Every pixel of the picture is `colour`.
bool Uniform(const TImage& image, TColor colour);

}  // namespace tavri::test
