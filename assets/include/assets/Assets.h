#pragma once

// The pictures the player carries inside itself, drawn by tavri-assets at build time
// (assets/AssetArt.cpp) and compiled in, in the formats the player's own decoders read
// (graphics/Picture.h). The bytes are the same on every build made with the same fonts.

#include <cstdint>
#include <vector>

namespace tavri::assets {

// The click-wait marker: a 48 × 24 uncompressed 24-bit BMP holding two 24 × 24 frames side by
// side (frame 0 bright, frame 1 dimmed). Pure white (0xFFFFFF) stands for transparent; no pixel
// of the marker itself is pure white. Decode with DecodeBmp.
const std::vector<uint8_t>& ClickMarkBmp();

// The opening screen's logo: a 280 × 48 RGBA PNG (8 bits per channel) to be blended pixel by
// pixel through its alpha. Everything at x >= 210 is fully transparent, so text drawn to its
// right stays clear. Decode with DecodePng (HasAlpha is set).
const std::vector<uint8_t>& LogoPng();

}  // namespace tavri::assets
