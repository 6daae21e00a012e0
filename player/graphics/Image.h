#pragma once

// The one picture type of the player: 24-bit rows of exactly width × 3 bytes in blue, green, red
// order, top row first, or 8-bit rows of width bytes indexing a palette of 2 or 256 colours.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace tavri {

// A colour reference: red in the low byte, then green, then blue (0x00BBGGRR).
using TColor = uint32_t;
constexpr uint8_t RedOf(TColor c) {
    return uint8_t(c);
}
constexpr uint8_t GreenOf(TColor c) {
    return uint8_t(c >> 8);
}
constexpr uint8_t BlueOf(TColor c) {
    return uint8_t(c >> 16);
}
constexpr TColor RGB(uint8_t r, uint8_t g, uint8_t b) {
    return TColor(r) | TColor(g) << 8 | TColor(b) << 16;
}

// Right and bottom are exclusive unless an operation says otherwise.
struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool operator==(const TRect&) const = default;
};

enum class TPixelFormat { Pf24bit, Pf8bit };

// Pictures larger than this on a side are refused before any allocation.
constexpr int kMaxImageSide = 16384;

// Zero-filled pixel memory that is not touched until it is drawn on. Large blocks come straight
// from the system as zero pages, so a picture the program keeps for later (transition frames,
// a dialog's backing store) costs neither time nor resident memory until it is used.
class TPixelBuffer {
  public:
    TPixelBuffer() = default;
    explicit TPixelBuffer(size_t size);
    TPixelBuffer(const TPixelBuffer& other);
    TPixelBuffer& operator=(const TPixelBuffer& other);
    TPixelBuffer(TPixelBuffer&& other) noexcept = default;
    TPixelBuffer& operator=(TPixelBuffer&& other) noexcept = default;

    uint8_t* data() { return bytes_.get(); }
    const uint8_t* data() const { return bytes_.get(); }
    size_t size() const { return size_; }
    uint8_t& operator[](size_t i) { return bytes_[i]; }
    uint8_t operator[](size_t i) const { return bytes_[i]; }

  private:
    struct TFree {
        void operator()(uint8_t* p) const;
    };
    std::unique_ptr<uint8_t[], TFree> bytes_;
    size_t size_ = 0;
};

class TImage {
  public:
    TImage() = default;
    TImage(int width, int height, TPixelFormat format = TPixelFormat::Pf24bit);

    int Width() const { return width_; }
    int Height() const { return height_; }
    TPixelFormat PixelFormat() const { return format_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }
    size_t BytesPerPixel() const { return format_ == TPixelFormat::Pf24bit ? 3 : 1; }
    size_t RowBytes() const { return size_t(width_) * BytesPerPixel(); }

    // New pixels are black (index 0); the overlapping part of the old picture is kept.
    // Throws std::length_error for a side below 0 or above kMaxImageSide.
    void SetSize(int width, int height);
    // Converts the pixels: 8 → 24 through the palette; 24 → 8 to the nearest palette entry
    // (a grey ramp of 256 entries when the image had no palette).
    void SetPixelFormat(TPixelFormat format);

    uint8_t* ScanLine(int row) { return pixels_.data() + size_t(row) * RowBytes(); }
    const uint8_t* ScanLine(int row) const { return pixels_.data() + size_t(row) * RowBytes(); }
    uint8_t* Bits() { return pixels_.data(); }
    const uint8_t* Bits() const { return pixels_.data(); }

    // 8-bit images only: 2 or 256 entries.
    std::vector<TColor> Palette;

    // Becomes a copy of other (size, format, palette and pixels).
    void Assign(const TImage& other) { *this = other; }

    // 24-bit pixel access for tests and slow paths.
    TColor Pixel(int x, int y) const;
    // On an 8-bit image the index written is the low byte of c.
    void SetPixel(int x, int y, TColor c);

  private:
    int width_ = 0, height_ = 0;
    TPixelFormat format_ = TPixelFormat::Pf24bit;
    TPixelBuffer pixels_;
};

}  // namespace tavri
