#include "assets/AssetArt.h"

#include <algorithm>
#include <array>

#include "graphics/AntiAliasTextout.h"
#include "graphics/Canvas.h"

namespace tavri::assets {
namespace {

// The triangle's corners, in pixel-centre coordinates of a frame: a top edge 14 px wide and a
// point 8 rows below it, roughly in the middle of a 28-px text line (the marker is drawn at the
// pen plus (1, 3)).
constexpr double kTop = 8.0, kBottom = 16.5, kLeft = 5.0, kRight = 19.0;

bool InsideTriangle(int x, int y) {
    const double cx = x + 0.5, cy = y + 0.5;
    if (cy < kTop || cy > kBottom) {
        return false;
    }
    const double half = (kRight - kLeft) / 2 * (kBottom - cy) / (kBottom - kTop);
    const double middle = (kLeft + kRight) / 2;
    return cx >= middle - half && cx <= middle + half;
}

// Coverage α (0–255) of the text over white and over black gives the text's own colour back:
// over black the pixel is α·c, over white α·c + (255 − α).
struct TInk {
    std::vector<uint8_t> Alpha;
    std::vector<std::array<uint8_t, 3>> Colour;  // red, green, blue
};

void DrawLogoText(TImage& target) {
    TAntiAliasTextout text;
    text.Target = &target;
    text.AntiAlias = true;
    text.Factor = 4;
    text.Decoration = 1;
    text.TextColor = RGB(255, 255, 255);
    text.EdgeColor = RGB(28, 30, 44);
    text.Font.Face = "Arial";
    text.Font.Height = -12;
    text.TextOut(14, 3, "Powered by");
    text.Font.Height = -26;
    text.Font.Bold = true;
    text.TextOut(10, 15, "Tavri! Novel");
}

TInk RecoverInk() {
    TImage black(kLogoWidth, kLogoHeight), white(kLogoWidth, kLogoHeight);
    FillRect(black, {0, 0, kLogoWidth, kLogoHeight}, RGB(0, 0, 0));
    FillRect(white, {0, 0, kLogoWidth, kLogoHeight}, RGB(255, 255, 255));
    DrawLogoText(black);
    DrawLogoText(white);
    TInk ink;
    ink.Alpha.resize(size_t(kLogoWidth) * kLogoHeight);
    ink.Colour.resize(ink.Alpha.size());
    for (int y = 0; y < kLogoHeight; ++y) {
        const uint8_t* b = black.ScanLine(y);
        const uint8_t* w = white.ScanLine(y);
        for (int x = 0; x < kLogoWidth; ++x) {
            int through = 0;  // how much of the background shows, the largest of the channels
            for (int c = 0; c < 3; ++c) {
                through = std::max(through, int(w[x * 3 + c]) - int(b[x * 3 + c]));
            }
            const int alpha = 255 - std::clamp(through, 0, 255);
            const size_t i = size_t(y) * kLogoWidth + size_t(x);
            ink.Alpha[i] = uint8_t(alpha);
            for (int c = 0; c < 3 && alpha > 0; ++c) {
                ink.Colour[i][2 - c] = uint8_t(std::min(255, b[x * 3 + c] * 255 / alpha));
            }
        }
    }
    return ink;
}

// A 5 × 5 box blur of the ink's coverage: the soft part of the outline.
std::vector<int> Halo(const std::vector<uint8_t>& alpha) {
    std::vector<int> halo(alpha.size());
    for (int y = 0; y < kLogoHeight; ++y) {
        for (int x = 0; x < kLogoWidth; ++x) {
            int sum = 0;
            for (int dy = -2; dy <= 2; ++dy) {
                for (int dx = -2; dx <= 2; ++dx) {
                    const int sx = x + dx, sy = y + dy;
                    if (sx >= 0 && sy >= 0 && sx < kLogoWidth && sy < kLogoHeight) {
                        sum += alpha[size_t(sy) * kLogoWidth + size_t(sx)];
                    }
                }
            }
            halo[size_t(y) * kLogoWidth + size_t(x)] = sum / 25 * 150 / 255;
        }
    }
    return halo;
}

}  // namespace

bool ClickMarkCovers(int x, int y) {
    return InsideTriangle(x, y);
}

TImage DrawClickMark() {
    TImage image(2 * kClickMarkFrame, kClickMarkFrame);
    FillRect(image, {0, 0, image.Width(), image.Height()}, RGB(255, 255, 255));
    for (int frame = 0; frame < 2; ++frame) {
        const TColor fill = frame == 0 ? kClickMarkBright : kClickMarkDim;
        for (int y = 0; y < kClickMarkFrame; ++y) {
            for (int x = 0; x < kClickMarkFrame; ++x) {
                if (!InsideTriangle(x, y)) {
                    continue;
                }
                const bool edge = !InsideTriangle(x - 1, y) || !InsideTriangle(x + 1, y) ||
                                  !InsideTriangle(x, y - 1) || !InsideTriangle(x, y + 1);
                image.SetPixel(frame * kClickMarkFrame + x, y, edge ? kClickMarkOutline : fill);
            }
        }
    }
    return image;
}

TRgbaPicture DrawLogo() {
    const TInk ink = RecoverInk();
    const std::vector<int> halo = Halo(ink.Alpha);
    constexpr std::array<int, 3> kHaloColour = {16, 18, 30};
    TRgbaPicture logo(kLogoWidth, kLogoHeight);
    for (int y = 0; y < kLogoHeight; ++y) {
        for (int x = 0; x < kLogoTextWidth; ++x) {
            const size_t i = size_t(y) * kLogoWidth + size_t(x);
            const int a = ink.Alpha[i];
            const int h = halo[i] * (255 - a) / 255;  // the halo shows only around the ink
            const int total = a + h;
            if (total == 0) {
                continue;
            }
            uint8_t* out = logo.At(x, y);
            for (int c = 0; c < 3; ++c) {
                out[c] =
                    uint8_t((ink.Colour[i][size_t(c)] * a + kHaloColour[size_t(c)] * h) / total);
            }
            out[3] = uint8_t(std::min(255, total));
        }
    }
    return logo;
}

std::vector<uint8_t> MakeClickMarkBmp() {
    return EncodeBmp24(DrawClickMark());
}

std::vector<uint8_t> MakeLogoPng() {
    return EncodePngRgba(DrawLogo());
}

}  // namespace tavri::assets
