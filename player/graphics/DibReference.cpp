// The blend rules written straight from their definitions, one byte at a time. They are slow on
// purpose: the vector loops are checked against them and the benchmarks use them as the naive
// peer. Only MaskWeights is used by the player itself (256 entries per call).

#include <algorithm>

#include "graphics/DIBTools.h"
#include "graphics/DibKernels.h"
#include "graphics/Image.h"

namespace tavri::dib_reference {

namespace {

int ClampLevel(int level) {
    return std::clamp(level, 0, 100);
}

// Division that rounds towards minus infinity, as an arithmetic shift does.
int FloorDiv256(int value) {
    return value >= 0 ? value / 256 : -((-value + 255) / 256);
}

}  // namespace

void Blend(const uint8_t* a, const uint8_t* b, uint8_t* out, size_t bytes, int level) {
    const int weightA = ClampLevel(level) * 256 / 100;
    const int weightB = 256 - weightA;
    for (size_t i = 0; i < bytes; ++i) {
        // Each product is truncated on its own before the two are added.
        out[i] = uint8_t(a[i] * weightA / 256 + b[i] * weightB / 256);
    }
}

void MaskWeights(int level, int softness, int* weightOfB) {
    const int c = ClampLevel(level) * (softness + 256) / 100;
    for (int i = 0; i < 256; ++i) {
        if (i >= c) {
            weightOfB[i] = 255;  // not reached yet; a 256th of the incoming image shows
        } else if (i < c - softness) {
            weightOfB[i] = 0;
        } else {
            // Only reachable with softness > 0: the ramp is empty otherwise.
            weightOfB[i] = (i - c + softness) * 256 / softness;
        }
    }
}

void AlphaMaskRow(const uint8_t* a, const uint8_t* b, const uint8_t* mask, uint8_t* out, int width,
                  const int* weightOfB) {
    for (int x = 0; x < width; ++x) {
        const int t = weightOfB[mask[3 * x]];
        for (int k = 0; k < 3; ++k) {
            const int i = 3 * x + k;
            // One truncation, after the two products are added.
            out[i] = uint8_t((a[i] * (256 - t) + b[i] * t) / 256);
        }
    }
}

void FillBlendRow(uint8_t* row, int pixels, uint32_t colour, int level) {
    if (level <= 0) {
        return;
    }
    const int d = std::min(level, 100) * 256 / 100;
    const int e = 256 - d;
    const int channel[3] = {BlueOf(colour), GreenOf(colour), RedOf(colour)};
    for (int x = 0; x < pixels; ++x) {
        for (int k = 0; k < 3; ++k) {
            uint8_t& byte = row[3 * x + k];
            byte = uint8_t(byte * e / 256 + channel[k] * d / 256);
        }
    }
}

void DrawAlphaMaskRow(const uint8_t* sprite, const uint8_t* mask, uint8_t* dest, int pixels) {
    for (int x = 0; x < pixels; ++x) {
        for (int k = 0; k < 3; ++k) {
            const int s = sprite[3 * x + k];
            const int d = dest[3 * x + k];
            dest[3 * x + k] = uint8_t(s + FloorDiv256((d - s) * mask[x]));
        }
    }
}

}  // namespace tavri::dib_reference
