#include "graphics/CanvasText.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "graphics/Canvas.h"

namespace tavri {
namespace {

void PutPixel(TImage& image, int x, int y, TColor colour, int ink) {
    uint8_t* p = image.ScanLine(y) + size_t(x) * image.BytesPerPixel();
    if (image.PixelFormat() == TPixelFormat::Pf8bit) {
        if (ink >= 128) {
            *p = RedOf(colour);
        }
        return;
    }
    if (ink >= 255) {
        p[0] = BlueOf(colour);
        p[1] = GreenOf(colour);
        p[2] = RedOf(colour);
        return;
    }
    const int keep = 255 - ink;
    p[0] = uint8_t((p[0] * keep + BlueOf(colour) * ink + 127) / 255);
    p[1] = uint8_t((p[1] * keep + GreenOf(colour) * ink + 127) / 255);
    p[2] = uint8_t((p[2] * keep + RedOf(colour) * ink + 127) / 255);
}

// The text's cell rectangle turned about (x, y): every pixel whose centre lies inside.
void FillTurnedCell(TImage& image, int x, int y, TSize extent, int escapement, TColor colour) {
    const double angle = escapement * std::numbers::pi / 1800.0;
    const double alongX = std::cos(angle), alongY = -std::sin(angle);
    const double downX = std::sin(angle), downY = std::cos(angle);
    const double cornersX[] = {0, alongX * extent.Width, downX * extent.Height,
                               alongX * extent.Width + downX * extent.Height};
    const double cornersY[] = {0, alongY * extent.Width, downY * extent.Height,
                               alongY * extent.Width + downY * extent.Height};
    const int left = std::max(0, x + int(std::floor(*std::min_element(cornersX, cornersX + 4))));
    const int right =
        std::min(image.Width(), x + int(std::ceil(*std::max_element(cornersX, cornersX + 4))));
    const int top = std::max(0, y + int(std::floor(*std::min_element(cornersY, cornersY + 4))));
    const int bottom =
        std::min(image.Height(), y + int(std::ceil(*std::max_element(cornersY, cornersY + 4))));
    for (int py = top; py < bottom; ++py) {
        for (int px = left; px < right; ++px) {
            const double dx = px + 0.5 - x, dy = py + 0.5 - y;
            const double u = dx * alongX + dy * alongY, v = dx * downX + dy * downY;
            if (u >= 0 && u < extent.Width && v >= 0 && v < extent.Height) {
                PutPixel(image, px, py, colour, 255);
            }
        }
    }
}

}  // namespace

void CanvasTextOut(TImage& image, int x, int y, std::string_view cp932, const TFont& font,
                   TColor colour, std::optional<TColor> background, TGlyphRendering rendering) {
    if (image.Empty()) {
        return;
    }
    if (background) {
        const TSize extent = TextExtent(font, cp932);
        if (font.Escapement % 3600 == 0) {
            FillRect(image, TRect{x, y, x + extent.Width, y + extent.Height}, *background);
        } else {
            FillTurnedCell(image, x, y, extent, font.Escapement, *background);
        }
    }
    const int width = image.Width(), height = image.Height();
    ForEachGlyph(font, cp932, x, y, rendering,
                 [&](const TGlyphImage& glyph, int originX, int originY) {
                     const int left = originX + glyph.Left, top = originY + glyph.Top;
                     const int col0 = std::max(0, -left);
                     const int col1 = std::min(glyph.Width, width - left);
                     const int row0 = std::max(0, -top);
                     const int row1 = std::min(glyph.Height, height - top);
                     for (int row = row0; row < row1; ++row) {
                         const uint8_t* ink = glyph.Ink.data() + size_t(row) * size_t(glyph.Width);
                         for (int col = col0; col < col1; ++col) {
                             if (ink[col] != 0) {
                                 PutPixel(image, left + col, top + row, colour, ink[col]);
                             }
                         }
                     }
                 });
}

}  // namespace tavri
