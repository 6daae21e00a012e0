#pragma once

// The runtime's own name and version: the caption of its messages and the text of the opening.
// Kept apart from start-up because the picture layer, which sits below it, names them too.

namespace tavri {

inline constexpr const char* kRuntimeVersion = "R.9.61";
inline constexpr const char* kRuntimeCaption = "Tavri! Novel Runtime";

}  // namespace tavri
