#include <cmath>

#include "Art.h"

namespace demo {
namespace {

constexpr float kPi = 3.14159265f;

// A row of rounded tree crowns along a ragged line.
void TreeLine(TPaint& p, float base, float height, TRgb colour, unsigned seed) {
    for (int i = 0; i < 40; ++i) {
        const float x = float(i) * 17.0f + Hash01(i, seed) * 12.0f - 10.0f;
        const float h = height * (0.6f + 0.5f * Hash01(i, seed + 1));
        p.Ellipse(x, base - h * 0.5f, 14.0f + 8.0f * Hash01(i, seed + 2), h * 0.6f, colour);
    }
    p.Rect(0, base - 4, float(p.Width()), base + 30, colour);
}

void Trunk(TPaint& p, float x, float width, TRgb bark, TRgb shade) {
    p.Polygon({{x - width * 0.5f, -10},
               {x + width * 0.5f, -10},
               {x + width * 0.65f, 480},
               {x - width * 0.65f, 480}},
              bark);
    p.Polygon({{x + width * 0.15f, -10},
               {x + width * 0.5f, -10},
               {x + width * 0.65f, 480},
               {x + width * 0.2f, 480}},
              shade, 0.6f);
}

}  // namespace

TPaint Forest(bool dusk) {
    TPaint p(640, 480, Rgb(0, 0, 0));
    const TRgb skyTop = dusk ? Rgb(70, 60, 120) : Rgb(150, 200, 230);
    const TRgb skyLow = dusk ? Rgb(250, 150, 90) : Rgb(225, 240, 220);
    p.VerticalGradient(0, 220, skyTop, skyLow);
    const TRgb tint = dusk ? Rgb(255, 170, 120) : Rgb(255, 255, 255);
    auto shade = [&](TRgb c) { return TRgb{c.R * tint.R, c.G * tint.G, c.B * tint.B}; };
    TreeLine(p, 210, 70, shade(Rgb(110, 150, 120)), 11);
    TreeLine(p, 235, 60, shade(Rgb(70, 115, 70)), 12);
    p.VerticalGradient(250, 479, shade(Rgb(90, 130, 60)), shade(Rgb(50, 85, 35)));
    // The path narrows into the distance.
    p.Polygon({{300, 250}, {340, 250}, {470, 480}, {170, 480}}, shade(Rgb(190, 165, 120)));
    p.Polygon({{310, 250}, {330, 250}, {380, 480}, {260, 480}}, shade(Rgb(215, 195, 150)), 0.5f);
    for (int i = 0; i < 6; ++i) {
        const float x = i < 3 ? 40.0f + float(i) * 70 : 420.0f + float(i - 3) * 85;
        Trunk(p, x, 26.0f + 10.0f * Hash01(i, 3), shade(Rgb(95, 70, 50)), shade(Rgb(50, 35, 25)));
    }
    // Crowns over the top of the picture.
    for (int i = 0; i < 26; ++i) {
        const float x = Hash01(i, 21) * 680 - 20;
        const float y = Hash01(i, 22) * 90 - 20;
        if (x > 230 && x < 410 && y > 30) {
            continue;
        }
        p.Ellipse(x, y, 50 + 30 * Hash01(i, 23), 35 + 20 * Hash01(i, 24),
                  shade(Mix(Rgb(40, 90, 40), Rgb(80, 130, 60), Hash01(i, 25))));
    }
    // Light through the leaves.
    const TRgb light = dusk ? Rgb(255, 190, 120) : Rgb(255, 250, 200);
    for (int i = 0; i < 30; ++i) {
        p.Ellipse(150 + Hash01(i, 31) * 340, 300 + Hash01(i, 32) * 170, 10 + 12 * Hash01(i, 33),
                  3 + 4 * Hash01(i, 34), light, 0.35f);
    }
    if (dusk) {
        p.Glow(320, 215, 220, Rgb(255, 140, 60), 0.35f);
    }
    p.Grain(6, 0.18f, dusk ? 41 : 40);
    return p;
}

TPaint Lake() {
    TPaint p(640, 480, Rgb(0, 0, 0));
    p.VerticalGradient(0, 200, Rgb(90, 150, 215), Rgb(215, 230, 240));
    auto ridge = [](float x) {
        return 150 - 40 * std::sin(x / 90) - 18 * std::sin(x / 31 + 1) - 8 * std::sin(x / 13);
    };
    std::vector<std::array<float, 2>> hills;
    for (int x = -10; x <= 650; x += 5) {
        hills.push_back({float(x), ridge(float(x))});
    }
    hills.push_back({650, 230});
    hills.push_back({-10, 230});
    p.Polygon(hills, Rgb(120, 140, 170));
    TreeLine(p, 228, 30, Rgb(50, 90, 60), 51);
    // The water, with the hills mirrored in it.
    p.VerticalGradient(235, 479, Rgb(120, 160, 200), Rgb(40, 80, 130));
    std::vector<std::array<float, 2>> mirrored;
    for (int x = -10; x <= 650; x += 5) {
        mirrored.push_back({float(x), 470 - ridge(float(x))});
    }
    mirrored.push_back({650, 235});
    mirrored.push_back({-10, 235});
    p.Polygon(mirrored, Rgb(90, 115, 150), 0.45f);
    for (int i = 0; i < 90; ++i) {
        const float y = 240 + Hash01(i, 52) * 240;
        const float x = Hash01(i, 53) * 640;
        const float w = 10 + (y - 230) * 0.25f * Hash01(i, 54);
        p.Ellipse(x, y, w, 0.8f + (y - 230) / 200, Rgb(230, 240, 250), 0.35f);
    }
    // Reeds on the near shore.
    p.Polygon({{0, 430}, {140, 455}, {230, 480}, {0, 480}}, Rgb(60, 90, 45));
    for (int i = 0; i < 24; ++i) {
        const float x = Hash01(i, 55) * 200;
        const float h = 50 + 60 * Hash01(i, 56);
        p.Polygon({{x, 480}, {x + 3, 480}, {x + 8 * Hash01(i, 57), 480 - h}}, Rgb(70, 110, 50));
    }
    p.Grain(5, 0.12f, 58);
    return p;
}

TPaint Clearing() {
    TPaint p(640, 480, Rgb(0, 0, 0));
    p.VerticalGradient(0, 479, Rgb(30, 60, 35), Rgb(60, 100, 45));
    p.Ellipse(320, 360, 330, 140, Rgb(120, 170, 80));
    p.Ellipse(320, 370, 250, 95, Rgb(160, 200, 100), 0.8f);
    // Shafts of light from above.
    for (int i = 0; i < 5; ++i) {
        const float x = 200 + float(i) * 60;
        p.Polygon({{x - 10, 0}, {x + 20, 0}, {x + 80, 420}, {x - 20, 420}}, Rgb(255, 250, 210),
                  0.10f + 0.04f * float(i % 2));
    }
    p.Glow(320, 330, 260, Rgb(255, 245, 190), 0.45f);
    // Flowers in the grass.
    const TRgb petals[] = {Rgb(250, 250, 255), Rgb(250, 220, 90), Rgb(230, 150, 190)};
    for (int i = 0; i < 70; ++i) {
        const float a = Hash01(i, 61) * 2 * kPi, r = std::sqrt(Hash01(i, 62));
        const float x = 320 + std::cos(a) * r * 240, y = 370 + std::sin(a) * r * 85;
        p.Ellipse(x, y, 3, 2.2f, petals[i % 3]);
    }
    // A mossy stone.
    p.Ellipse(430, 395, 46, 26, Rgb(110, 115, 105));
    p.Ellipse(422, 386, 34, 14, Rgb(100, 140, 80), 0.8f);
    // Dark trees closing the circle.
    for (int i = 0; i < 8; ++i) {
        const float x = i < 4 ? 20.0f + float(i) * 45 : 480.0f + float(i - 4) * 45;
        p.Rect(x, 0, x + 22, 300 + 30 * Hash01(i, 63), Rgb(35, 30, 25));
    }
    for (int i = 0; i < 20; ++i) {
        const float x = Hash01(i, 64) < 0.5f ? Hash01(i, 65) * 200 : 440 + Hash01(i, 65) * 200;
        p.Ellipse(x, Hash01(i, 66) * 160, 60, 45, Rgb(25, 55, 30));
    }
    p.Grain(4, 0.15f, 67);
    return p;
}

TPaint Memory() {
    TPaint p(320, 240, Rgb(245, 240, 228));
    p.Rect(8, 8, 312, 232, Rgb(0, 0, 0));
    TPaint inner(304, 224, Rgb(0, 0, 0));
    inner.VerticalGradient(0, 150, Rgb(240, 180, 110), Rgb(250, 225, 170));
    inner.VerticalGradient(151, 223, Rgb(150, 120, 80), Rgb(110, 90, 60));
    inner.Glow(200, 120, 80, Rgb(255, 240, 200), 0.8f);
    inner.Ellipse(200, 120, 18, 18, Rgb(255, 250, 225));
    inner.Ellipse(90, 260, 260, 120, Rgb(120, 100, 70));
    inner.Rect(84, 60, 94, 150, Rgb(80, 60, 45));
    inner.Ellipse(89, 60, 45, 38, Rgb(100, 110, 60));
    // Two small figures under the tree.
    for (int i = 0; i < 2; ++i) {
        const float x = 120 + float(i) * 22;
        inner.Ellipse(x, 152, 5, 5, Rgb(70, 55, 45));
        inner.Polygon({{x - 6, 158}, {x + 6, 158}, {x + 8, 178}, {x - 8, 178}}, Rgb(70, 55, 45));
    }
    inner.Grain(3, 0.25f, 71);
    const tavri::TImage photo = inner.ToImage();
    for (int y = 0; y < 224; ++y) {
        for (int x = 0; x < 304; ++x) {
            // Faded to sepia, darker towards the corners.
            const tavri::TColor c = photo.Pixel(x, y);
            const float grey =
                (0.3f * tavri::RedOf(c) + 0.59f * tavri::GreenOf(c) + 0.11f * tavri::BlueOf(c)) /
                255;
            const float dx = (float(x) - 152) / 152, dy = (float(y) - 112) / 112;
            const float v = grey * (1 - 0.35f * (dx * dx + dy * dy) / 2);
            p.Blend(8 + x, 8 + y, Mix(Rgb(60, 40, 25), Rgb(250, 230, 190), v), 1);
        }
    }
    return p;
}

tavri::TImage WhirlMask() {
    tavri::TImage mask(640, 480, tavri::TPixelFormat::Pf8bit);
    mask.Palette.resize(256);
    for (int i = 0; i < 256; ++i) {
        mask.Palette[size_t(i)] = tavri::RGB(uint8_t(i), uint8_t(i), uint8_t(i));
    }
    const float reach = std::hypot(320.0f, 240.0f);
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const float dx = float(x) - 319.5f, dy = float(y) - 239.5f;
            const float r = std::hypot(dx, dy) / reach;
            const float turn = (std::atan2(dy, dx) + kPi) / (2 * kPi);
            // Three arms winding outwards: the distance decides most, the angle the rest.
            float arm = turn * 3 + r * 2.5f;
            arm -= std::floor(arm);
            const float v = 0.75f * r + 0.25f * arm;
            mask.ScanLine(y)[x] = uint8_t(std::lround(std::fmin(v, 1.0f) * 255));
        }
    }
    return mask;
}

}  // namespace demo
