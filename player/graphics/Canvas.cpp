#include "graphics/Canvas.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace tavri {
namespace {

// Products of squared ellipse sizes reach 2^128 for rectangles spanning the whole int range.
__extension__ typedef unsigned __int128 TWide;

bool Is8bit(const TImage& image) {
    return image.PixelFormat() == TPixelFormat::Pf8bit;
}

void FillSpan(TImage& image, int y, int64_t left, int64_t right, TColor colour) {
    left = std::max<int64_t>(left, 0);
    right = std::min<int64_t>(right, image.Width());
    if (left >= right) {
        return;
    }
    uint8_t* row = image.ScanLine(y);
    if (Is8bit(image)) {
        std::memset(row + left, RedOf(colour), size_t(right - left));
        return;
    }
    for (uint8_t* p = row + left * 3; p < row + right * 3; p += 3) {
        p[0] = BlueOf(colour);
        p[1] = GreenOf(colour);
        p[2] = RedOf(colour);
    }
}

// The rounded rectangle in doubled coordinates, where pixel centres are odd numbers.
struct TRoundShape {
    int64_t Left2, Top2, Right2, Bottom2;
    int64_t W, H;  // corner ellipse, limited to the rectangle
    bool Square;
};

TRoundShape ShapeOf(TRect r, int ellipseWidth, int ellipseHeight) {
    TRoundShape s{};
    s.Left2 = 2 * int64_t(r.Left);
    s.Top2 = 2 * int64_t(r.Top);
    s.Right2 = 2 * int64_t(r.Right);
    s.Bottom2 = 2 * int64_t(r.Bottom);
    s.W = std::min<int64_t>(ellipseWidth, int64_t(r.Right) - r.Left);
    s.H = std::min<int64_t>(ellipseHeight, int64_t(r.Bottom) - r.Top);
    s.Square = s.W < 2 || s.H < 2;
    return s;
}

// How many pixels row y (inside the rectangle) leaves uncovered at each of its two ends.
int64_t RowInset(const TRoundShape& s, int64_t y) {
    if (s.Square) {
        return 0;
    }
    const int64_t centre = 2 * y + 1;
    int64_t dy = 0;
    if (centre < s.Top2 + s.H) {
        dy = centre - (s.Top2 + s.H);
    } else if (centre > s.Bottom2 - s.H) {
        dy = centre - (s.Bottom2 - s.H);
    } else {
        return 0;
    }
    // Pixel Left + k lies in the corner zone while 2k + 1 < W, i.e. for k < W / 2; there
    // dx = 2k + 1 − W, and it is covered when dx²·H² ≤ W²·(H² − dy²). |dy| < H inside the zone,
    // and |dx| shrinks as k grows, so the covered pixels of the zone are a suffix of it.
    const TWide w2 = TWide(s.W) * TWide(s.W), h2 = TWide(s.H) * TWide(s.H);
    const TWide allowed = w2 * (h2 - TWide(dy) * TWide(dy));
    int64_t low = 0, high = s.W / 2;  // the answer lies in [low, high]
    while (low < high) {
        const int64_t k = low + (high - low) / 2;
        const int64_t dx = s.W - (2 * k + 1);
        if (TWide(dx) * TWide(dx) * h2 <= allowed) {
            high = k;
        } else {
            low = k + 1;
        }
    }
    return low;
}

}  // namespace

void FillRect(TImage& image, TRect rect, TColor colour) {
    const int top = std::max(rect.Top, 0), bottom = std::min(rect.Bottom, image.Height());
    for (int y = top; y < bottom; ++y) {
        FillSpan(image, y, rect.Left, rect.Right, colour);
    }
}

void FillRoundRect(TImage& image, TRect rect, int ellipseWidth, int ellipseHeight, TColor colour) {
    if (rect.Right <= rect.Left || rect.Bottom <= rect.Top) {
        return;
    }
    const TRoundShape shape = ShapeOf(rect, ellipseWidth, ellipseHeight);
    const int top = std::max(rect.Top, 0), bottom = std::min(rect.Bottom, image.Height());
    for (int y = top; y < bottom; ++y) {
        const int64_t inset = RowInset(shape, y);
        FillSpan(image, y, int64_t(rect.Left) + inset, int64_t(rect.Right) - inset, colour);
    }
}

bool RoundRectContains(TRect rect, int ellipseWidth, int ellipseHeight, int x, int y) {
    if (x < rect.Left || x >= rect.Right || y < rect.Top || y >= rect.Bottom) {
        return false;
    }
    const int64_t inset = RowInset(ShapeOf(rect, ellipseWidth, ellipseHeight), y);
    return x >= int64_t(rect.Left) + inset && x < int64_t(rect.Right) - inset;
}

void DrawImage(TImage& dst, int x, int y, const TImage& src) {
    const int64_t left = std::max<int64_t>(x, 0);
    const int64_t right = std::min<int64_t>(int64_t(x) + src.Width(), dst.Width());
    const int64_t top = std::max<int64_t>(y, 0);
    const int64_t bottom = std::min<int64_t>(int64_t(y) + src.Height(), dst.Height());
    if (left >= right || top >= bottom) {
        return;
    }
    const size_t count = size_t(right - left);
    const size_t srcColumn = size_t(left - x);
    for (int64_t row = top; row < bottom; ++row) {
        const uint8_t* in = src.ScanLine(int(row - y)) + srcColumn * src.BytesPerPixel();
        uint8_t* out = dst.ScanLine(int(row)) + size_t(left) * dst.BytesPerPixel();
        if (src.PixelFormat() == dst.PixelFormat()) {
            std::memcpy(out, in, count * dst.BytesPerPixel());
        } else if (Is8bit(src)) {
            for (size_t i = 0; i < count; ++i, out += 3) {
                const TColor c = in[i] < src.Palette.size() ? src.Palette[in[i]] : 0;
                out[0] = BlueOf(c);
                out[1] = GreenOf(c);
                out[2] = RedOf(c);
            }
        } else {
            for (size_t i = 0; i < count; ++i) {
                out[i] = in[i * 3 + 2];  // the red byte, a colour's low byte
            }
        }
    }
}

}  // namespace tavri
