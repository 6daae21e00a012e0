#pragma once

// The player as a whole, measured from outside (start-up, memory) and on a real display
// (frames of a transition). Each measurement returns its samples; the table takes medians.

#include <string>
#include <vector>

namespace tavri::bench {

// Frames per second presented during one 500 ms transition of `effect` ("BLEND", "CAMERA"),
// `runs` times in one window.
std::vector<double> TransitionFramesPerSecond(const std::string& effect, int runs);

}  // namespace tavri::bench
