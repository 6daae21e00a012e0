// SSE2 forms of the inner loops; every x86-64 processor runs them. SSE2 has no byte shuffle, so
// the per-pixel weights of the two masked loops are spread to their three bytes by scalar code
// in short runs, and the arithmetic runs eight 16-bit lanes at a time.

#include "graphics/DibKernels.h"

#if defined(__x86_64__)

#include <emmintrin.h>

#include <algorithm>

namespace tavri::dib_kernels {

namespace {

// Pixels per run of spread weights: small enough to stay on the stack and in the L1 cache.
constexpr int kRun = 64;

// out = (s × 256 + (d − s) × w) shr 8 for 16 bytes. The sum is the exact blend and lies in
// 0..65280, so computing it modulo 2^16 (mullo of a signed difference) loses nothing.
inline __m128i Lerp16(__m128i s, __m128i d, __m128i w) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i sLo = _mm_unpacklo_epi8(s, zero), sHi = _mm_unpackhi_epi8(s, zero);
    const __m128i dLo = _mm_unpacklo_epi8(d, zero), dHi = _mm_unpackhi_epi8(d, zero);
    const __m128i wLo = _mm_unpacklo_epi8(w, zero), wHi = _mm_unpackhi_epi8(w, zero);
    const __m128i lo = _mm_srli_epi16(
        _mm_add_epi16(_mm_slli_epi16(sLo, 8), _mm_mullo_epi16(_mm_sub_epi16(dLo, sLo), wLo)), 8);
    const __m128i hi = _mm_srli_epi16(
        _mm_add_epi16(_mm_slli_epi16(sHi, 8), _mm_mullo_epi16(_mm_sub_epi16(dHi, sHi), wHi)), 8);
    return _mm_packus_epi16(lo, hi);
}

// out[i] = s[i] + ((d[i] − s[i]) × w[i]) shr 8 for `bytes` bytes; out may be d.
void LerpBytes(const uint8_t* s, const uint8_t* d, const uint8_t* w, uint8_t* out, size_t bytes) {
    size_t i = 0;
    for (; i + 16 <= bytes; i += 16) {
        const __m128i r = Lerp16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i)),
                                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i)),
                                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(w + i)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), r);
    }
    for (; i < bytes; ++i) {
        out[i] = uint8_t(s[i] + (((d[i] - s[i]) * int(w[i])) >> 8));
    }
}

void BlendSse2(const uint8_t* p, const uint8_t* q, uint8_t* out, size_t bytes, unsigned a) {
    // (x × a) shr 8 is the high half of (x shl 8) × a: the even bytes are shifted up, the odd
    // ones already sit in the high half of their 16-bit lane.
    const __m128i wa = _mm_set1_epi16(int16_t(a)), wb = _mm_set1_epi16(int16_t(256 - a));
    const __m128i high = _mm_set1_epi16(int16_t(0xFF00));
    size_t i = 0;
    for (; i + 16 <= bytes; i += 16) {
        const __m128i pv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i qv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + i));
        const __m128i even = _mm_add_epi16(_mm_mulhi_epu16(_mm_slli_epi16(pv, 8), wa),
                                           _mm_mulhi_epu16(_mm_slli_epi16(qv, 8), wb));
        const __m128i odd = _mm_add_epi16(_mm_mulhi_epu16(_mm_and_si128(pv, high), wa),
                                          _mm_mulhi_epu16(_mm_and_si128(qv, high), wb));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_or_si128(even, _mm_slli_epi16(odd, 8)));
    }
    for (; i < bytes; ++i) {
        out[i] = uint8_t(((p[i] * a) >> 8) + ((q[i] * (256 - a)) >> 8));
    }
}

void MaskBlendRowsSse2(const TMaskRows& job) {
    alignas(16) uint8_t weights[3 * kRun];
    for (int row = 0; row < job.Rows; ++row) {
        const size_t in = size_t(row) * job.InStride;
        const uint8_t* mask = job.Mask + size_t(row) * job.MaskStride;
        uint8_t* out = job.Out + size_t(row) * job.OutStride;
        for (int x = 0; x < job.Width; x += kRun) {
            const int n = std::min(kRun, job.Width - x);
            const size_t at = in + 3 * size_t(x);
            for (int i = 0; i < n; ++i) {
                const uint8_t t = job.WeightOfQ[mask[x + i]];
                weights[3 * i] = weights[3 * i + 1] = weights[3 * i + 2] = t;
            }
            LerpBytes(job.P + at, job.Q + at, weights, out + 3 * size_t(x), 3 * size_t(n));
        }
    }
}

// (x × e) shr 8 + k for 16 bytes in place.
inline void Wash16(uint8_t* at, __m128i e, __m128i k) {
    __m128i* v = reinterpret_cast<__m128i*>(at);
    const __m128i x = _mm_loadu_si128(v);
    const __m128i even = _mm_mulhi_epu16(_mm_slli_epi16(x, 8), e);
    const __m128i odd =
        _mm_and_si128(_mm_mullo_epi16(_mm_srli_epi16(x, 8), e), _mm_set1_epi16(int16_t(0xFF00)));
    _mm_storeu_si128(v, _mm_add_epi8(_mm_or_si128(even, odd), k));
}

void FillRowsSse2(uint8_t* first, size_t stride, int rows, int pixels, const uint8_t add[3],
                  unsigned e) {
    // The colour part repeats every three bytes, so three vectors cover every 48 bytes.
    alignas(16) uint8_t pattern[48];
    for (int i = 0; i < 48; ++i) {
        pattern[i] = add[i % 3];
    }
    const __m128i k0 = _mm_load_si128(reinterpret_cast<const __m128i*>(pattern));
    const __m128i k1 = _mm_load_si128(reinterpret_cast<const __m128i*>(pattern + 16));
    const __m128i k2 = _mm_load_si128(reinterpret_cast<const __m128i*>(pattern + 32));
    const __m128i we = _mm_set1_epi16(int16_t(e));
    const size_t bytes = 3 * size_t(pixels);
    for (int r = 0; r < rows; ++r) {
        uint8_t* row = first + size_t(r) * stride;
        size_t i = 0;
        for (; i + 48 <= bytes; i += 48) {
            Wash16(row + i, we, k0);
            Wash16(row + i + 16, we, k1);
            Wash16(row + i + 32, we, k2);
        }
        if (i + 16 <= bytes) {
            Wash16(row + i, we, k0);
            i += 16;
        }
        if (i + 16 <= bytes) {
            Wash16(row + i, we, k1);
            i += 16;
        }
        for (; i < bytes; ++i) {
            row[i] = uint8_t(((row[i] * e) >> 8) + pattern[i % 3]);
        }
    }
}

void AlphaMaskRowSse2(const uint8_t* sprite, const uint8_t* mask, uint8_t* dest, int pixels) {
    alignas(16) uint8_t weights[3 * kRun];
    for (int x = 0; x < pixels; x += kRun) {
        const int n = std::min(kRun, pixels - x);
        for (int i = 0; i < n; ++i) {
            weights[3 * i] = weights[3 * i + 1] = weights[3 * i + 2] = mask[x + i];
        }
        const size_t at = 3 * size_t(x);
        LerpBytes(sprite + at, dest + at, weights, dest + at, 3 * size_t(n));
    }
}

}  // namespace

const TKernelSet& Sse2Kernels() {
    static const TKernelSet kernels{"sse2", BlendSse2, MaskBlendRowsSse2, FillRowsSse2,
                                    AlphaMaskRowSse2};
    return kernels;
}

}  // namespace tavri::dib_kernels

#endif  // __x86_64__
