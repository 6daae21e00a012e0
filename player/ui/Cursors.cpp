#include "ui/Cursors.h"

#include <cstdlib>

namespace tavri::ui {

namespace {

constexpr uint32_t kClear = 0x00000000u, kWhite = 0xFFFFFFFFu, kBlack = 0xFF000000u;

// Inside a right-pointing triangle whose left edge is at x0 (rows 8..23) and tip at x0 + 11.
bool InTriangle(int x, int y, int x0) {
    const int half = 8;                       // half the height in pixels
    const int dy = std::abs(2 * y + 1 - 32);  // distance from the middle, in half pixels
    const int reach = (2 * half - dy) * 11 / (2 * half);
    return y >= 8 && y < 24 && x >= x0 && x < x0 + reach + 1;
}

}  // namespace

platform::TCursorImage FastForwardCursorImage() {
    platform::TCursorImage cursor;
    cursor.width = cursor.height = 32;
    cursor.hotX = cursor.hotY = 16;
    cursor.pixels.assign(32 * 32, kClear);
    auto inSign = [](int x, int y) {
        return x >= 0 && y >= 0 && x < 32 && y < 32 &&
               (InTriangle(x, y, 5) || InTriangle(x, y, 16));
    };
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            if (inSign(x, y)) {
                cursor.pixels[size_t(y * 32 + x)] = kWhite;
                continue;
            }
            // A pixel beside the sign (eight neighbours) is its outline.
            bool edge = false;
            for (int dy = -1; dy <= 1 && !edge; ++dy) {
                for (int dx = -1; dx <= 1 && !edge; ++dx) {
                    edge = inSign(x + dx, y + dy);
                }
            }
            if (edge) {
                cursor.pixels[size_t(y * 32 + x)] = kBlack;
            }
        }
    }
    return cursor;
}

}  // namespace tavri::ui
