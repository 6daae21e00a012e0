// The FreeType side of the fonts: each face file opened once, one FT_Size per em height, and the
// rendered glyphs and advances cached per size, since the scenario text asks for the same few
// characters over and over, one at a time.

#include "graphics/Fonts.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <numbers>
#include <unordered_map>

#include "platform/TextEncoding.h"

namespace tavri {
namespace {

// Far above anything a 640 × 480 screen shows, even supersampled; keeps FreeType's fixed-point
// arithmetic and the work images in range for absurd heights.
constexpr int kMaxEm = 4096;
// Each size keeps at most this many rendered glyphs; a page of text uses far fewer.
constexpr size_t kGlyphCacheLimit = 1024;

struct TOpenFace {
    FT_Face Face = nullptr;
    int UnitsPerEm = 1000;
    int WinAscent = 880;
    int WinDescent = 120;
};

struct TCachedGlyph {
    TGlyphImage Image;
    bool Ok = false;
};

struct TSizedFont {
    TOpenFace* Primary = nullptr;  // null: no face at all, characters are blank cells
    FT_Size PrimarySize = nullptr;
    int Em = 0;
    bool SynthBold = false;
    bool SynthItalic = false;
    TFontMetrics Metrics;
    std::map<TOpenFace*, FT_Size> FallbackSizes;
    std::unordered_map<char32_t, int> Advances;
    std::unordered_map<uint64_t, TCachedGlyph> Glyphs;
};

class TFontCache {
  public:
    TFontCache() {
        if (FT_Init_FreeType(&library_) != 0) {
            library_ = nullptr;
        }
    }
    ~TFontCache() {
        sized_.clear();
        for (auto& [key, face] : faces_) {
            if (face->Face != nullptr) {
                FT_Done_Face(face->Face);  // also frees the face's sizes
            }
        }
        if (library_ != nullptr) {
            FT_Done_FreeType(library_);
        }
    }
    TFontCache(const TFontCache&) = delete;
    TFontCache& operator=(const TFontCache&) = delete;

    TSizedFont& Sized(const TFont& font) {
        std::string key = font.Face;
        key += '\0';
        key += std::to_string(font.Height);
        key += font.Bold ? 'B' : '-';
        key += font.Italic ? 'I' : '-';
        if (auto it = byFont_.find(key); it != byFont_.end()) {
            return *it->second;
        }
        TSizedFont& sized = Create(font);
        byFont_.emplace(std::move(key), &sized);
        return sized;
    }

    TOpenFace* Open(const std::string& file, int index) {
        auto key = std::make_pair(file, index);
        if (auto it = faces_.find(key); it != faces_.end()) {
            return it->second->Face != nullptr ? it->second.get() : nullptr;
        }
        auto face = std::make_unique<TOpenFace>();
        if (library_ != nullptr && !file.empty() &&
            FT_New_Face(library_, file.c_str(), index, &face->Face) == 0) {
            face->UnitsPerEm = std::max<int>(face->Face->units_per_EM, 1);
            auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face->Face, FT_SFNT_OS2));
            if (os2 != nullptr && os2->usWinAscent + os2->usWinDescent > 0) {
                face->WinAscent = os2->usWinAscent;
                face->WinDescent = os2->usWinDescent;
            } else {
                face->WinAscent = face->Face->ascender;
                face->WinDescent = -face->Face->descender;
            }
        } else {
            face->Face = nullptr;
        }
        TOpenFace* result = face->Face != nullptr ? face.get() : nullptr;
        faces_.emplace(key, std::move(face));
        return result;
    }

    // A size object for `face` at `em` pixels per em, owned by the face.
    static FT_Size NewSize(TOpenFace* face, int em) {
        FT_Size size = nullptr;
        if (FT_New_Size(face->Face, &size) != 0) {
            return nullptr;
        }
        FT_Activate_Size(size);
        if (FT_Set_Pixel_Sizes(face->Face, 0, FT_UInt(em)) != 0) {
            FT_Done_Size(size);
            return nullptr;
        }
        return size;
    }

  private:
    TSizedFont& Create(const TFont& font) {
        const TResolvedFace resolved = ResolveFace(font.Face, font.Bold, font.Italic);
        TOpenFace* face = Open(resolved.File, resolved.Index);
        const int cell = font.Height == 0 ? 16 : std::min(std::abs(font.Height), kMaxEm);
        const int wins = face != nullptr ? face->WinAscent + face->WinDescent : 1;
        int em = cell;
        TFontMetrics metrics;
        if (face == nullptr) {
            metrics = TFontMetrics{cell, cell, 0};
        } else if (font.Height > 0 || font.Height == 0) {
            em = int(std::lround(double(cell) * face->UnitsPerEm / wins));
            metrics.Ascent = int(std::lround(double(cell) * face->WinAscent / wins));
            metrics.Descent = cell - metrics.Ascent;
        } else {
            metrics.Ascent = int(std::lround(double(em) * face->WinAscent / face->UnitsPerEm));
            metrics.Descent = int(std::lround(double(em) * face->WinDescent / face->UnitsPerEm));
        }
        metrics.EmHeight = em = std::clamp(em, 1, kMaxEm);

        auto sized = std::make_unique<TSizedFont>();
        sized->Em = em;
        sized->Metrics = metrics;
        sized->SynthBold = resolved.SynthBold;
        sized->SynthItalic = resolved.SynthItalic;
        if (face != nullptr) {
            sized->PrimarySize = NewSize(face, em);
            sized->Primary = sized->PrimarySize != nullptr ? face : nullptr;
        }
        sized_.push_back(std::move(sized));
        return *sized_.back();
    }

    FT_Library library_ = nullptr;
    std::map<std::pair<std::string, int>, std::unique_ptr<TOpenFace>> faces_;
    std::vector<std::unique_ptr<TSizedFont>> sized_;
    std::map<std::string, TSizedFont*> byFont_;
};

TFontCache& Cache() {
    static TFontCache cache;
    return cache;
}

// The face and size that hold `code`: the font's own face, else a fallback face at the same em
// height, else the own face's missing-glyph box.
std::pair<FT_Face, FT_UInt> FaceFor(TSizedFont& sized, char32_t code) {
    FT_Face own = sized.Primary->Face;
    FT_Activate_Size(sized.PrimarySize);
    FT_UInt index = FT_Get_Char_Index(own, FT_ULong(code));
    if (index != 0) {
        return {own, index};
    }
    std::string file;
    int faceIndex = 0;
    if (FindFaceForCharacter(code, file, faceIndex)) {
        if (TOpenFace* other = Cache().Open(file, faceIndex)) {
            auto [it, added] = sized.FallbackSizes.try_emplace(other, nullptr);
            if (added) {
                it->second = TFontCache::NewSize(other, sized.Em);
            }
            if (it->second != nullptr) {
                FT_Activate_Size(it->second);
                index = FT_Get_Char_Index(other->Face, FT_ULong(code));
                if (index != 0) {
                    return {other->Face, index};
                }
            }
        }
    }
    FT_Activate_Size(sized.PrimarySize);
    return {own, 0};
}

int AdvanceOf(TSizedFont& sized, char32_t code, bool wide) {
    if (sized.Primary == nullptr) {
        return wide ? sized.Metrics.LineHeight() : sized.Metrics.LineHeight() / 2;
    }
    if (auto it = sized.Advances.find(code); it != sized.Advances.end()) {
        return it->second;
    }
    auto [face, index] = FaceFor(sized, code);
    int advance = 0;
    if (FT_Load_Glyph(face, index, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_MONO) == 0) {
        advance = int((face->glyph->advance.x + 32) >> 6);
    }
    if (sized.SynthBold) {
        ++advance;
    }
    sized.Advances.emplace(code, advance);
    return advance;
}

int NormalisedEscapement(int escapement) {
    return ((escapement % 3600) + 3600) % 3600;
}

bool Render(TSizedFont& sized, char32_t code, TGlyphRendering rendering, int escapement,
            TGlyphImage& out) {
    auto [face, index] = FaceFor(sized, code);
    const bool mono = rendering == TGlyphRendering::Mono;
    const FT_Int32 target = mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL;
    if (FT_Load_Glyph(face, index, FT_LOAD_NO_BITMAP | target) != 0) {
        return false;
    }
    FT_GlyphSlot slot = face->glyph;
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        if (sized.SynthBold) {
            FT_Outline_Embolden(&slot->outline, FT_Pos(sized.Em) * 64 / 32);
        }
        if (sized.SynthItalic) {
            FT_Matrix shear{0x10000, 0x0366A, 0, 0x10000};
            FT_Outline_Transform(&slot->outline, &shear);
        }
        if (escapement != 0) {
            const double angle = escapement * std::numbers::pi / 1800.0;
            const auto c = FT_Fixed(std::lround(std::cos(angle) * 65536.0));
            const auto s = FT_Fixed(std::lround(std::sin(angle) * 65536.0));
            FT_Matrix rotation{c, -s, s, c};
            FT_Outline_Transform(&slot->outline, &rotation);
        }
    }
    if (FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) {
        return false;
    }
    const FT_Bitmap& bitmap = slot->bitmap;
    out.Left = slot->bitmap_left;
    out.Top = -slot->bitmap_top;
    out.Width = int(bitmap.width);
    out.Height = int(bitmap.rows);
    out.Ink.assign(size_t(out.Width) * size_t(out.Height), 0);
    for (int row = 0; row < out.Height; ++row) {
        const uint8_t* src = bitmap.buffer + ptrdiff_t(row) * bitmap.pitch;
        uint8_t* dst = out.Ink.data() + size_t(row) * size_t(out.Width);
        for (int col = 0; col < out.Width; ++col) {
            if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
                dst[col] = (src[col >> 3] & (0x80 >> (col & 7))) != 0 ? 255 : 0;
            } else {
                dst[col] = src[col];
            }
        }
    }
    return true;
}

const TCachedGlyph& GlyphOf(TSizedFont& sized, char32_t code, TGlyphRendering rendering,
                            int escapement) {
    const uint64_t key = uint64_t(code) | uint64_t(rendering == TGlyphRendering::Grey) << 32 |
                         uint64_t(escapement) << 33;
    if (auto it = sized.Glyphs.find(key); it != sized.Glyphs.end()) {
        return it->second;
    }
    if (sized.Glyphs.size() >= kGlyphCacheLimit) {
        sized.Glyphs.clear();
    }
    TCachedGlyph glyph;
    glyph.Ok = Render(sized, code, rendering, escapement, glyph.Image);
    return sized.Glyphs.emplace(key, std::move(glyph)).first->second;
}

// Calls visit(code, wide) for every character of cp932 text.
template <class Visit>
void ForEachCharacter(std::string_view cp932, Visit&& visit) {
    for (size_t pos = 0; pos < cp932.size();) {
        const size_t length = platform::CharLength(cp932, pos);
        const std::u32string code = platform::Cp932ToUtf32(cp932.substr(pos, length));
        visit(code.empty() ? U'\x30FB' : code[0], length == 2);
        pos += length;
    }
}

}  // namespace

TFontMetrics MetricsOf(const TFont& font) {
    return Cache().Sized(font).Metrics;
}

TSize TextExtent(const TFont& font, std::string_view cp932) {
    TSizedFont& sized = Cache().Sized(font);
    int width = 0;
    ForEachCharacter(cp932,
                     [&](char32_t code, bool wide) { width += AdvanceOf(sized, code, wide); });
    return TSize{width, sized.Metrics.LineHeight()};
}

void ForEachGlyph(const TFont& font, std::string_view cp932, int x, int y,
                  TGlyphRendering rendering,
                  const std::function<void(const TGlyphImage&, int originX, int originY)>& draw) {
    TSizedFont& sized = Cache().Sized(font);
    const int escapement = NormalisedEscapement(font.Escapement);
    // Down and along the line in image coordinates (y grows downwards, angles turn
    // counter-clockwise as seen on the screen).
    const double angle = escapement * std::numbers::pi / 1800.0;
    const double alongX = std::cos(angle), alongY = -std::sin(angle);
    const double downX = std::sin(angle), downY = std::cos(angle);
    double penX = x + sized.Metrics.Ascent * downX;
    double penY = y + sized.Metrics.Ascent * downY;
    ForEachCharacter(cp932, [&](char32_t code, bool wide) {
        const int advance = AdvanceOf(sized, code, wide);
        if (sized.Primary != nullptr) {
            const TCachedGlyph& glyph = GlyphOf(sized, code, rendering, escapement);
            if (glyph.Ok && !glyph.Image.Ink.empty()) {
                draw(glyph.Image, int(std::lround(penX)), int(std::lround(penY)));
            }
        }
        penX += advance * alongX;
        penY += advance * alongY;
    });
}

void DrawTextMask(TImage& image8, int x, int y, std::string_view cp932, const TFont& font,
                  uint8_t index) {
    const int width = image8.Width(), height = image8.Height();
    ForEachGlyph(font, cp932, x, y, TGlyphRendering::Mono,
                 [&](const TGlyphImage& glyph, int originX, int originY) {
                     const int left = originX + glyph.Left, top = originY + glyph.Top;
                     const int col0 = std::max(0, -left);
                     const int col1 = std::min(glyph.Width, width - left);
                     for (int row = std::max(0, -top); row < glyph.Height; ++row) {
                         if (top + row >= height) {
                             break;
                         }
                         const uint8_t* src = glyph.Ink.data() + size_t(row) * size_t(glyph.Width);
                         uint8_t* dst = image8.ScanLine(top + row);
                         for (int col = col0; col < col1; ++col) {
                             if (src[col] != 0) {
                                 dst[left + col] = index;
                             }
                         }
                     }
                 });
}

bool RenderGlyph(const TFont& font, char32_t code, TGlyphRendering rendering, TGlyphImage& out) {
    TSizedFont& sized = Cache().Sized(font);
    if (sized.Primary == nullptr) {
        return false;
    }
    return Render(sized, code, rendering, NormalisedEscapement(font.Escapement), out);
}

}  // namespace tavri
