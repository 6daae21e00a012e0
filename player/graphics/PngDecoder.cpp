// PNG pictures through libpng, read from memory.
//
// libpng reports errors by longjmp. A longjmp that skips a frame holding C++ objects with
// destructors is undefined behaviour, so every call into libpng that can fail runs inside one of
// the two small C-style functions below (ReadPngHeader, ReadPngPixels): they call setjmp
// themselves, hold only plain pointers and integers, and turn a jump into a return value. The
// callbacks libpng calls (read, error, warning) hold no such objects either. Memory the C++ side
// owns (the picture, row pointers) is allocated by the caller between the two phases, after the
// header has been checked, and libpng's own memory is released by a guard that outlives both.

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "graphics/Picture.h"

namespace tavri {
namespace {

constexpr uint64_t kMaxPixels = uint64_t(1) << 26;  // 192 MiB at 24 bits

// Shared with the callbacks through libpng's io and error pointers. Plain data only.
struct TPngSource {
    const uint8_t* Data;
    size_t Size;
    size_t Position;
    char Message[400];
    char LastWarning[160];  // libpng explains a refused header only in a warning before the error
};

void ReadFromMemory(png_structp png, png_bytep out, size_t length) {
    auto* source = static_cast<TPngSource*>(png_get_io_ptr(png));
    if (length > source->Size - source->Position) {
        png_error(png, "file is truncated");
    }
    std::memcpy(out, source->Data + source->Position, length);
    source->Position += length;
}

void OnPngError(png_structp png, png_const_charp message) {
    auto* source = static_cast<TPngSource*>(png_get_error_ptr(png));
    if (source->LastWarning[0] != '\0') {
        std::snprintf(source->Message, sizeof source->Message, "%s (%s)", message,
                      source->LastWarning);
    } else {
        std::snprintf(source->Message, sizeof source->Message, "%s", message);
    }
    png_longjmp(png, 1);
}

// Other warnings concern ancillary data (colour profiles, text) we do not use; they only ever
// show as the detail of a later error.
void OnPngWarning(png_structp png, png_const_charp message) {
    auto* source = static_cast<TPngSource*>(png_get_error_ptr(png));
    std::snprintf(source->LastWarning, sizeof source->LastWarning, "%s", message);
}

struct TPngLayout {
    png_uint_32 Width;
    png_uint_32 Height;
    int HasAlpha;
    size_t RowBytes;
    int Channels;
};

// Phase one: the signature and the chunks before the pixels, then the transformations that
// turn every kind of PNG into 8-bit blue, green, red (and alpha). No pixel memory yet.
// Returns false after a libpng error (its text is in the source's Message).
bool ReadPngHeader(png_structp png, png_infop info, TPngLayout* layout) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_set_user_limits(png, png_uint_32(kMaxImageSide), png_uint_32(kMaxImageSide));
    png_read_info(png, info);
    const png_byte colourType = png_get_color_type(png, info);
    const png_byte depth = png_get_bit_depth(png, info);
    const int transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    layout->Width = png_get_image_width(png, info);
    layout->Height = png_get_image_height(png, info);
    layout->HasAlpha = transparency || (colourType & PNG_COLOR_MASK_ALPHA) != 0;
    if (uint64_t(layout->Width) * layout->Height > kMaxPixels) {
        return true;  // the caller refuses it before anything is allocated
    }
    if (depth == 16) {
        png_set_strip_16(png);
    }
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        png_set_palette_to_rgb(png);
    }
    if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8) {
        png_set_expand_gray_1_2_4_to_8(png);
    }
    if (transparency) {
        png_set_tRNS_to_alpha(png);
    }
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_gray_to_rgb(png);
    }
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    layout->RowBytes = png_get_rowbytes(png, info);
    layout->Channels = png_get_channels(png, info);
    return true;
}

// Phase two: all rows (every interlace pass), then the chunks after them up to IEND, so that a
// file cut anywhere is an error rather than a partial picture.
bool ReadPngPixels(png_structp png, png_infop info, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_read_image(png, rows);
    png_read_end(png, info);
    return true;
}

class TPngReadGuard {
  public:
    TPngReadGuard(png_structp png, png_infop info) : png_(png), info_(info) {}
    ~TPngReadGuard() { png_destroy_read_struct(&png_, info_ ? &info_ : nullptr, nullptr); }
    TPngReadGuard(const TPngReadGuard&) = delete;
    TPngReadGuard& operator=(const TPngReadGuard&) = delete;

  private:
    png_structp png_;
    png_infop info_;
};

[[noreturn]] void Fail(const std::string& what) {
    throw EPictureError("PNG: " + what);
}

}  // namespace

TDecodedPicture DecodePng(const uint8_t* data, size_t size) {
    TPngSource source{data, size, 0, {}, {}};
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, OnPngError, OnPngWarning);
    if (png == nullptr) {
        Fail("out of memory");
    }
    png_infop info = png_create_info_struct(png);
    TPngReadGuard guard(png, info);
    if (info == nullptr) {
        Fail("out of memory");
    }
    png_set_read_fn(png, &source, ReadFromMemory);

    TPngLayout layout{};
    if (!ReadPngHeader(png, info, &layout)) {
        Fail(source.Message);
    }
    if (uint64_t(layout.Width) * layout.Height > kMaxPixels) {
        Fail("picture of " + std::to_string(layout.Width) + " x " + std::to_string(layout.Height) +
             " exceeds the size limit");
    }
    const int channels = layout.HasAlpha ? 4 : 3;
    if (layout.Channels != channels || layout.RowBytes != size_t(layout.Width) * size_t(channels)) {
        Fail("unexpected pixel layout");
    }

    TDecodedPicture picture;
    picture.Image = TImage(int(layout.Width), int(layout.Height));
    std::vector<uint8_t> withAlpha;
    std::vector<png_bytep> rows(layout.Height);
    for (png_uint_32 y = 0; y < layout.Height; ++y) {
        if (layout.HasAlpha) {
            if (withAlpha.empty()) {
                withAlpha.resize(layout.RowBytes * layout.Height);
            }
            rows[y] = withAlpha.data() + size_t(y) * layout.RowBytes;
        } else {
            rows[y] = picture.Image.ScanLine(int(y));
        }
    }
    if (!ReadPngPixels(png, info, rows.data())) {
        Fail(source.Message);
    }
    if (!layout.HasAlpha) {
        return picture;
    }

    // Split blue, green, red, alpha into the picture and its transparency mask.
    picture.HasAlpha = true;
    picture.AlphaMask = TImage(int(layout.Width), int(layout.Height), TPixelFormat::Pf8bit);
    for (png_uint_32 y = 0; y < layout.Height; ++y) {
        const uint8_t* in = rows[y];
        uint8_t* colour = picture.Image.ScanLine(int(y));
        uint8_t* mask = picture.AlphaMask.ScanLine(int(y));
        for (png_uint_32 x = 0; x < layout.Width; ++x, in += 4, colour += 3) {
            colour[0] = in[0];
            colour[1] = in[1];
            colour[2] = in[2];
            mask[x] = uint8_t(255 - in[3]);
        }
    }
    return picture;
}

}  // namespace tavri
