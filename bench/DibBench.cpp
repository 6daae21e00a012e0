// The pixel operations of one 640 × 480 frame, each beside two peers doing the same work: the
// naive per-byte loops of the blend rules (dib_reference), and pixman composing the same picture
// its own way on 24-bit images (cross-fade: the outgoing frame, then the incoming one OVER it
// through a solid alpha; masked step: the same through an a8 mask looked up from the weights,
// every second row; wash: a translucent solid OVER; sprite: OVER through the sprite's a8 alpha).
// pixman rounds differently, so only the time is compared, not the pixels.
//
// Run (a build without sanitizers):
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
//         -DTAVRI_BENCH=ON -DTAVRI_TESTS=OFF
//   cmake --build build-bench --target tavri-bench
//   build-bench/bin/tavri-bench --benchmark_filter=Dib
// The table at the end gives the median per call and ours/peer for each operation.

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

#include "graphics/DIBTools.h"
#include "graphics/DibKernels.h"

namespace tavri {
namespace {

constexpr int kWidth = 640, kHeight = 480;
constexpr int kRowBytes = 3 * kWidth;
constexpr int kPresetSoftness = 24;

TImage Noise(uint32_t seed) {
    TImage image(kWidth, kHeight);
    std::mt19937 rng(seed);
    for (size_t i = 0; i < size_t(kRowBytes) * kHeight; ++i) {
        image.Bits()[i] = uint8_t(rng());
    }
    return image;
}

pixman_image_t* Wrap(pixman_format_code_t format, uint8_t* bits, int height, int stride) {
    return pixman_image_create_bits(format, kWidth, height, reinterpret_cast<uint32_t*>(bits),
                                    stride);
}

pixman_color_t Colour(TColor c, int level) {
    // pixman's colours are premultiplied 16-bit values.
    const uint32_t alpha = uint32_t(level) * 65535 / 100;
    return pixman_color_t{uint16_t(RedOf(c) * 257 * alpha / 65535),
                          uint16_t(GreenOf(c) * 257 * alpha / 65535),
                          uint16_t(BlueOf(c) * 257 * alpha / 65535), uint16_t(alpha)};
}

// The frames every benchmark works on, made once.
struct TScene {
    TImage incoming = Noise(1), outgoing = Noise(2), mask, target = Noise(3);
    TImage sprite = Noise(4), spriteMask{kWidth, kHeight, TPixelFormat::Pf8bit};
    std::vector<uint8_t> maskValues, spriteAlpha, stepAlpha;
    TDibTools crossFade, masked;
    int counter = 0;
    pixman_image_t *pixIncoming, *pixTarget, *pixSprite, *pixSpriteAlpha;
    pixman_image_t *pixIncomingRows[2], *pixTargetRows[2], *pixStepAlpha;
    pixman_image_t *levelAlpha[101], *wash[101];
    const TColor washColour = RGB(200, 120, 40);

    TScene() : mask(kWidth, kHeight), maskValues(size_t(kWidth) * kHeight) {
        // A diagonal wipe for the transition; a soft-edged ellipse for the sprite.
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const int v = (x + y) * 255 / (kWidth + kHeight - 2);
                mask.SetPixel(x, y, RGB(uint8_t(v), uint8_t(v), uint8_t(v)));
                maskValues[size_t(y) * kWidth + size_t(x)] = uint8_t(v);
                const double dx = (x - 320) / 200.0, dy = (y - 240) / 230.0;
                const double edge = (std::sqrt(dx * dx + dy * dy) - 1.0) * 40.0;
                spriteMask.Bits()[size_t(y) * kWidth + size_t(x)] =
                    uint8_t(std::clamp(edge, 0.0, 1.0) * 255.0);
            }
        }
        spriteAlpha.resize(maskValues.size());
        for (size_t i = 0; i < spriteAlpha.size(); ++i) {
            spriteAlpha[i] = uint8_t(255 - spriteMask.Bits()[i]);
        }
        stepAlpha.resize(maskValues.size() / 2);
        crossFade.DibBlendInit(incoming, outgoing);
        masked.DibAlphaMaskInit(incoming, outgoing, mask);

        pixIncoming = Wrap(PIXMAN_r8g8b8, incoming.Bits(), kHeight, kRowBytes);
        pixTarget = Wrap(PIXMAN_r8g8b8, target.Bits(), kHeight, kRowBytes);
        pixSprite = Wrap(PIXMAN_r8g8b8, sprite.Bits(), kHeight, kRowBytes);
        pixSpriteAlpha = Wrap(PIXMAN_a8, spriteAlpha.data(), kHeight, kWidth);
        for (int parity = 0; parity < 2; ++parity) {
            const size_t row = size_t(parity) * kRowBytes;
            pixIncomingRows[parity] =
                Wrap(PIXMAN_r8g8b8, incoming.Bits() + row, kHeight / 2, 2 * kRowBytes);
            pixTargetRows[parity] =
                Wrap(PIXMAN_r8g8b8, target.Bits() + row, kHeight / 2, 2 * kRowBytes);
        }
        pixStepAlpha = Wrap(PIXMAN_a8, stepAlpha.data(), kHeight / 2, kWidth);
        for (int level = 0; level <= 100; ++level) {
            const pixman_color_t alpha = Colour(RGB(255, 255, 255), level);
            levelAlpha[level] = pixman_image_create_solid_fill(&alpha);
            const pixman_color_t colour = Colour(washColour, level);
            wash[level] = pixman_image_create_solid_fill(&colour);
        }
    }

    // Levels sweep 1..99 like the ticks of a transition.
    int NextLevel() { return 1 + counter++ % 99; }
};

TScene& Scene() {
    static TScene scene;
    return scene;
}

void Done(TScene& s) {
    benchmark::DoNotOptimize(s.target.Bits());
    benchmark::ClobberMemory();
}

// ----- Cross-fade -----

void BlendOurs(benchmark::State& state) {
    TScene& s = Scene();
    for (auto _ : state) {
        s.crossFade.DibBlend(s.incoming, s.outgoing, s.target, int16_t(s.NextLevel()));
        Done(s);
    }
}

void BlendNaive(benchmark::State& state) {
    TScene& s = Scene();
    for (auto _ : state) {
        dib_reference::Blend(s.crossFade.BlendBufferA.data(), s.crossFade.BlendBufferB.data(),
                             s.target.Bits(), s.crossFade.BlendBufferA.size(), s.NextLevel());
        Done(s);
    }
}

void BlendPixman(benchmark::State& state) {
    TScene& s = Scene();
    for (auto _ : state) {
        std::memcpy(s.target.Bits(), s.outgoing.Bits(), size_t(kRowBytes) * kHeight);
        pixman_image_composite32(PIXMAN_OP_OVER, s.pixIncoming, s.levelAlpha[s.NextLevel()],
                                 s.pixTarget, 0, 0, 0, 0, 0, 0, kWidth, kHeight);
        Done(s);
    }
}

// ----- Masked transition, one tick (every second row) -----

void MaskedOurs(benchmark::State& state) {
    TScene& s = Scene();
    const auto softness = int16_t(state.range(0));
    for (auto _ : state) {
        s.masked.DibAlphaMaskBlendInterlace(s.incoming, s.outgoing, s.mask, s.target,
                                            int16_t(s.NextLevel()), softness);
        Done(s);
    }
}

void MaskedNaive(benchmark::State& state) {
    TScene& s = Scene();
    const int softness = int(state.range(0));
    for (auto _ : state) {
        int weights[256];
        dib_reference::MaskWeights(s.NextLevel(), softness, weights);
        const int parity = s.counter & 1;
        for (int row = parity; row < kHeight; row += 2) {
            const size_t at = size_t(row) * kRowBytes;
            dib_reference::AlphaMaskRow(s.masked.BlendBufferA.data() + at,
                                        s.masked.BlendBufferB.data() + at, s.mask.Bits() + at,
                                        s.target.Bits() + at, kWidth, weights);
        }
        Done(s);
    }
}

void MaskedPixman(benchmark::State& state) {
    TScene& s = Scene();
    const int softness = int(state.range(0));
    for (auto _ : state) {
        int weights[256];
        dib_reference::MaskWeights(s.NextLevel(), softness, weights);
        uint8_t alphaOf[256];
        for (int i = 0; i < 256; ++i) {
            alphaOf[i] = uint8_t(255 - weights[i]);
        }
        const int parity = s.counter & 1;
        for (int row = parity, half = 0; row < kHeight; row += 2, ++half) {
            const uint8_t* values = s.maskValues.data() + size_t(row) * kWidth;
            uint8_t* alpha = s.stepAlpha.data() + size_t(half) * kWidth;
            for (int x = 0; x < kWidth; ++x) {
                alpha[x] = alphaOf[values[x]];
            }
            const size_t at = size_t(row) * kRowBytes;
            std::memcpy(s.target.Bits() + at, s.outgoing.Bits() + at, kRowBytes);
        }
        pixman_image_composite32(PIXMAN_OP_OVER, s.pixIncomingRows[parity], s.pixStepAlpha,
                                 s.pixTargetRows[parity], 0, 0, 0, 0, 0, 0, kWidth, kHeight / 2);
        Done(s);
    }
}

// ----- Colour wash of the whole frame -----

void FillOurs(benchmark::State& state) {
    TScene& s = Scene();
    for (auto _ : state) {
        DibFillBlend(s.target, TRect{0, 0, kWidth, kHeight}, s.washColour, int16_t(s.NextLevel()));
        Done(s);
    }
}

void FillNaive(benchmark::State& state) {
    TScene& s = Scene();
    for (auto _ : state) {
        const int level = s.NextLevel();
        for (int row = 0; row < kHeight; ++row) {
            dib_reference::FillBlendRow(s.target.ScanLine(row), kWidth, s.washColour, level);
        }
        Done(s);
    }
}

void FillPixman(benchmark::State& state) {
    TScene& s = Scene();
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_OVER, s.wash[s.NextLevel()], nullptr, s.pixTarget, 0, 0,
                                 0, 0, 0, 0, kWidth, kHeight);
        Done(s);
    }
}

// ----- A full-frame sprite through its transparency mask -----

void SpriteOurs(benchmark::State& state) {
    TScene& s = Scene();
    for (auto _ : state) {
        DibDrawAlphaMask(s.sprite, s.spriteMask, s.target, TRect{0, 0, kWidth, kHeight}, 0, 0);
        Done(s);
    }
}

void SpriteNaive(benchmark::State& state) {
    TScene& s = Scene();
    for (auto _ : state) {
        for (int row = 0; row < kHeight; ++row) {
            dib_reference::DrawAlphaMaskRow(s.sprite.ScanLine(row), s.spriteMask.ScanLine(row),
                                            s.target.ScanLine(row), kWidth);
        }
        Done(s);
    }
}

void SpritePixman(benchmark::State& state) {
    TScene& s = Scene();
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_OVER, s.pixSprite, s.pixSpriteAlpha, s.pixTarget, 0, 0,
                                 0, 0, 0, 0, kWidth, kHeight);
        Done(s);
    }
}

void Register(const char* name, void (*function)(benchmark::State&), bool softness = false) {
    auto* b = benchmark::RegisterBenchmark(name, function)->Unit(benchmark::kMicrosecond);
    if (softness) {
        b->Arg(kPresetSoftness)->Arg(255);
    }
}

[[maybe_unused]] const bool kRegistered = [] {
    Register("DibBlend/ours", BlendOurs);
    Register("DibBlend/naive", BlendNaive);
    Register("DibBlend/pixman", BlendPixman);
    Register("DibAlphaMaskBlendInterlace/ours", MaskedOurs, true);
    Register("DibAlphaMaskBlendInterlace/naive", MaskedNaive, true);
    Register("DibAlphaMaskBlendInterlace/pixman", MaskedPixman, true);
    Register("DibFillBlend/ours", FillOurs);
    Register("DibFillBlend/naive", FillNaive);
    Register("DibFillBlend/pixman", FillPixman);
    Register("DibDrawAlphaMask/ours", SpriteOurs);
    Register("DibDrawAlphaMask/naive", SpriteNaive);
    Register("DibDrawAlphaMask/pixman", SpritePixman);
    return true;
}();

}  // namespace
}  // namespace tavri
