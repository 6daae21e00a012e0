#pragma once

// The inner loops of the pixel operations, in one portable form and in vector forms picked at
// run time from what the processor offers. Every form gives byte-for-byte the results of the
// plain rules in dib_reference; the operations in DIBTools only clip, check and call these.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tavri {

namespace dib_kernels {

// One call of the masked transition: `Rows` rows of `Width` 24-bit pixels, taken every
// `InStride` bytes from the two image buffers and written every `OutStride` bytes; the mask
// holds one byte per pixel (its picture's blue byte), its rows `MaskStride` bytes apart.
struct TMaskRows {
    const uint8_t* P = nullptr;     // incoming image
    const uint8_t* Q = nullptr;     // outgoing image
    const uint8_t* Mask = nullptr;  // one mask value per pixel
    uint8_t* Out = nullptr;
    size_t InStride = 0, OutStride = 0, MaskStride = 0;
    int Width = 0, Rows = 0;
    const uint8_t* WeightOfQ = nullptr;  // 256 entries, each 0..255
};

struct TKernelSet {
    const char* Name;
    // out = (p × a) div 256 + (q × (256 − a)) div 256 for every byte; a in 0..256.
    void (*Blend)(const uint8_t* p, const uint8_t* q, uint8_t* out, size_t bytes, unsigned a);
    // out = (p × (256 − t) + q × t) div 256 with t = WeightOfQ[mask value of the pixel].
    void (*MaskBlendRows)(const TMaskRows& job);
    // For every byte of `pixels` pixels on `rows` rows `stride` bytes apart:
    // x = (x × e) div 256 + add[channel]; e in 0..256 and the sums stay within a byte
    // (add[k] = colour × (256 − e) div 256).
    void (*FillRows)(uint8_t* first, size_t stride, int rows, int pixels, const uint8_t add[3],
                     unsigned e);
    // d = s + ((d − s) × m) shr 8 (arithmetic), m = the pixel's mask byte (one per pixel).
    void (*AlphaMaskRow)(const uint8_t* sprite, const uint8_t* mask, uint8_t* dest, int pixels);
};

const TKernelSet& PortableKernels();
#if defined(__x86_64__)
const TKernelSet& Sse2Kernels();
const TKernelSet& Avx2Kernels();  // only to be called when the processor has AVX2
// AVX2 with the masked step's weight lookup in AVX-512 VBMI; only when the processor has both.
const TKernelSet& Avx512VbmiKernels();
#endif

// The forms this processor can run, the portable one first.
std::vector<const TKernelSet*> AvailableKernelSets();
// The fastest of them; chosen once.
const TKernelSet& ActiveKernels();

// The scalar forms of single pixels that the vector loops use for their last few pixels.
inline void MaskPixel(const uint8_t* p, const uint8_t* q, uint8_t mask, uint8_t* out,
                      const uint8_t* weightOfQ) {
    const unsigned t = weightOfQ[mask];
    for (int k = 0; k < 3; ++k) {
        out[k] = uint8_t((p[k] * (256 - t) + q[k] * t) >> 8);
    }
}

inline void AlphaPixel(const uint8_t* s, uint8_t m, uint8_t* d) {
    for (int k = 0; k < 3; ++k) {
        d[k] = uint8_t(s[k] + (((d[k] - s[k]) * int(m)) >> 8));
    }
}

}  // namespace dib_kernels

// Plain per-byte forms of the colour wash and the masked sprite blit, beside those declared with
// the operations.
namespace dib_reference {
// The wash of one row segment at the given level (nothing happens at 0 or below).
void FillBlendRow(uint8_t* row, int pixels, uint32_t colour, int level);
// dest := sprite + (dest − sprite) × mask / 256, rounded towards minus infinity.
void DrawAlphaMaskRow(const uint8_t* sprite, const uint8_t* mask, uint8_t* dest, int pixels);
}  // namespace dib_reference

}  // namespace tavri
