#pragma once

// The fast-forward cursor shown while skipping: a white sign of two right-pointing triangles
// with a black outline on a transparent 32 × 32 square, hot spot in the middle.

#include "platform/Display.h"

namespace tavri::ui {

platform::TCursorImage FastForwardCursorImage();

}  // namespace tavri::ui
