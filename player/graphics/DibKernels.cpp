// The portable forms of the inner loops, and the choice among the forms at run time.

#include "graphics/DibKernels.h"

#include <cstring>

namespace tavri::dib_kernels {

namespace {

// Two 8-bit lanes per multiplication in a 32-bit word: the even bytes are multiplied where they
// sit and the odd ones after a shift down; masking with H keeps each lane's truncated product.
void BlendPortable(const uint8_t* p, const uint8_t* q, uint8_t* out, size_t bytes, unsigned a) {
    constexpr uint32_t H = 0xFF00FF00u, L = 0x00FF00FFu;
    const uint32_t b = 256 - a;
    size_t i = 0;
    for (; i + 4 <= bytes; i += 4) {
        uint32_t pw, qw;
        std::memcpy(&pw, p + i, 4);
        std::memcpy(&qw, q + i, 4);
        const uint32_t high = ((((pw & H) >> 8) * a) & H) + ((((qw & H) >> 8) * b) & H);
        const uint32_t low = ((((pw & L) * a) & H) + (((qw & L) * b) & H)) >> 8;
        const uint32_t result = high | low;
        std::memcpy(out + i, &result, 4);
    }
    for (; i < bytes; ++i) {
        out[i] = uint8_t(((p[i] * a) >> 8) + ((q[i] * b) >> 8));
    }
}

void MaskBlendRowsPortable(const TMaskRows& job) {
    for (int row = 0; row < job.Rows; ++row) {
        const size_t in = size_t(row) * job.InStride;
        const uint8_t* mask = job.Mask + size_t(row) * job.MaskStride;
        uint8_t* out = job.Out + size_t(row) * job.OutStride;
        for (int x = 0; x < job.Width; ++x) {
            const size_t at = 3 * size_t(x);
            MaskPixel(job.P + in + at, job.Q + in + at, mask[x], out + at, job.WeightOfQ);
        }
    }
}

void FillRowsPortable(uint8_t* first, size_t stride, int rows, int pixels, const uint8_t add[3],
                      unsigned e) {
    for (int row = 0; row < rows; ++row) {
        uint8_t* px = first + size_t(row) * stride;
        for (int x = 0; x < pixels; ++x, px += 3) {
            for (int k = 0; k < 3; ++k) {
                px[k] = uint8_t(((px[k] * e) >> 8) + add[k]);
            }
        }
    }
}

void AlphaMaskRowPortable(const uint8_t* sprite, const uint8_t* mask, uint8_t* dest, int pixels) {
    for (int x = 0; x < pixels; ++x) {
        AlphaPixel(sprite + 3 * size_t(x), mask[x], dest + 3 * size_t(x));
    }
}

bool HasAvx2() {
#if defined(__x86_64__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

bool HasVbmi() {
#if defined(__x86_64__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512vbmi");
#else
    return false;
#endif
}

}  // namespace

const TKernelSet& PortableKernels() {
    static const TKernelSet kernels{"portable", BlendPortable, MaskBlendRowsPortable,
                                    FillRowsPortable, AlphaMaskRowPortable};
    return kernels;
}

std::vector<const TKernelSet*> AvailableKernelSets() {
    std::vector<const TKernelSet*> sets{&PortableKernels()};
#if defined(__x86_64__)
    sets.push_back(&Sse2Kernels());  // every x86-64 processor has SSE2
    if (HasAvx2()) {
        sets.push_back(&Avx2Kernels());
        if (HasVbmi()) {
            sets.push_back(&Avx512VbmiKernels());
        }
    }
#endif
    return sets;
}

const TKernelSet& ActiveKernels() {
    static const TKernelSet& active = *AvailableKernelSets().back();
    return active;
}

}  // namespace tavri::dib_kernels
