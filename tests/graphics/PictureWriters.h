#pragma once

// Writers of the picture files the decoder tests feed in: PNG and JPEG through libpng and
// libjpeg, BMP byte by byte. Every fixture is made in code from these.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "graphics/Image.h"

namespace tavri::test {

struct TPngSpec {
    int Width = 0, Height = 0;
    int ColourType = 0;  // PNG_COLOR_TYPE_*: 0 grey, 2 RGB, 3 palette, 4 grey+alpha, 6 RGBA
    int BitDepth = 8;
    bool Interlaced = false;
    // Row-major, top row first, every channel of every pixel, each below 2^BitDepth.
    std::vector<uint16_t> Samples{};
    std::vector<std::array<uint8_t, 3>> Palette{};  // red, green, blue
    std::vector<uint8_t> PaletteAlpha{};            // tRNS of a palette picture, may be short
    bool HasColourKey = false;                      // tRNS of a grey (first value) or RGB picture
    std::array<uint16_t, 3> ColourKey{};
};
std::vector<uint8_t> WritePng(const TPngSpec& fixture);

// A PNG of signature, the given IHDR fields, an empty IDAT and IEND, with correct CRCs: enough
// for a decoder to judge the header. No libpng involved, so any field values can be written.
std::vector<uint8_t> PngHeaderOnly(uint32_t width, uint32_t height, uint8_t bitDepth = 8,
                                   uint8_t colourType = 2);
uint32_t Crc32(const uint8_t* data, size_t size);

struct TJpegSpec {
    int Width = 0, Height = 0;
    int Components = 3;              // 1 grey, 3 RGB, 4 CMYK
    std::vector<uint8_t> Samples{};  // row-major, Components bytes per pixel
    int Quality = 100;
    bool Progressive = false;
    bool Ycck = false;        // four components stored as YCCK
    bool AdobeMarker = true;  // four components: write the Adobe marker (inverted inks)
};
std::vector<uint8_t> WriteJpeg(const TJpegSpec& fixture);
// Rewrites the height and width of the first SOF marker.
void PatchJpegSize(std::vector<uint8_t>& jpeg, uint16_t width, uint16_t height);

struct TBmpSpec {
    uint32_t HeaderSize = 40;       // 12, 40, 52, 56, 108, 124 (or anything, to test refusal)
    int32_t Width = 0, Height = 0;  // a negative height is a top-down picture
    uint16_t Bits = 24;
    uint32_t Compression = 0;
    uint32_t ColoursUsed = 0;
    std::vector<TColor> Palette{};  // written whole: B, G, R (and 0 after an info header)
    // After a 40-byte header only with compression 3; inside any longer header always.
    std::array<uint32_t, 3> Masks{};
    std::vector<uint8_t> Pixels{};  // the pixel data exactly as stored
    int64_t PixelOffset = -1;       // -1: right after the palette
};
std::vector<uint8_t> WriteBmp(const TBmpSpec& fixture);

// Rows given top row first become stored rows (bottom row first unless topDown), each padded
// to four bytes. Values: palette indices (bits ≤ 8), little-endian words (16 and 32 bits) or
// colours (24 bits, written blue, green, red).
std::vector<uint8_t> PackBmpRows(const std::vector<std::vector<uint32_t>>& rows, int bits,
                                 bool topDown);

}  // namespace tavri::test
