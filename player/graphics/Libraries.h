#pragma once

// The libraries the picture and text layer is built on, with the versions in use, for the
// version form's acknowledgements.

#include <string>
#include <vector>

namespace tavri {

// "libpng 1.6.39", "zlib 1.2.13", ... (ASCII).
std::vector<std::string> GraphicsLibraries();

}  // namespace tavri
