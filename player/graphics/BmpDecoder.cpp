// Our own reader of Windows and OS/2 bitmap files. Every field comes from outside data, so each
// read is checked against the buffer and every size is computed in 64 bits before it is used.

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "graphics/Picture.h"

namespace tavri {
namespace {

constexpr uint32_t kCompressionRgb = 0;
constexpr uint32_t kCompressionRle8 = 1;
constexpr uint32_t kCompressionRle4 = 2;
constexpr uint32_t kCompressionBitfields = 3;

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
// Pictures of more pixels than this are refused even when both sides are allowed (192 MiB).
constexpr uint64_t kMaxPixels = uint64_t(1) << 26;

[[noreturn]] void Fail(const std::string& what) {
    throw EPictureError("BMP: " + what);
}

class TBytes {
  public:
    TBytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    size_t Size() const { return size_; }
    bool Has(uint64_t at, uint64_t count) const { return at <= size_ && count <= size_ - at; }
    uint8_t U8(size_t at) const {
        Need(at, 1);
        return data_[at];
    }
    uint16_t U16(size_t at) const {
        Need(at, 2);
        return uint16_t(data_[at] | data_[at + 1] << 8);
    }
    uint32_t U32(size_t at) const {
        Need(at, 4);
        return uint32_t(data_[at]) | uint32_t(data_[at + 1]) << 8 | uint32_t(data_[at + 2]) << 16 |
               uint32_t(data_[at + 3]) << 24;
    }
    const uint8_t* At(size_t at, size_t count) const {
        Need(at, count);
        return data_ + at;
    }

  private:
    void Need(uint64_t at, uint64_t count) const {
        if (!Has(at, count)) {
            Fail("truncated data");
        }
    }
    const uint8_t* data_;
    size_t size_;
};

// Everything the headers say, in one shape for the OS/2 and the Windows variants.
struct THeader {
    uint32_t HeaderSize = 0;
    int64_t Width = 0, Height = 0;  // Height is the absolute value
    bool TopDown = false;
    uint16_t Bits = 0;
    uint32_t Compression = kCompressionRgb;
    uint32_t ColoursUsed = 0;
    std::array<uint32_t, 3> Masks{};  // red, green, blue
    size_t PaletteStart = 0;
    size_t PaletteEntrySize = 4;
    uint32_t PixelOffset = 0;
};

bool KnownHeaderSize(uint32_t size) {
    // Core (OS/2 1.x), BITMAPINFOHEADER, its V2 and V3 extensions, V4 and V5.
    return size == kCoreHeaderSize || size == kInfoHeaderSize || size == 52 || size == 56 ||
           size == 108 || size == 124;
}

THeader ReadHeader(const TBytes& in) {
    if (!in.Has(0, kFileHeaderSize + 4)) {
        Fail("truncated header");
    }
    if (in.U8(0) != 'B' || in.U8(1) != 'M') {
        Fail("not a bitmap file");
    }
    THeader h;
    h.PixelOffset = in.U32(10);
    h.HeaderSize = in.U32(14);
    if (!KnownHeaderSize(h.HeaderSize)) {
        Fail("unknown header size " + std::to_string(h.HeaderSize));
    }
    if (!in.Has(kFileHeaderSize, h.HeaderSize)) {
        Fail("truncated header");
    }
    h.PaletteStart = kFileHeaderSize + h.HeaderSize;
    if (h.HeaderSize == kCoreHeaderSize) {
        h.Width = in.U16(18);
        h.Height = in.U16(20);
        h.Bits = in.U16(24);
        h.PaletteEntrySize = 3;
        return h;
    }
    h.Width = int32_t(in.U32(18));
    const int32_t height = int32_t(in.U32(22));
    if (height == INT32_MIN) {
        Fail("height out of range");
    }
    h.TopDown = height < 0;
    h.Height = height < 0 ? -int64_t(height) : int64_t(height);
    h.Bits = in.U16(28);
    h.Compression = in.U32(30);
    h.ColoursUsed = in.U32(46);
    if (h.HeaderSize > kInfoHeaderSize) {
        h.Masks = {in.U32(54), in.U32(58), in.U32(62)};
    } else if (h.Compression == kCompressionBitfields) {
        // The plain info header keeps its three masks just after itself, before any palette.
        h.Masks = {in.U32(54), in.U32(58), in.U32(62)};
        h.PaletteStart += 12;
    }
    return h;
}

// Rows of uncompressed pixels are padded to whole 32-bit words.
uint64_t RowStride(const THeader& h) {
    return (uint64_t(h.Width) * h.Bits + 31) / 32 * 4;
}

bool RunLength(const THeader& h) {
    return h.Compression == kCompressionRle8 || h.Compression == kCompressionRle4;
}

void CheckHeader(const THeader& h, const TBytes& in) {
    if (h.Width <= 0 || h.Height <= 0) {
        Fail("empty picture");
    }
    if (h.Width > kMaxImageSide || h.Height > kMaxImageSide ||
        uint64_t(h.Width) * uint64_t(h.Height) > kMaxPixels) {
        Fail("picture of " + std::to_string(h.Width) + " x " + std::to_string(h.Height) +
             " exceeds the size limit");
    }
    const bool plainDepth =
        h.Bits == 1 || h.Bits == 4 || h.Bits == 8 || h.Bits == 16 || h.Bits == 24 || h.Bits == 32;
    const bool valid = (h.Compression == kCompressionRgb && plainDepth) ||
                       (h.Compression == kCompressionRle8 && h.Bits == 8) ||
                       (h.Compression == kCompressionRle4 && h.Bits == 4) ||
                       (h.Compression == kCompressionBitfields && (h.Bits == 16 || h.Bits == 32));
    if (!valid) {
        Fail("unsupported compression " + std::to_string(h.Compression) + " at " +
             std::to_string(h.Bits) + " bits");
    }
    if (h.PixelOffset > in.Size() || h.PixelOffset < kFileHeaderSize + h.HeaderSize) {
        Fail("pixel data offset outside the file");
    }
    // Checked before the picture is allocated, so that a short file never costs its full size.
    if (!RunLength(h) && !in.Has(h.PixelOffset, RowStride(h) * uint64_t(h.Height))) {
        Fail("truncated pixel data");
    }
}

// Missing entries (a palette shorter than the depth allows) stay black.
std::array<TColor, 256> ReadPalette(const THeader& h, const TBytes& in) {
    std::array<TColor, 256> palette{};
    if (h.Bits > 8) {
        return palette;
    }
    const uint64_t full = uint64_t(1) << h.Bits;
    uint64_t count = h.ColoursUsed == 0 || h.ColoursUsed > full ? full : h.ColoursUsed;
    // Only what lies between the headers and the pixels can be palette.
    const uint64_t room = h.PixelOffset > h.PaletteStart ? h.PixelOffset - h.PaletteStart : 0;
    count = std::min(count, room / h.PaletteEntrySize);
    for (uint64_t i = 0; i < count; ++i) {
        const uint8_t* e = in.At(h.PaletteStart + size_t(i) * h.PaletteEntrySize, 3);
        palette[size_t(i)] = RGB(e[2], e[1], e[0]);
    }
    return palette;
}

void Put(TImage& image, int x, int y, TColor c) {
    uint8_t* p = image.ScanLine(y) + size_t(x) * 3;
    p[0] = BlueOf(c);
    p[1] = GreenOf(c);
    p[2] = RedOf(c);
}

// One colour channel of a 16- or 32-bit pixel, scaled from its mask's range to 0…255.
struct TChannel {
    uint32_t Mask = 0;
    int Shift = 0;
    uint32_t Max = 0;

    explicit TChannel(uint32_t mask) : Mask(mask) {
        if (mask != 0) {
            Shift = std::countr_zero(mask);
            Max = mask >> Shift;
        }
    }
    uint8_t Of(uint32_t pixel) const {
        if (Max == 0) {
            return 0;
        }
        const uint64_t v = (pixel & Mask) >> Shift;
        return uint8_t((v * 255 + Max / 2) / Max);
    }
};

void DecodeRows(const THeader& h, const TBytes& in, const std::array<TColor, 256>& palette,
                TImage& image) {
    const uint64_t stride = RowStride(h);
    std::array<uint32_t, 3> masks = h.Masks;
    if (h.Compression == kCompressionRgb && h.Bits == 16) {
        masks = {0x7C00, 0x03E0, 0x001F};
    }
    const TChannel red(masks[0]), green(masks[1]), blue(masks[2]);
    const bool useMasks = h.Bits == 16 || (h.Bits == 32 && h.Compression == kCompressionBitfields);
    const int width = int(h.Width);
    for (int64_t stored = 0; stored < h.Height; ++stored) {
        const uint8_t* row =
            in.At(h.PixelOffset + size_t(stored * int64_t(stride)), size_t(stride));
        const int y = int(h.TopDown ? stored : h.Height - 1 - stored);
        for (int x = 0; x < width; ++x) {
            TColor c = 0;
            if (h.Bits <= 8) {
                const size_t bit = size_t(x) * h.Bits;
                const int shift = 8 - h.Bits - int(bit % 8);
                c = palette[(row[bit / 8] >> shift) & ((1u << h.Bits) - 1)];
            } else if (useMasks) {
                const uint8_t* p = row + size_t(x) * (h.Bits / 8);
                uint32_t pixel = uint32_t(p[0]) | uint32_t(p[1]) << 8;
                if (h.Bits == 32) {
                    pixel |= uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
                }
                c = RGB(red.Of(pixel), green.Of(pixel), blue.Of(pixel));
            } else {
                // 24 bits, and 32 bits without masks whose fourth byte means nothing.
                const uint8_t* p = row + size_t(x) * (h.Bits / 8);
                c = RGB(p[2], p[1], p[0]);
            }
            Put(image, x, y, c);
        }
    }
}

// Run-length data: pairs of (count, value) with escapes after a zero count. Pixels the data
// never reaches stay black. Only the end-of-bitmap escape ends the data; running out of bytes
// before it means the file was cut.
void DecodeRle(const THeader& h, const TBytes& in, const std::array<TColor, 256>& palette,
               TImage& image) {
    const bool four = h.Compression == kCompressionRle4;
    size_t pos = h.PixelOffset;
    int64_t x = 0, stored = 0;
    auto put = [&](uint8_t index) {
        if (x < h.Width && stored < h.Height) {
            const int y = int(h.TopDown ? stored : h.Height - 1 - stored);
            Put(image, int(x), y, palette[index]);
        }
        ++x;
    };
    for (;;) {
        if (!in.Has(pos, 2)) {
            Fail("run-length data ends before its end marker");
        }
        const uint8_t count = in.U8(pos), value = in.U8(pos + 1);
        pos += 2;
        if (count > 0) {
            for (int i = 0; i < count; ++i) {
                put(four ? uint8_t(i % 2 == 0 ? value >> 4 : value & 15) : value);
            }
            continue;
        }
        if (value == 0) {
            x = 0;
            ++stored;
        } else if (value == 1) {
            return;
        } else if (value == 2) {
            if (!in.Has(pos, 2)) {
                Fail("run-length data ends before its end marker");
            }
            x += in.U8(pos);
            stored += in.U8(pos + 1);
            pos += 2;
        } else {
            // An absolute run of `value` pixels, padded to a whole number of 16-bit words.
            const size_t bytes = four ? (size_t(value) + 1) / 2 : value;
            const size_t padded = (bytes + 1) & ~size_t(1);
            const uint8_t* run = in.At(pos, padded);
            for (int i = 0; i < value; ++i) {
                put(four ? uint8_t(i % 2 == 0 ? run[i / 2] >> 4 : run[i / 2] & 15) : run[i]);
            }
            pos += padded;
        }
    }
}

}  // namespace

TDecodedPicture DecodeBmp(const uint8_t* data, size_t size) {
    const TBytes in(data, size);
    const THeader header = ReadHeader(in);
    CheckHeader(header, in);
    const std::array<TColor, 256> palette = ReadPalette(header, in);
    TDecodedPicture picture;
    picture.Image = TImage(int(header.Width), int(header.Height));
    if (RunLength(header)) {
        DecodeRle(header, in, palette, picture.Image);
    } else {
        DecodeRows(header, in, palette, picture.Image);
    }
    return picture;
}

}  // namespace tavri
