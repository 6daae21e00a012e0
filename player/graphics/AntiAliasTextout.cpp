#include "graphics/AntiAliasTextout.h"

#include <algorithm>
#include <cstring>

#include "graphics/CanvasText.h"
#include "platform/TextEncoding.h"

namespace tavri {
namespace {

constexpr int kHiResSide = 512;
constexpr int kCoverageSide = 256;

TBlendTables::TEntry Scaled(TColor colour, int level) {
    return {uint8_t(BlueOf(colour) * level / 255), uint8_t(GreenOf(colour) * level / 255),
            uint8_t(RedOf(colour) * level / 255)};
}

TImage WorkImage(int width, int height, bool twoColours) {
    TImage image(width, height, TPixelFormat::Pf8bit);
    if (twoColours) {
        image.Palette = {RGB(0, 0, 0), RGB(255, 255, 255)};
    }
    return image;
}

// Zeroes [0, width) × [0, height) of an 8-bit image, clipped to it.
void Clear(TImage& image, int width, int height) {
    width = std::min(width, image.Width());
    height = std::min(height, image.Height());
    for (int row = 0; row < height && width > 0; ++row) {
        std::memset(image.ScanLine(row), 0, size_t(width));
    }
}

// Calls op(pixel, value) for every non-zero value of the width × height source placed at (x, y)
// of the target, with the clipping every pass shares.
template <class Op>
void ForEachCovered(TImage& target, int x, int y, const TImage& source, int width, int height,
                    Op op) {
    const int col0 = std::max(0, -x);
    const int col1 = std::min(width, target.Width() - x);
    for (int row = 0; row < height; ++row) {
        if (y + row < 0) {
            continue;
        }
        if (y + row >= target.Height()) {
            break;
        }
        const uint8_t* values = source.ScanLine(row);
        uint8_t* pixels = target.ScanLine(y + row);
        for (int col = col0; col < col1; ++col) {
            if (values[col] != 0) {
                op(pixels + size_t(x + col) * 3, values[col]);
            }
        }
    }
}

bool Usable(const TImage* target) {
    return target != nullptr && target->PixelFormat() == TPixelFormat::Pf24bit;
}

// Draws text in pieces that fit the work images, advancing the pen by each piece's measured
// width; a character that alone does not fit goes to `large`.
template <class Fits, class Draw, class Large, class Advance>
TRect DrawInPieces(int x, int y, std::string_view text, Fits fits, Draw draw, Large large,
                   Advance advance) {
    if (fits(text)) {
        return draw(x, y, text);
    }
    if (text.empty() || platform::CharLength(text, 0) == text.size()) {
        return large(x, y, text);
    }
    TRect all{x, y, x, y};
    int pen = x;
    for (size_t pos = 0; pos < text.size();) {
        size_t end = pos + platform::CharLength(text, pos);
        TRect drawn;
        if (!fits(text.substr(pos, end - pos))) {
            drawn = large(pen, y, text.substr(pos, end - pos));
        } else {
            while (end < text.size()) {
                const size_t next = end + platform::CharLength(text, end);
                if (!fits(text.substr(pos, next - pos))) {
                    break;
                }
                end = next;
            }
            drawn = draw(pen, y, text.substr(pos, end - pos));
        }
        all.Right = std::max(all.Right, drawn.Right);
        all.Bottom = std::max(all.Bottom, drawn.Bottom);
        pen += advance(text.substr(pos, end - pos));
        pos = end;
    }
    return all;
}

}  // namespace

TBlendTables BuildBlendTables(int factor, TColor textColor, TColor edgeColor) {
    const int cells = factor * factor;
    TBlendTables tables;
    tables.Level.resize(size_t(cells) + 1);
    tables.Inverse.resize(size_t(cells) + 1);
    tables.Edge.resize(size_t(cells) + 1);
    tables.Text.resize(size_t(cells) + 1);
    tables.Combined.resize(size_t(cells) + 1);
    for (int n = 0; n <= cells; ++n) {
        const int level = n * 255 / cells;
        tables.Level[size_t(n)] = uint8_t(level);
        tables.Inverse[size_t(n)] = uint8_t(255 - level);
        tables.Edge[size_t(n)] = Scaled(edgeColor, level);
        tables.Text[size_t(n)] = Scaled(textColor, level);
    }
    for (int n = 0; n <= cells; ++n) {
        for (size_t c = 0; c < 3; ++c) {
            tables.Combined[size_t(n)][c] =
                uint8_t(tables.Edge[size_t(cells - n)][c] + tables.Text[size_t(n)][c]);
        }
    }
    return tables;
}

void CountCoverage(const TImage& hiRes, int factor, int width, int height, TImage& coverage) {
    for (int row = 0; row < height; ++row) {
        uint8_t* counts = coverage.ScanLine(row);
        std::fill(counts, counts + width, uint8_t(0));
        for (int sub = 0; sub < factor; ++sub) {
            const uint8_t* samples = hiRes.ScanLine(row * factor + sub);
            for (int col = 0; col < width; ++col) {
                const uint8_t* block = samples + size_t(col) * size_t(factor);
                int n = 0;
                for (int i = 0; i < factor; ++i) {
                    n += block[i] != 0;
                }
                counts[col] = uint8_t(counts[col] + n);
            }
        }
    }
}

void BlendCoverage(TImage& target, int x, int y, const TImage& coverage, int width, int height,
                   const std::vector<uint8_t>& inverse,
                   const std::vector<TBlendTables::TEntry>& entries) {
    ForEachCovered(target, x, y, coverage, width, height, [&](uint8_t* p, uint8_t n) {
        const int keep = inverse[n];
        const TBlendTables::TEntry& add = entries[n];
        p[0] = uint8_t(p[0] * keep / 255 + add[0]);
        p[1] = uint8_t(p[1] * keep / 255 + add[1]);
        p[2] = uint8_t(p[2] * keep / 255 + add[2]);
    });
}

void SetCoverage(TImage& target, int x, int y, const TImage& coverage, int width, int height,
                 const std::vector<TBlendTables::TEntry>& entries) {
    ForEachCovered(target, x, y, coverage, width, height,
                   [&](uint8_t* p, uint8_t n) { std::memcpy(p, entries[n].data(), 3); });
}

void GrowPlainOutline(TImage& image, int width, int height) {
    for (int row = 0; row < height; ++row) {
        uint8_t* p = image.ScanLine(row);
        for (int col = 1; col <= width - 3; ++col) {
            if (p[col] > 2 && p[col + 1] <= 2) {
                p[col + 1] = 2;
            } else if (p[col] <= 2 && p[col + 1] > 2) {
                p[col] = 2;
            }
        }
    }
    for (int col = 0; col < width; ++col) {
        for (int row = 1; row <= height - 2; ++row) {
            uint8_t& above = image.ScanLine(row)[col];
            uint8_t& below = image.ScanLine(row + 1)[col];
            if (above > 1 && below < 2) {
                below = 1;
            } else if (above < 2 && below > 1) {
                above = 1;
            }
        }
    }
}

TAntiAliasTextout::TAntiAliasTextout()
    : HiResImage(WorkImage(kHiResSide, kHiResSide, true)),
      CoverageImage(WorkImage(kCoverageSide, kCoverageSide, false)),
      grownImage_(WorkImage(kCoverageSide, kCoverageSide, false)) {}

TFont TAntiAliasTextout::ScaledFont(int times) const {
    TFont font = Font;
    // A height of 0 is the platform's default cell of 16 pixels, which must scale too.
    const int64_t height = Font.Height == 0 ? 16 : Font.Height;
    font.Height = int(std::clamp<int64_t>(height * times, -(1 << 20), 1 << 20));
    return font;
}

TSize TAntiAliasTextout::MeasureText(std::string_view cp932) const {
    const TSize doubled = TextExtent(ScaledFont(2), cp932);
    return TSize{(doubled.Width + K()) / 2, (doubled.Height + K()) / 2};
}

TRect TAntiAliasTextout::TextOut(int x, int y, std::string_view cp932) {
    if (!AntiAlias) {
        if (Decoration != 1) {
            return PlainText(x, y, cp932);
        }
        return DrawInPieces(
            x, y, cp932, [&](std::string_view s) { return PlainFits(s, CoverageImage); },
            [&](int px, int py, std::string_view s) {
                return PlainOutlinePiece(px, py, s, CoverageImage);
            },
            [&](int px, int py, std::string_view s) { return PlainOutlineLarge(px, py, s); },
            [&](std::string_view s) { return TextExtent(Font, s).Width; });
    }
    return DrawInPieces(
        x, y, cp932, [&](std::string_view s) { return SmoothFits(s, HiResImage, CoverageImage); },
        [&](int px, int py, std::string_view s) {
            return SmoothPiece(px, py, s, HiResImage, CoverageImage, grownImage_);
        },
        [&](int px, int py, std::string_view s) { return SmoothLarge(px, py, s); },
        [&](std::string_view s) { return MeasureText(s).Width; });
}

bool TAntiAliasTextout::SmoothFits(std::string_view piece, const TImage& hiRes,
                                   const TImage& coverage) const {
    const int k = K();
    const TSize extent = TextExtent(ScaledFont(k), piece);
    const int wide = extent.Width + k * k, high = extent.Height + k * k;
    return wide + 4 <= hiRes.Width() && high + 4 <= hiRes.Height() &&
           wide / k <= coverage.Width() && high / k <= coverage.Height();
}

TRect TAntiAliasTextout::SmoothPiece(int x, int y, std::string_view piece, TImage& hiRes,
                                     TImage& coverage, TImage& grown) {
    const int k = K();
    const TFont big = ScaledFont(k);
    const TSize extent = TextExtent(big, piece);
    const int wide = extent.Width + k * k, high = extent.Height + k * k;
    Clear(hiRes, wide + 4, high + 4);
    DrawTextMask(hiRes, k, k, piece, big, 1);
    const int width = wide / k, height = high / k;
    CountCoverage(hiRes, k, width, height, coverage);
    const TRect laidOut{x, y, x + width, y + height};
    if (!Usable(Target)) {
        return laidOut;
    }
    const TBlendTables tables = BuildBlendTables(k, TextColor, EdgeColor);
    if (Decoration == 1) {
        // With the first drawing at (k, k), these grow the glyph by one output pixel all round.
        const int offsets[8][2] = {{0, 0}, {0, 2 * k}, {2 * k, 0}, {2 * k, 2 * k},
                                   {0, k}, {2 * k, k}, {k, 0},     {k, 2 * k}};
        for (const auto& offset : offsets) {
            DrawTextMask(hiRes, offset[0], offset[1], piece, big, 1);
        }
        CountCoverage(hiRes, k, width, height, grown);
        BlendCoverage(*Target, x, y, grown, width, height, tables.Inverse, tables.Edge);
        // The rim lies under every glyph pixel, so the glyph is set, never blended with the
        // picture.
        SetCoverage(*Target, x, y, coverage, width, height, tables.Combined);
        return laidOut;
    }
    if (Decoration == 2) {
        BlendCoverage(*Target, x + 1, y + 1, coverage, width, height, tables.Inverse, tables.Edge);
    }
    BlendCoverage(*Target, x, y, coverage, width, height, tables.Inverse, tables.Text);
    return laidOut;
}

TRect TAntiAliasTextout::SmoothLarge(int x, int y, std::string_view character) {
    const int k = K();
    const TSize extent = TextExtent(ScaledFont(k), character);
    const int wide = extent.Width + k * k + 4, high = extent.Height + k * k + 4;
    if (wide > kMaxImageSide || high > kMaxImageSide) {
        // Only an absurd Factor gets here; the pen still moves on.
        return TRect{x, y, x + (wide - 4) / k, y + (high - 4) / k};
    }
    TImage hiRes = WorkImage(wide, high, true);
    TImage coverage = WorkImage(wide / k + 1, high / k + 1, false);
    TImage grown = WorkImage(coverage.Width(), coverage.Height(), false);
    return SmoothPiece(x, y, character, hiRes, coverage, grown);
}

bool TAntiAliasTextout::PlainFits(std::string_view piece, const TImage& work) const {
    const TSize extent = TextExtent(Font, piece);
    return extent.Width + 8 <= work.Width() && extent.Height + 10 <= work.Height();
}

TRect TAntiAliasTextout::PlainOutlinePiece(int x, int y, std::string_view piece, TImage& work) {
    const TSize extent = TextExtent(Font, piece);
    const int width = extent.Width + 4, height = extent.Height + 6;
    Clear(work, width + 4, height + 4);
    DrawTextMask(work, 2, 2, piece, Font, 255);
    GrowPlainOutline(work, width, height);
    if (Usable(Target)) {
        const TBlendTables::TEntry text = Scaled(TextColor, 255), edge = Scaled(EdgeColor, 255);
        ForEachCovered(*Target, x, y, work, width, height, [&](uint8_t* p, uint8_t level) {
            std::memcpy(p, (level == 255 ? text : edge).data(), 3);
        });
    }
    return TRect{x, y, x + width, y + height};
}

TRect TAntiAliasTextout::PlainOutlineLarge(int x, int y, std::string_view character) {
    const TSize extent = TextExtent(Font, character);
    if (extent.Width + 8 > kMaxImageSide || extent.Height + 10 > kMaxImageSide) {
        return TRect{x, y, x + extent.Width + 4, y + extent.Height + 6};
    }
    TImage work = WorkImage(extent.Width + 8, extent.Height + 10, false);
    return PlainOutlinePiece(x, y, character, work);
}

TRect TAntiAliasTextout::PlainText(int x, int y, std::string_view cp932) {
    if (Usable(Target)) {
        if (Decoration == 2) {
            CanvasTextOut(*Target, x + 1, y + 1, cp932, Font, EdgeColor);
        }
        CanvasTextOut(*Target, x, y, cp932, Font, TextColor);
    }
    const TSize extent = TextExtent(Font, cp932);
    return TRect{x, y, x + extent.Width, y + extent.Height};
}

}  // namespace tavri
