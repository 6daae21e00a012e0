#pragma once

// Text written straight onto a picture, the way a drawing canvas writes it: glyphs in one colour,
// black and white (the plain text of menus and the title screen) or with FreeType's grey
// smoothing (labels and lists of the form controls), on a transparent or an opaque background.
// Measured with TextExtent (Fonts.h), so what is measured is what is drawn.

#include <optional>
#include <string_view>

#include "graphics/Fonts.h"
#include "graphics/Image.h"

namespace tavri {

// Writes the text with the top-left corner of its first character cell at (x, y), clipped to the
// image. With a background, the text's cell rectangle (TextExtent, turned with the escapement)
// is filled first. On an 8-bit image the colours' low bytes are written as palette indices and
// grey glyphs are cut at half coverage.
void CanvasTextOut(TImage& image, int x, int y, std::string_view cp932, const TFont& font,
                   TColor colour, std::optional<TColor> background = std::nullopt,
                   TGlyphRendering rendering = TGlyphRendering::Mono);

}  // namespace tavri
