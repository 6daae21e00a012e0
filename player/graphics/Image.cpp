#include "graphics/Image.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

namespace tavri {

TPixelBuffer::TPixelBuffer(size_t size) : size_(size) {
    if (size > 0) {
        bytes_.reset(static_cast<uint8_t*>(std::calloc(size, 1)));
        if (!bytes_) {
            throw std::bad_alloc();
        }
    }
}

TPixelBuffer::TPixelBuffer(const TPixelBuffer& other) : size_(other.size_) {
    if (size_ > 0) {
        bytes_.reset(static_cast<uint8_t*>(std::malloc(size_)));
        if (!bytes_) {
            throw std::bad_alloc();
        }
        std::memcpy(bytes_.get(), other.bytes_.get(), size_);
    }
}

// Copying onto a block of the same size reuses it: pictures copied every frame must not fault in
// fresh pages every frame.
TPixelBuffer& TPixelBuffer::operator=(const TPixelBuffer& other) {
    if (this == &other) {
        return *this;
    }
    if (size_ == other.size_) {
        if (size_ > 0) {
            std::memcpy(bytes_.get(), other.bytes_.get(), size_);
        }
        return *this;
    }
    TPixelBuffer copy(other);
    *this = std::move(copy);
    return *this;
}

void TPixelBuffer::TFree::operator()(uint8_t* p) const {
    std::free(p);
}

TImage::TImage(int width, int height, TPixelFormat format) : format_(format) {
    if (format == TPixelFormat::Pf8bit) {
        Palette.resize(256);
        for (int i = 0; i < 256; ++i) {
            Palette[size_t(i)] = RGB(uint8_t(i), uint8_t(i), uint8_t(i));
        }
    }
    SetSize(width, height);
}

void TImage::SetSize(int width, int height) {
    if (width < 0 || height < 0 || width > kMaxImageSide || height > kMaxImageSide) {
        throw std::length_error("picture size out of range");
    }
    if (width == width_ && height == height_) {
        return;
    }
    TPixelBuffer resized(size_t(width) * size_t(height) * BytesPerPixel());
    size_t keep = size_t(std::min(width, width_)) * BytesPerPixel();
    size_t newRow = size_t(width) * BytesPerPixel();
    for (int y = 0; y < std::min(height, height_) && keep > 0; ++y) {
        std::memcpy(resized.data() + size_t(y) * newRow, ScanLine(y), keep);
    }
    pixels_ = std::move(resized);
    width_ = width;
    height_ = height;
}

void TImage::SetPixelFormat(TPixelFormat format) {
    if (format == format_) {
        return;
    }
    const size_t count = size_t(width_) * size_t(height_);
    if (format == TPixelFormat::Pf24bit) {
        TPixelBuffer out(count * 3);
        for (size_t i = 0; i < count; ++i) {
            uint8_t index = pixels_[i];
            TColor c = index < Palette.size() ? Palette[index] : 0;
            out[i * 3] = BlueOf(c);
            out[i * 3 + 1] = GreenOf(c);
            out[i * 3 + 2] = RedOf(c);
        }
        pixels_ = std::move(out);
        format_ = format;
        return;
    }
    if (Palette.empty()) {
        Palette.resize(256);
        for (int i = 0; i < 256; ++i) {
            Palette[size_t(i)] = RGB(uint8_t(i), uint8_t(i), uint8_t(i));
        }
    }
    TPixelBuffer out(count);
    for (size_t i = 0; i < count; ++i) {
        int b = pixels_[i * 3], g = pixels_[i * 3 + 1], r = pixels_[i * 3 + 2];
        int best = 0, bestDistance = 1 << 30;
        for (size_t p = 0; p < Palette.size(); ++p) {
            int dr = r - RedOf(Palette[p]), dg = g - GreenOf(Palette[p]),
                db = b - BlueOf(Palette[p]);
            int d = dr * dr + dg * dg + db * db;
            if (d < bestDistance) {
                bestDistance = d;
                best = int(p);
            }
        }
        out[i] = uint8_t(best);
    }
    pixels_ = std::move(out);
    format_ = format;
}

TColor TImage::Pixel(int x, int y) const {
    const uint8_t* p = ScanLine(y) + size_t(x) * BytesPerPixel();
    if (format_ == TPixelFormat::Pf8bit) {
        return *p < Palette.size() ? Palette[*p] : 0;
    }
    return RGB(p[2], p[1], p[0]);
}

void TImage::SetPixel(int x, int y, TColor c) {
    uint8_t* p = ScanLine(y) + size_t(x) * BytesPerPixel();
    if (format_ == TPixelFormat::Pf8bit) {
        *p = RedOf(c);
        return;
    }
    p[0] = BlueOf(c);
    p[1] = GreenOf(c);
    p[2] = RedOf(c);
}

}  // namespace tavri
