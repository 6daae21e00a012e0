#pragma once

// Smooth text by supersampling: the string is rasterised in black and white at Factor times the
// font size into a private work image, every Factor × Factor block is counted, and the count picks
// a blend between the target's pixel and the text colour. Optionally with a one-pixel outline
// (Decoration 1) or a drop shadow (Decoration 2). With AntiAlias off the text is drawn plain,
// the outline then grown by two edge passes over a 1× rendering.
//
// The work images are made once and reused. A string too large for them is drawn in pieces that
// fit, each at the pen advanced by the measured widths of the pieces before it; a single
// character that alone does not fit goes through work images made for its size. Nothing is ever
// cut silently or drawn outside the target.

#include <array>
#include <string_view>
#include <vector>

#include "graphics/Fonts.h"
#include "graphics/Image.h"

namespace tavri {

// The per-pixel tables for coverage counts n = 0 … k × k: level(n) = n × 255 div k²,
// inverse(n) = 255 − level(n), and colour entries = component × level(n) div 255. Entries are
// stored blue, green, red, as the pixels are.
struct TBlendTables {
    using TEntry = std::array<uint8_t, 3>;
    std::vector<uint8_t> Level, Inverse;
    std::vector<TEntry> Edge, Text;
    // combined(n) = edge(k² − n) + text(n): the text colour over the outline by coverage.
    std::vector<TEntry> Combined;
};
TBlendTables BuildBlendTables(int factor, TColor textColor, TColor edgeColor);

// Stores in coverage (8-bit) at (col, row), for col < width and row < height, the number of
// non-zero pixels of the factor × factor block of hiRes whose top-left is (col × k, row × k).
// The blocks must lie inside hiRes and the counts inside coverage.
void CountCoverage(const TImage& hiRes, int factor, int width, int height, TImage& coverage);

// Every pixel of the width × height coverage with a count n above 0 becomes, at (x + col,
// y + row) of the 24-bit target, b × inverse(n) div 255 + entries(n) per component (blend) or
// entries(n) (set). Clipped as every pass is: rows above the target are skipped and a row at or
// below its bottom ends the pass; columns left of it are skipped and one at or beyond its right
// edge ends the row.
void BlendCoverage(TImage& target, int x, int y, const TImage& coverage, int width, int height,
                   const std::vector<uint8_t>& inverse,
                   const std::vector<TBlendTables::TEntry>& entries);
void SetCoverage(TImage& target, int x, int y, const TImage& coverage, int width, int height,
                 const std::vector<TBlendTables::TEntry>& entries);

// The plain outline's two edge passes over an 8-bit image holding 255 for ink and 0 elsewhere,
// within width × height: ink's horizontal neighbours become 2, then the vertical neighbours of
// anything above 1 become 1.
void GrowPlainOutline(TImage& image, int width, int height);

class TAntiAliasTextout {
  public:
    TAntiAliasTextout();

    TImage* Target = nullptr;  // borrowed, 24-bit
    TImage HiResImage;         // 512 × 512, 8-bit, palette black and white
    TImage CoverageImage;      // 256 × 256, 8-bit grey
    TFont Font;
    TColor TextColor = 0;
    TColor EdgeColor = 0;
    uint8_t Factor = 3;
    bool AntiAlias = true;
    uint8_t Decoration = 0;  // 0 none, 1 outline, 2 shadow

    // Draws with the top-left corner at (x, y) and returns the area laid out.
    TRect TextOut(int x, int y, std::string_view cp932);
    // The advance for the next character: the extent at twice the size, halved with rounding by
    // the factor.
    TSize MeasureText(std::string_view cp932) const;

  private:
    int K() const { return Factor == 0 ? 1 : Factor; }
    TFont ScaledFont(int times) const;
    bool SmoothFits(std::string_view piece, const TImage& hiRes, const TImage& coverage) const;
    bool PlainFits(std::string_view piece, const TImage& work) const;
    TRect SmoothPiece(int x, int y, std::string_view piece, TImage& hiRes, TImage& coverage,
                      TImage& grown);
    TRect PlainOutlinePiece(int x, int y, std::string_view piece, TImage& work);
    TRect SmoothLarge(int x, int y, std::string_view character);
    TRect PlainOutlineLarge(int x, int y, std::string_view character);
    TRect PlainText(int x, int y, std::string_view cp932);

    TImage grownImage_;  // the outline's grown coverage, beside CoverageImage
};

}  // namespace tavri
