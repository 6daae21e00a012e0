#pragma once

// The demo novel's pictures.

#include "Paint.h"

namespace demo {

// Backgrounds, 640 × 480 unless noted.
TPaint Forest(bool dusk);  // the path into the woods, by day or in the evening light
TPaint Lake();
TPaint Clearing();
TPaint Memory();  // 320 × 240, a faded photograph, shown centred

// Sprites.
TPaint Shiori();   // a girl, 200 × 400, smooth edges for an alpha channel
TPaint Kitsune();  // a fox, 220 × 200, hard edges on magenta for a colour key
TPaint Hotaru();   // a firefly's glow, 48 × 48

// A 640 × 480 grey transition mask: a whirl that opens from the centre.
tavri::TImage WhirlMask();

}  // namespace demo
