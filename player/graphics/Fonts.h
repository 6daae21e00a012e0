#pragma once

// Text faces and glyphs. Scenarios name the faces of a Japanese desktop ("ＭＳ Ｐゴシック",
// "Arial", ...); they are mapped to installed metric twins through a table of ours and
// fontconfig, opened once with FreeType and cached per face and size, because the scenario text
// is typed one character at a time.
//
// Metrics reproduce the platform's font mapper, so that layouts made for it stay in place:
//  - Height < 0: the em (character) height is −Height pixels.
//  - Height > 0: the cell height, internal leading included, is Height pixels; the em height is
//    Height × unitsPerEm ÷ (winAscent + winDescent), rounded.
//  - Height = 0: a cell height of 16 pixels, the platform's default size.
//  - Ascent and descent are the face's OS/2 winAscent and winDescent scaled to the em height and
//    rounded (a positive height gives exactly that cell); the line height of every measurement
//    is ascent + descent.
//  - A character advances by its hinted advance in whole pixels; a synthesised bold (the face
//    has no bold) is the outline strengthened by em / 32 and one more pixel of advance.
//  - Escapement turns the line counter-clockwise by tenths of a degree about the top-left of the
//    first character cell.
//
// Glyphs are rendered and cached on the caller's thread; use these from one thread (the main
// loop), as every drawing of the player is.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "graphics/Image.h"

namespace tavri {

struct TSize {
    int Width = 0, Height = 0;
    bool operator==(const TSize&) const = default;
};

// A logical font, as a form or the scenario describes it.
struct TFont {
    std::string Face;  // cp932; empty means the default face of a new font
    int Height = 0;    // see the metric rules above
    bool Bold = false;
    bool Italic = false;
    int Escapement = 0;  // tenths of a degree, counter-clockwise
    bool operator==(const TFont&) const = default;
};

// The height the platform gives a font of `points` at `dpi`: −points × dpi ÷ 72 rounded, so a
// negative point size (as the title screen's −24) becomes a positive cell height (32 at 96 dpi).
int FontHeightForPoints(int points, int dpi = 96);

// The installed face a logical face name stands for.
struct TResolvedFace {
    std::string Family;  // as fontconfig names it; empty when nothing could be found
    std::string File;
    int Index = 0;             // face index inside File
    bool SynthBold = false;    // bold asked for and the face has none
    bool SynthItalic = false;  // italic asked for and the face has none
};

// The family of our table for a face name (ASCII letters compared without case; full-width names
// as the scenario writes them), or the name itself in UTF-8 when the table does not know it.
std::string TableFamilyFor(std::string_view cp932Face);

// Table family first; when it is not installed, fontconfig's best face with Japanese glyphs.
// Results are cached.
TResolvedFace ResolveFace(std::string_view cp932Face, bool bold, bool italic);
// Starts reading the system's font configuration on another thread, so that the first text
// drawn does not wait for it. Optional; call once, early.
void StartFontWarmUp();

// A face that holds `code`, preferring faces with Japanese glyphs, for characters the resolved
// face lacks. False when no installed face has it. Results are cached.
bool FindFaceForCharacter(char32_t code, std::string& file, int& index);

struct TFontMetrics {
    int EmHeight = 0;  // pixels per em used for the outlines
    int Ascent = 0;
    int Descent = 0;
    int LineHeight() const { return Ascent + Descent; }
};
TFontMetrics MetricsOf(const TFont& font);

// The extent of a line of text: (sum of the advances, the line height). An empty text has a
// width of 0 and still the line height.
TSize TextExtent(const TFont& font, std::string_view cp932);

enum class TGlyphRendering {
    Mono,  // black and white: Ink is 0 or 255
    Grey   // FreeType's anti-aliasing: Ink is the coverage 0–255
};

// One rendered glyph: Ink rows of Width bytes, its top-left at (origin + Left, origin + Top)
// where origin is the glyph's point on the baseline, in image coordinates (y down).
struct TGlyphImage {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    std::vector<uint8_t> Ink;
};

// Lays the text out with the top-left corner of its first cell at (x, y) and calls `draw` for
// every glyph with its baseline origin. Blank cells (a font that cannot be opened) call nothing.
void ForEachGlyph(const TFont& font, std::string_view cp932, int x, int y,
                  TGlyphRendering rendering,
                  const std::function<void(const TGlyphImage&, int originX, int originY)>& draw);

// Sets the pixels of an 8-bit image that a monochrome glyph of the text covers to `index`,
// clipped to the image. The text's top-left is at (x, y).
void DrawTextMask(TImage& image8, int x, int y, std::string_view cp932, const TFont& font,
                  uint8_t index);

// One character's glyph straight from FreeType's own rendering (no layout, no clipping), for
// comparisons. Returns false when the font cannot be opened.
bool RenderGlyph(const TFont& font, char32_t code, TGlyphRendering rendering, TGlyphImage& out);

}  // namespace tavri
