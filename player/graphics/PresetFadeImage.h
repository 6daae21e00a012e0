#pragma once

// The masks of the built-in transition effects. Each is a 640 × 480 picture of 8-bit grey
// levels; a pixel's level is the moment (0 first, 255 last) at which the new frame replaces the
// old one there. They are generated from fixed formulas, so every build shows the same wipes.

#include <array>
#include <cstdint>

#include "graphics/Image.h"
#include "platform/Display.h"

namespace tavri {

// The masks cover the whole picture.
using platform::kCanvasHeight;
using platform::kCanvasWidth;

// The S-shaped opening of a blind band, and the curve the left-to-right shutter follows across
// the screen.
constexpr std::array<uint8_t, 32> kFadeProfile = {
    0,   4,   9,   15,  21,  28,  36,  44,  52,  60,  69,  79,  88,  98,  108, 118,
    128, 137, 147, 157, 167, 176, 186, 195, 203, 211, 219, 227, 234, 240, 246, 251};

// Created once at start-up and never shown; it only carries the pictures.
class TPresetFadeImageForm {
  public:
    TPresetFadeImageForm();

    // The mask of a preset effect: BLIND (parameter 2: vertical), SHUTTER (2: right to left,
    // 3: top down, 4: bottom up, anything else: left to right), PUZZLE, R-SUTTER (2:
    // anticlockwise), CAMERA, WIND, CROSSLINE, and the blank mask for NONE and BLEND, which never
    // use one. nullptr for any other number.
    const TImage* GetPresetFadeImage(int32_t effect, int32_t parameter) const;

    TImage FadeBlindHorzImage;
    TImage FadeBlindVertImage;
    TImage FadeShutterL2RImage;
    TImage FadeShutterR2LImage;
    TImage FadeShutterU2DImage;
    TImage FadeShutterD2UImage;
    TImage FadePuzzleImage;
    TImage FadeRShutterRImage;
    TImage FadeRShutterLImage;
    TImage FadeCameraOpenImage;
    TImage FadeWindL2RImage;
    TImage FadeCrossLineHorzImage;
    TImage FadeBlankImage;
};

}  // namespace tavri
