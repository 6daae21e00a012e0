// Every form of the inner loops this processor runs, and the operations built on the fastest,
// must give byte for byte what the plain per-byte rules give, on random pictures, sizes, levels
// and softness values.

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <random>

#include "graphics/DIBTools.h"
#include "graphics/DibKernels.h"

namespace tavri {

namespace dib_kernels {
// Failures name the form of the loops, not its address.
void PrintTo(const TKernelSet* set, std::ostream* out) {
    *out << set->Name;
}
}  // namespace dib_kernels

namespace {

using dib_kernels::TKernelSet;

std::vector<uint8_t> RandomBytes(std::mt19937& rng, size_t n) {
    std::vector<uint8_t> v(n);
    for (uint8_t& b : v) {
        b = uint8_t(rng());
    }
    return v;
}

// Mask bytes piled up at the ends, where the rules have their edge cases.
std::vector<uint8_t> RandomMask(std::mt19937& rng, size_t n) {
    std::vector<uint8_t> v = RandomBytes(rng, n);
    for (uint8_t& b : v) {
        const unsigned pick = rng() % 4;
        b = pick == 0 ? 0 : pick == 1 ? 255 : b;
    }
    return v;
}

int RandomInt(std::mt19937& rng, int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(rng);
}

TImage RandomImage(std::mt19937& rng, int w, int h) {
    TImage image(w, h);
    const std::vector<uint8_t> bytes = RandomBytes(rng, image.RowBytes() * size_t(h));
    std::copy(bytes.begin(), bytes.end(), image.Bits());
    return image;
}

std::vector<uint8_t> BytesOf(const TImage& image) {
    return std::vector<uint8_t>(image.Bits(), image.Bits() + image.RowBytes() * image.Height());
}

// Softness values that matter: hard edges, the presets' 24, a ramp of the full mask range, one
// beyond it, the extremes and a random one.
std::vector<int> SoftnessValues(std::mt19937& rng) {
    return {1, 24, 255, 256, 0, -1, -300, 32767, -32768, RandomInt(rng, -32768, 32767)};
}

class DibFastPathKernels : public testing::TestWithParam<const TKernelSet*> {
  protected:
    const TKernelSet& kernels() const { return *GetParam(); }
};

TEST_P(DibFastPathKernels, BlendMatchesTheReference) {
    std::mt19937 rng(11);
    for (int round = 0; round < 400; ++round) {
        // Lengths around the vector widths as well as random ones, from unaligned starts.
        const size_t bytes = round < 100 ? size_t(round) : size_t(RandomInt(rng, 0, 3000));
        const int level = round % 3 == 0 ? RandomInt(rng, -5, 250) : RandomInt(rng, 0, 100);
        const size_t skew = size_t(RandomInt(rng, 0, 31));
        const std::vector<uint8_t> a = RandomBytes(rng, bytes + skew);
        const std::vector<uint8_t> b = RandomBytes(rng, bytes + skew);
        std::vector<uint8_t> expected(bytes + skew), actual(bytes + skew, 0x5A);
        dib_reference::Blend(a.data() + skew, b.data() + skew, expected.data() + skew, bytes,
                             level);
        kernels().Blend(a.data() + skew, b.data() + skew, actual.data() + skew, bytes,
                        unsigned(std::clamp(level, 0, 100) * 256 / 100));
        ASSERT_TRUE(
            std::equal(expected.begin() + long(skew), expected.end(), actual.begin() + long(skew)))
            << "bytes " << bytes << " level " << level;
        ASSERT_TRUE(std::all_of(actual.begin(), actual.begin() + long(skew),
                                [](uint8_t v) { return v == 0x5A; }));
    }
}

// Runs the masked loop on `rows` rows of `width` pixels, in and out at different strides, and
// compares with the reference row by row.
void CheckMaskRows(const TKernelSet& kernels, std::mt19937& rng, int width, int rows, int level,
                   int softness, bool maskRamp) {
    const size_t rowBytes = 3 * size_t(width);
    const size_t inStride = rowBytes + size_t(RandomInt(rng, 0, 7));
    const size_t outStride = rowBytes + size_t(RandomInt(rng, 0, 7));
    const std::vector<uint8_t> p = RandomBytes(rng, inStride * size_t(rows));
    const std::vector<uint8_t> q = RandomBytes(rng, inStride * size_t(rows));
    std::vector<uint8_t> mask = RandomMask(rng, inStride * size_t(rows));
    if (maskRamp) {
        for (size_t i = 0; i < mask.size(); i += 3) {
            mask[i] = uint8_t(i / 3);
        }
    }
    int weights[256];
    dib_reference::MaskWeights(level, softness, weights);
    uint8_t table[256];
    std::copy(weights, weights + 256, table);

    std::vector<uint8_t> actual(outStride * size_t(rows), 0x5A);
    // The kernels take the mask as its first bytes, one per pixel; the reference reads them out
    // of the 24-bit rows.
    std::vector<uint8_t> maskBytes(size_t(width) * size_t(rows));
    for (int r = 0; r < rows; ++r) {
        for (int x = 0; x < width; ++x) {
            maskBytes[size_t(r) * size_t(width) + size_t(x)] =
                mask[size_t(r) * inStride + 3 * size_t(x)];
        }
    }
    dib_kernels::TMaskRows job;
    job.P = p.data();
    job.Q = q.data();
    job.Mask = maskBytes.data();
    job.MaskStride = size_t(width);
    job.Out = actual.data();
    job.InStride = inStride;
    job.OutStride = outStride;
    job.Width = width;
    job.Rows = rows;
    job.WeightOfQ = table;
    kernels.MaskBlendRows(job);

    std::vector<uint8_t> expected = actual;
    for (int r = 0; r < rows; ++r) {
        const size_t in = size_t(r) * inStride, out = size_t(r) * outStride;
        dib_reference::AlphaMaskRow(p.data() + in, q.data() + in, mask.data() + in,
                                    expected.data() + out, width, weights);
        // Bytes between rows are not touched.
        ASSERT_TRUE(std::all_of(actual.begin() + long(out + rowBytes),
                                actual.begin() + long(out + outStride),
                                [](uint8_t v) { return v == 0x5A; }));
    }
    ASSERT_EQ(actual, expected) << "width " << width << " rows " << rows << " level " << level
                                << " softness " << softness;
}

TEST_P(DibFastPathKernels, MaskedRowsMatchTheReferenceOnRandomInput) {
    std::mt19937 rng(12);
    for (int round = 0; round < 60; ++round) {
        const int width = round < 40 ? round + 1 : RandomInt(rng, 1, 700);
        const int rows = RandomInt(rng, 1, 4);
        for (int softness : SoftnessValues(rng)) {
            CheckMaskRows(kernels(), rng, width, rows, RandomInt(rng, -5, 105), softness, false);
        }
    }
}

TEST_P(DibFastPathKernels, MaskedRowsMatchTheReferenceForEveryMaskValueAndLevel) {
    std::mt19937 rng(13);
    for (int softness : SoftnessValues(rng)) {
        for (int level = 0; level <= 100; ++level) {
            CheckMaskRows(kernels(), rng, 256 + 13, 1, level, softness, true);
        }
    }
}

TEST_P(DibFastPathKernels, FillRowsMatchTheReference) {
    std::mt19937 rng(14);
    for (int round = 0; round < 300; ++round) {
        const int pixels = round < 100 ? round : RandomInt(rng, 0, 1000);
        const int rows = RandomInt(rng, 1, 3);
        const size_t stride = 3 * size_t(pixels) + size_t(RandomInt(rng, 0, 5));
        const int level = RandomInt(rng, 1, 120);
        const TColor colour = TColor(rng()) & 0xFFFFFF;
        std::vector<uint8_t> expected = RandomBytes(rng, stride * size_t(rows));
        std::vector<uint8_t> actual = expected;
        for (int r = 0; r < rows; ++r) {
            dib_reference::FillBlendRow(expected.data() + size_t(r) * stride, pixels, colour,
                                        level);
        }
        const unsigned d = unsigned(std::min(level, 100)) * 256 / 100;
        const uint8_t add[3] = {uint8_t(BlueOf(colour) * d / 256),
                                uint8_t(GreenOf(colour) * d / 256),
                                uint8_t(RedOf(colour) * d / 256)};
        kernels().FillRows(actual.data(), stride, rows, pixels, add, 256 - d);
        ASSERT_EQ(actual, expected) << "pixels " << pixels << " level " << level;
    }
}

TEST_P(DibFastPathKernels, AlphaMaskRowMatchesTheReference) {
    std::mt19937 rng(15);
    for (int round = 0; round < 400; ++round) {
        const int pixels = round < 100 ? round : RandomInt(rng, 0, 1000);
        const std::vector<uint8_t> sprite = RandomBytes(rng, 3 * size_t(pixels));
        const std::vector<uint8_t> mask = RandomMask(rng, size_t(pixels));
        std::vector<uint8_t> expected = RandomBytes(rng, 3 * size_t(pixels) + 5);
        std::vector<uint8_t> actual = expected;
        dib_reference::DrawAlphaMaskRow(sprite.data(), mask.data(), expected.data(), pixels);
        kernels().AlphaMaskRow(sprite.data(), mask.data(), actual.data(), pixels);
        ASSERT_EQ(actual, expected) << "pixels " << pixels;
    }
}

INSTANTIATE_TEST_SUITE_P(DibFastPath, DibFastPathKernels,
                         testing::ValuesIn(dib_kernels::AvailableKernelSets()),
                         [](const testing::TestParamInfo<const TKernelSet*>& info) {
                             return std::string(info.param->Name);
                         });

// The operations themselves, on whole pictures, against the rules applied row by row.

TEST(DibFastPathOperations, CrossFadeMatchesTheReference) {
    std::mt19937 rng(21);
    for (int round = 0; round < 30; ++round) {
        const int w = 8 * RandomInt(rng, 0, 90), h = RandomInt(rng, 1, 20);
        const TImage a = RandomImage(rng, w, h), b = RandomImage(rng, w, h);
        TDibTools tools;
        tools.DibBlendInit(a, b);
        const int level = RandomInt(rng, -5, 99);
        TImage target = RandomImage(rng, w, h);
        tools.DibBlend(a, b, target, int16_t(level));
        std::vector<uint8_t> expected(a.RowBytes() * size_t(h));
        dib_reference::Blend(a.Bits(), b.Bits(), expected.data(), expected.size(), level);
        ASSERT_EQ(BytesOf(target), expected) << w << "x" << h << " level " << level;
    }
}

TEST(DibFastPathOperations, MaskedStepsMatchTheReference) {
    std::mt19937 rng(22);
    for (int round = 0; round < 30; ++round) {
        const int w = 4 * RandomInt(rng, 0, 170), h = RandomInt(rng, 1, 20);
        const TImage a = RandomImage(rng, w, h), b = RandomImage(rng, w, h);
        const TImage mask = RandomImage(rng, w, h);
        TDibTools tools;
        tools.DibAlphaMaskInit(a, b, mask);
        const TImage before = RandomImage(rng, w, h);
        TImage target = before;
        const int softness = SoftnessValues(rng)[size_t(round) % 10];
        // Two steps at different levels: the even rows keep the first, the odd the second.
        const int levels[2] = {RandomInt(rng, -5, 99), RandomInt(rng, 0, 99)};
        for (int level : levels) {
            tools.DibAlphaMaskBlendInterlace(a, b, mask, target, int16_t(level), int16_t(softness));
        }
        std::vector<uint8_t> expected = BytesOf(before);
        for (int row = 0; row < h; ++row) {
            int weights[256];
            dib_reference::MaskWeights(levels[row % 2], softness, weights);
            dib_reference::AlphaMaskRow(a.ScanLine(row), b.ScanLine(row), mask.ScanLine(row),
                                        expected.data() + a.RowBytes() * size_t(row), w, weights);
        }
        ASSERT_EQ(BytesOf(target), expected) << w << "x" << h << " softness " << softness;
    }
}

TEST(DibFastPathOperations, FillBlendMatchesTheReference) {
    std::mt19937 rng(23);
    for (int round = 0; round < 60; ++round) {
        const int w = RandomInt(rng, 1, 300), h = RandomInt(rng, 1, 10);
        TImage target = RandomImage(rng, w, h);
        std::vector<uint8_t> expected = BytesOf(target);
        const TRect rect{RandomInt(rng, -20, w), RandomInt(rng, -5, h), RandomInt(rng, -20, w + 20),
                         RandomInt(rng, -5, h + 5)};
        const TColor colour = TColor(rng()) & 0xFFFFFF;
        const int level = RandomInt(rng, -5, 120);
        DibFillBlend(target, rect, colour, int16_t(level));
        const int left = std::max(rect.Left, 0), right = std::min(rect.Right, w);
        for (int row = std::max(rect.Top, 0); row < std::min(rect.Bottom, h); ++row) {
            if (left < right) {
                dib_reference::FillBlendRow(
                    expected.data() + target.RowBytes() * size_t(row) + 3 * size_t(left),
                    right - left, colour, level);
            }
        }
        ASSERT_EQ(BytesOf(target), expected) << w << "x" << h << " level " << level;
    }
}

TEST(DibFastPathOperations, AlphaMaskBlitMatchesTheReference) {
    std::mt19937 rng(24);
    for (int round = 0; round < 60; ++round) {
        const int w = RandomInt(rng, 1, 200), h = RandomInt(rng, 1, 10);
        const TImage sprite = RandomImage(rng, w, h);
        TImage mask(w, h, TPixelFormat::Pf8bit);
        const std::vector<uint8_t> maskBytes = RandomMask(rng, size_t(w) * size_t(h));
        std::copy(maskBytes.begin(), maskBytes.end(), mask.Bits());
        const int dw = RandomInt(rng, 1, 200), dh = RandomInt(rng, 1, 10);
        TImage destination = RandomImage(rng, dw, dh);
        std::vector<uint8_t> expected = BytesOf(destination);
        const int x = RandomInt(rng, -w, dw), y = RandomInt(rng, -h, dh);
        const TRect clip{RandomInt(rng, -10, dw), RandomInt(rng, -10, dh),
                         RandomInt(rng, 0, dw + 10), RandomInt(rng, 0, dh + 10)};
        DibDrawAlphaMask(sprite, mask, destination, clip, x, y);
        const int left = std::max({x, clip.Left, 0}), right = std::min({clip.Right, x + w, dw});
        for (int row = std::max({y, clip.Top, 0}); row < std::min({clip.Bottom, y + h, dh});
             ++row) {
            if (left < right) {
                dib_reference::DrawAlphaMaskRow(
                    sprite.ScanLine(row - y) + 3 * size_t(left - x),
                    mask.ScanLine(row - y) + size_t(left - x),
                    expected.data() + destination.RowBytes() * size_t(row) + 3 * size_t(left),
                    right - left);
            }
        }
        ASSERT_EQ(BytesOf(destination), expected) << "at " << x << "," << y;
    }
}

}  // namespace
}  // namespace tavri
