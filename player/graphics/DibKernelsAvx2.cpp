// AVX2 forms of the inner loops, compiled for AVX2 function by function so that the program
// itself still runs on any x86-64 processor; ActiveKernels() only picks them when the processor
// has AVX2. The masked loops work on 32 pixels (96 bytes, three vectors) at a time: the 32 mask
// values are looked up in the weight table with byte shuffles and spread to the 16-bit lanes of
// the three blocks their bytes fall in. Processors with AVX-512 VBMI look up 64 weights at once
// with two 128-entry permutes instead, whatever the shape of the table.

#include "graphics/DibKernels.h"

#if defined(__x86_64__)

#include <immintrin.h>

#define TAVRI_AVX2 __attribute__((target("avx2")))
#define TAVRI_VBMI __attribute__((target("avx2,avx512f,avx512bw,avx512vbmi")))

namespace tavri::dib_kernels {

namespace {

// Shuffle controls, the same in both 128-bit lanes where a lane holds 16 pixels.
struct TControls {
    // Spreading: for output block k (bytes 32k..32k+31 of 96) and half h (bytes 0-7 or 8-15 of
    // each lane), each 16-bit lane gets the weight of its byte's pixel, high byte 0.
    alignas(32) uint8_t Spread[3][2][32];
};

constexpr TControls MakeControls() {
    TControls c{};
    for (int k = 0; k < 3; ++k) {
        for (int h = 0; h < 2; ++h) {
            for (int lane = 0; lane < 2; ++lane) {
                // Block 0 reads pixels 0-15 in both lanes, block 2 pixels 16-31, block 1 one
                // of each (see Lerp96).
                const int base = k == 0 ? 0 : k == 2 ? 16 : 16 * lane;
                for (int j = 0; j < 8; ++j) {
                    const int byte = 32 * k + 16 * lane + 8 * h + j;
                    c.Spread[k][h][16 * lane + 2 * j] = uint8_t(byte / 3 - base);
                    c.Spread[k][h][16 * lane + 2 * j + 1] = 0x80;
                }
            }
        }
    }
    return c;
}

constexpr TControls kControls = MakeControls();

TAVRI_AVX2 inline __m256i Load(const uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

TAVRI_AVX2 inline void Store(uint8_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

TAVRI_AVX2 inline __m256i LoadControl(const uint8_t* p) {
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(p));
}

// out = (s × 256 + (d − s) × w) shr 8 for 32 bytes, weights already in 16-bit lanes. The sum
// is the exact blend and lies in 0..65280, so computing it modulo 2^16 loses nothing. Each
// 16-bit lane of the interleaved pair (d, s) is d + s × 256: masking gives s × 256, and one
// multiply-add with (1, −1) gives d − s.
TAVRI_AVX2 inline __m256i Lerp32(__m256i s, __m256i d, __m256i wLo, __m256i wHi) {
    const __m256i plusMinus = _mm256_set1_epi16(int16_t(0xFF01));
    const __m256i high = _mm256_set1_epi16(int16_t(0xFF00));
    const __m256i dsLo = _mm256_unpacklo_epi8(d, s), dsHi = _mm256_unpackhi_epi8(d, s);
    const __m256i lo = _mm256_srli_epi16(
        _mm256_add_epi16(_mm256_and_si256(dsLo, high),
                         _mm256_mullo_epi16(_mm256_maddubs_epi16(dsLo, plusMinus), wLo)),
        8);
    const __m256i hi = _mm256_srli_epi16(
        _mm256_add_epi16(_mm256_and_si256(dsHi, high),
                         _mm256_mullo_epi16(_mm256_maddubs_epi16(dsHi, plusMinus), wHi)),
        8);
    return _mm256_packus_epi16(lo, hi);
}

// The blend of 32 pixels whose weights are in w (pixels 0-15 in the low lane, 16-31 in the high
// one); out may be d.
TAVRI_AVX2 inline void Lerp96(const uint8_t* s, const uint8_t* d, uint8_t* out, __m256i w) {
    const __m256i source[3] = {_mm256_permute4x64_epi64(w, 0x44), w,
                               _mm256_permute4x64_epi64(w, 0xEE)};
    for (int k = 0; k < 3; ++k) {
        const __m256i wLo = _mm256_shuffle_epi8(source[k], LoadControl(kControls.Spread[k][0]));
        const __m256i wHi = _mm256_shuffle_epi8(source[k], LoadControl(kControls.Spread[k][1]));
        Store(out + 32 * k, Lerp32(Load(s + 32 * k), Load(d + 32 * k), wLo, wHi));
    }
}

// A 256-entry byte table as sixteen 16-entry shuffles. The weight table of a masked step is 0
// up to the soft edge and 255 from the threshold on, so only the few sixteen-value chunks that
// hold the edge are shuffled; the 255s at the top come from one comparison.
class TByteTable {
  public:
    TAVRI_AVX2 explicit TByteTable(const uint8_t* table) {
        auto all = [table](int chunk, uint8_t value) {
            for (int i = 0; i < 16; ++i) {
                if (table[16 * chunk + i] != value) {
                    return false;
                }
            }
            return true;
        };
        last_ = 16;
        while (last_ > 0 && all(last_ - 1, 255)) {
            --last_;
        }
        first_ = 0;
        while (first_ < last_ && all(first_, 0)) {
            ++first_;
        }
        for (int j = first_; j < last_; ++j) {
            chunk_[j] = _mm256_broadcastsi128_si256(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(table + 16 * j)));
            key_[j] = _mm256_set1_epi8(char(j << 4));
        }
        top_ = _mm256_set1_epi8(char(16 * last_));
    }

    TAVRI_AVX2 __m256i Lookup(__m256i index) const {
        __m256i result = _mm256_setzero_si256();
        if (last_ < 16) {
            result = _mm256_cmpeq_epi8(_mm256_max_epu8(index, top_), index);  // index >= top
        }
        const __m256i clearHigh = _mm256_set1_epi8(0x70);
        for (int j = first_; j < last_; ++j) {
            // Lanes of another chunk get bit 7 set, which makes the shuffle give 0.
            const __m256i select = _mm256_adds_epu8(_mm256_xor_si256(index, key_[j]), clearHigh);
            result = _mm256_or_si256(result, _mm256_shuffle_epi8(chunk_[j], select));
        }
        return result;
    }

  private:
    __m256i chunk_[16], key_[16], top_;
    int first_ = 0, last_ = 0;
};

TAVRI_AVX2 void BlendAvx2(const uint8_t* p, const uint8_t* q, uint8_t* out, size_t bytes,
                          unsigned a) {
    // (x × a) shr 8 is the high half of (x shl 8) × a: the even bytes are shifted up, the odd
    // ones already sit in the high half of their 16-bit lane.
    const __m256i wa = _mm256_set1_epi16(int16_t(a)), wb = _mm256_set1_epi16(int16_t(256 - a));
    const __m256i high = _mm256_set1_epi16(int16_t(0xFF00));
    size_t i = 0;
    for (; i + 32 <= bytes; i += 32) {
        const __m256i pv = Load(p + i), qv = Load(q + i);
        const __m256i even = _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_slli_epi16(pv, 8), wa),
                                              _mm256_mulhi_epu16(_mm256_slli_epi16(qv, 8), wb));
        const __m256i odd = _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_and_si256(pv, high), wa),
                                             _mm256_mulhi_epu16(_mm256_and_si256(qv, high), wb));
        Store(out + i, _mm256_or_si256(even, _mm256_slli_epi16(odd, 8)));
    }
    for (; i < bytes; ++i) {
        out[i] = uint8_t(((p[i] * a) >> 8) + ((q[i] * (256 - a)) >> 8));
    }
}

TAVRI_AVX2 void MaskBlendRowsAvx2(const TMaskRows& job) {
    const TByteTable weights(job.WeightOfQ);
    for (int row = 0; row < job.Rows; ++row) {
        const size_t in = size_t(row) * job.InStride;
        const uint8_t* p = job.P + in;
        const uint8_t* q = job.Q + in;
        const uint8_t* mask = job.Mask + size_t(row) * job.MaskStride;
        uint8_t* out = job.Out + size_t(row) * job.OutStride;
        int x = 0;
        for (; x + 32 <= job.Width; x += 32) {
            const size_t at = 3 * size_t(x);
            const __m256i t = weights.Lookup(Load(mask + x));
            Lerp96(p + at, q + at, out + at, t);
        }
        for (; x < job.Width; ++x) {
            const size_t at = 3 * size_t(x);
            MaskPixel(p + at, q + at, mask[x], out + at, job.WeightOfQ);
        }
    }
}

TAVRI_VBMI void MaskBlendRowsVbmi(const TMaskRows& job) {
    const __m512i low = _mm512_loadu_si512(job.WeightOfQ);
    const __m512i high = _mm512_loadu_si512(job.WeightOfQ + 64);
    const __m512i low2 = _mm512_loadu_si512(job.WeightOfQ + 128);
    const __m512i high2 = _mm512_loadu_si512(job.WeightOfQ + 192);
    for (int row = 0; row < job.Rows; ++row) {
        const size_t in = size_t(row) * job.InStride;
        const uint8_t* p = job.P + in;
        const uint8_t* q = job.Q + in;
        const uint8_t* mask = job.Mask + size_t(row) * job.MaskStride;
        uint8_t* out = job.Out + size_t(row) * job.OutStride;
        int x = 0;
        for (; x + 64 <= job.Width; x += 64) {
            const __m512i index = _mm512_loadu_si512(mask + x);
            // Bits 0-6 pick within a half of the table, bit 7 picks the half.
            const __m512i lower = _mm512_permutex2var_epi8(low, index, high);
            const __m512i upper = _mm512_permutex2var_epi8(low2, index, high2);
            const __m512i t = _mm512_mask_blend_epi8(_mm512_movepi8_mask(index), lower, upper);
            alignas(64) uint8_t weights[64];
            _mm512_store_si512(weights, t);
            const size_t at = 3 * size_t(x);
            Lerp96(p + at, q + at, out + at, Load(weights));
            Lerp96(p + at + 96, q + at + 96, out + at + 96, Load(weights + 32));
        }
        for (; x < job.Width; ++x) {
            const size_t at = 3 * size_t(x);
            MaskPixel(p + at, q + at, mask[x], out + at, job.WeightOfQ);
        }
    }
}

// (x × e) shr 8 + k for 32 bytes in place.
TAVRI_AVX2 inline void Wash32(uint8_t* at, __m256i e, __m256i k) {
    const __m256i v = Load(at);
    const __m256i even = _mm256_mulhi_epu16(_mm256_slli_epi16(v, 8), e);
    const __m256i odd = _mm256_and_si256(_mm256_mullo_epi16(_mm256_srli_epi16(v, 8), e),
                                         _mm256_set1_epi16(int16_t(0xFF00)));
    Store(at, _mm256_add_epi8(_mm256_or_si256(even, odd), k));
}

TAVRI_AVX2 void FillRowsAvx2(uint8_t* first, size_t stride, int rows, int pixels,
                             const uint8_t add[3], unsigned e) {
    // The colour part repeats every three bytes, so three vectors cover every 96 bytes.
    alignas(32) uint8_t pattern[96];
    for (int i = 0; i < 96; ++i) {
        pattern[i] = add[i % 3];
    }
    const __m256i k0 = LoadControl(pattern), k1 = LoadControl(pattern + 32);
    const __m256i k2 = LoadControl(pattern + 64);
    const __m256i we = _mm256_set1_epi16(int16_t(e));
    const size_t bytes = 3 * size_t(pixels);
    for (int r = 0; r < rows; ++r) {
        uint8_t* row = first + size_t(r) * stride;
        size_t i = 0;
        for (; i + 96 <= bytes; i += 96) {
            Wash32(row + i, we, k0);
            Wash32(row + i + 32, we, k1);
            Wash32(row + i + 64, we, k2);
        }
        if (i + 32 <= bytes) {
            Wash32(row + i, we, k0);
            i += 32;
        }
        if (i + 32 <= bytes) {
            Wash32(row + i, we, k1);
            i += 32;
        }
        for (; i < bytes; ++i) {
            row[i] = uint8_t(((row[i] * e) >> 8) + pattern[i % 3]);
        }
    }
}

TAVRI_AVX2 void AlphaMaskRowAvx2(const uint8_t* sprite, const uint8_t* mask, uint8_t* dest,
                                 int pixels) {
    int x = 0;
    for (; x + 32 <= pixels; x += 32) {
        const size_t at = 3 * size_t(x);
        Lerp96(sprite + at, dest + at, dest + at, Load(mask + x));
    }
    for (; x < pixels; ++x) {
        AlphaPixel(sprite + 3 * size_t(x), mask[x], dest + 3 * size_t(x));
    }
}

}  // namespace

const TKernelSet& Avx2Kernels() {
    static const TKernelSet kernels{"avx2", BlendAvx2, MaskBlendRowsAvx2, FillRowsAvx2,
                                    AlphaMaskRowAvx2};
    return kernels;
}

const TKernelSet& Avx512VbmiKernels() {
    static const TKernelSet kernels{"avx512vbmi", BlendAvx2, MaskBlendRowsVbmi, FillRowsAvx2,
                                    AlphaMaskRowAvx2};
    return kernels;
}

}  // namespace tavri::dib_kernels

#endif  // __x86_64__
