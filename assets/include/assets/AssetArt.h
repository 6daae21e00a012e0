#pragma once

// The drawing of the pictures the player carries (assets/Assets.h holds the finished bytes).
// Kept apart so that the tests can draw them again and compare.

#include <cstdint>
#include <vector>

#include "graphics/PictureEncode.h"
#include "graphics/Image.h"

namespace tavri::assets {

constexpr int kClickMarkFrame = 24;  // each frame is square
constexpr int kLogoWidth = 280, kLogoHeight = 48;
constexpr int kLogoTextWidth = 210;  // the logo's ink stays left of this column

constexpr TColor kClickMarkOutline = RGB(64, 64, 64);
constexpr TColor kClickMarkBright = RGB(255, 224, 96);
constexpr TColor kClickMarkDim = RGB(160, 140, 60);

// The 48 × 24 marker on pure white.
TImage DrawClickMark();
// Whether pixel (x, y) of a frame belongs to the marker (outline or fill).
bool ClickMarkCovers(int x, int y);
// "Powered by" over "Tavri! Novel", white with a soft dark outline.
TRgbaPicture DrawLogo();

std::vector<uint8_t> MakeClickMarkBmp();
std::vector<uint8_t> MakeLogoPng();

}  // namespace tavri::assets
