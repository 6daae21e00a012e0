#include "graphics/PictureWriters.h"

// jpeglib.h needs size_t and FILE declared before it.
#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include <jpeglib.h>
#include <png.h>

// The libraries report errors by longjmp, so, as in the decoders, each writer's library calls
// run in a C-style function that holds no object with a destructor and returns false after a
// jump; the C++ side throws.

namespace tavri::test {
namespace {

// ---- PNG ----

struct TPngSink {
    std::vector<uint8_t>* Out;
    char Message[200];
};

void AppendToSink(png_structp png, png_bytep data, size_t length) {
    auto* sink = static_cast<TPngSink*>(png_get_io_ptr(png));
    sink->Out->insert(sink->Out->end(), data, data + length);
}

void FlushNothing(png_structp) {}

void OnPngWriteError(png_structp png, png_const_charp message) {
    auto* sink = static_cast<TPngSink*>(png_get_error_ptr(png));
    std::snprintf(sink->Message, sizeof sink->Message, "%s", message);
    png_longjmp(png, 1);
}

void IgnorePngWarning(png_structp, png_const_charp) {}

struct TPngTables {
    png_color Palette[256];
    int PaletteCount;
    png_byte Alpha[256];
    int AlphaCount;
    png_color_16 Key;
    int HasKey;
};

bool WritePngFile(png_structp png, png_infop info, int width, int height, int depth, int colourType,
                  int interlaced, const TPngTables* tables, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), depth, colourType,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (tables->PaletteCount > 0) {
        png_set_PLTE(png, info, tables->Palette, tables->PaletteCount);
    }
    if (tables->AlphaCount > 0 || tables->HasKey) {
        png_set_tRNS(png, info, tables->AlphaCount > 0 ? tables->Alpha : nullptr,
                     tables->AlphaCount, tables->HasKey ? &tables->Key : nullptr);
    }
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

int ChannelsOf(int colourType) {
    switch (colourType) {
        case 2:
            return 3;
        case 4:
            return 2;
        case 6:
            return 4;
        default:
            return 1;
    }
}

// ---- JPEG ----

struct TJpegWriteError {
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
};

void OnJpegWriteError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<TJpegWriteError*>(cinfo->err)->Jump, 1);
}

bool WriteJpegFile(j_compress_ptr c, TJpegWriteError* error, const TJpegSpec* fixture,
                   unsigned char** out, unsigned long* outSize) {
    if (setjmp(error->Jump)) {
        return false;
    }
    jpeg_create_compress(c);
    jpeg_mem_dest(c, out, outSize);
    c->image_width = JDIMENSION(fixture->Width);
    c->image_height = JDIMENSION(fixture->Height);
    c->input_components = fixture->Components;
    c->in_color_space = fixture->Components == 1   ? JCS_GRAYSCALE
                        : fixture->Components == 3 ? JCS_RGB
                                                   : JCS_CMYK;
    jpeg_set_defaults(c);
    if (fixture->Components == 4) {
        jpeg_set_colorspace(c, fixture->Ycck ? JCS_YCCK : JCS_CMYK);
        c->write_Adobe_marker = fixture->AdobeMarker ? TRUE : FALSE;
    }
    jpeg_set_quality(c, fixture->Quality, TRUE);
    if (fixture->Progressive) {
        jpeg_simple_progression(c);
    }
    jpeg_start_compress(c, TRUE);
    const size_t rowBytes = size_t(fixture->Width) * size_t(fixture->Components);
    while (c->next_scanline < c->image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(fixture->Samples.data() + c->next_scanline * rowBytes);
        jpeg_write_scanlines(c, &row, 1);
    }
    jpeg_finish_compress(c);
    return true;
}

// ---- BMP ----

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void PutBigEndian32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(uint8_t(v >> shift));
    }
}

void PutPngChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    PutBigEndian32(out, uint32_t(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBigEndian32(out, Crc32(out.data() + start, out.size() - start));
}

}  // namespace

std::vector<uint8_t> WritePng(const TPngSpec& fixture) {
    const int channels = ChannelsOf(fixture.ColourType);
    const size_t rowBytes =
        (size_t(fixture.Width) * size_t(channels) * size_t(fixture.BitDepth) + 7) / 8;
    std::vector<uint8_t> pixels(rowBytes * size_t(fixture.Height), 0);
    std::vector<png_bytep> rows(size_t(fixture.Height));
    for (int y = 0; y < fixture.Height; ++y) {
        uint8_t* row = pixels.data() + size_t(y) * rowBytes;
        rows[size_t(y)] = row;
        for (int i = 0; i < fixture.Width * channels; ++i) {
            const uint16_t v = fixture.Samples.at(size_t(y * fixture.Width * channels + i));
            if (fixture.BitDepth == 16) {
                row[i * 2] = uint8_t(v >> 8);
                row[i * 2 + 1] = uint8_t(v);
            } else if (fixture.BitDepth == 8) {
                row[i] = uint8_t(v);
            } else {
                const int bit = i * fixture.BitDepth;
                row[bit / 8] |= uint8_t(v << (8 - fixture.BitDepth - bit % 8));
            }
        }
    }
    TPngTables tables{};
    tables.PaletteCount = int(fixture.Palette.size());
    for (size_t i = 0; i < fixture.Palette.size(); ++i) {
        tables.Palette[i] = {fixture.Palette[i][0], fixture.Palette[i][1], fixture.Palette[i][2]};
    }
    tables.AlphaCount = int(fixture.PaletteAlpha.size());
    for (size_t i = 0; i < fixture.PaletteAlpha.size(); ++i) {
        tables.Alpha[i] = fixture.PaletteAlpha[i];
    }
    tables.HasKey = fixture.HasColourKey;
    tables.Key.gray = fixture.ColourKey[0];
    tables.Key.red = fixture.ColourKey[0];
    tables.Key.green = fixture.ColourKey[1];
    tables.Key.blue = fixture.ColourKey[2];

    std::vector<uint8_t> out;
    TPngSink sink{&out, {}};
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, OnPngWriteError, IgnorePngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        throw std::runtime_error("png: out of memory");
    }
    png_set_write_fn(png, &sink, AppendToSink, FlushNothing);
    const bool ok = WritePngFile(png, info, fixture.Width, fixture.Height, fixture.BitDepth,
                                 fixture.ColourType, fixture.Interlaced, &tables, rows.data());
    png_destroy_write_struct(&png, &info);
    if (!ok) {
        throw std::runtime_error(std::string("png: ") + sink.Message);
    }
    return out;
}

uint32_t Crc32(const uint8_t* data, size_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

std::vector<uint8_t> PngHeaderOnly(uint32_t width, uint32_t height, uint8_t bitDepth,
                                   uint8_t colourType) {
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<uint8_t> ihdr;
    PutBigEndian32(ihdr, width);
    PutBigEndian32(ihdr, height);
    ihdr.insert(ihdr.end(), {bitDepth, colourType, 0, 0, 0});
    PutPngChunk(out, "IHDR", ihdr);
    PutPngChunk(out, "IDAT", {});
    PutPngChunk(out, "IEND", {});
    return out;
}

std::vector<uint8_t> WriteJpeg(const TJpegSpec& fixture) {
    if (fixture.Samples.size() != size_t(fixture.Width * fixture.Height * fixture.Components)) {
        throw std::invalid_argument("jpeg: wrong number of samples");
    }
    TJpegWriteError error{};
    jpeg_std_error(&error.Manager);
    error.Manager.error_exit = OnJpegWriteError;
    jpeg_compress_struct cinfo{};
    cinfo.err = &error.Manager;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const bool ok = WriteJpegFile(&cinfo, &error, &fixture, &buffer, &size);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> out;
    if (ok) {
        out.assign(buffer, buffer + size);
    }
    std::free(buffer);
    if (!ok) {
        throw std::runtime_error("jpeg: the writer failed");
    }
    return out;
}

void PatchJpegSize(std::vector<uint8_t>& jpeg, uint16_t width, uint16_t height) {
    for (size_t i = 2; i + 8 < jpeg.size(); ++i) {
        const uint8_t m = jpeg[i + 1];
        if (jpeg[i] == 0xFF && (m == 0xC0 || m == 0xC1 || m == 0xC2)) {
            // FF Cn, length (2), precision (1), height (2), width (2), big-endian
            jpeg[i + 5] = uint8_t(height >> 8);
            jpeg[i + 6] = uint8_t(height);
            jpeg[i + 7] = uint8_t(width >> 8);
            jpeg[i + 8] = uint8_t(width);
            return;
        }
    }
    throw std::invalid_argument("jpeg: no SOF marker");
}

std::vector<uint8_t> WriteBmp(const TBmpSpec& fixture) {
    const bool core = fixture.HeaderSize == 12;
    const bool masksAfterHeader = fixture.HeaderSize == 40 && fixture.Compression == 3;
    const size_t entry = core ? 3 : 4;
    const size_t paletteStart = 14 + fixture.HeaderSize + (masksAfterHeader ? 12 : 0);
    const size_t offset = fixture.PixelOffset >= 0 ? size_t(fixture.PixelOffset)
                                                   : paletteStart + fixture.Palette.size() * entry;
    std::vector<uint8_t> out = {'B', 'M'};
    Put32(out, uint32_t(offset + fixture.Pixels.size()));
    Put32(out, 0);
    Put32(out, uint32_t(offset));
    Put32(out, fixture.HeaderSize);
    if (core) {
        Put16(out, uint32_t(fixture.Width));
        Put16(out, uint32_t(fixture.Height));
        Put16(out, 1);
        Put16(out, fixture.Bits);
    } else {
        Put32(out, uint32_t(fixture.Width));
        Put32(out, uint32_t(fixture.Height));
        Put16(out, 1);
        Put16(out, fixture.Bits);
        Put32(out, fixture.Compression);
        Put32(out, uint32_t(fixture.Pixels.size()));
        Put32(out, 2835);
        Put32(out, 2835);
        Put32(out, fixture.ColoursUsed);
        Put32(out, 0);
        if (fixture.HeaderSize > 40 || masksAfterHeader) {
            for (uint32_t mask : fixture.Masks) {
                Put32(out, mask);
            }
        }
        // The rest of a longer header (alpha mask, colour space, ...) stays zero.
        out.resize(std::max(out.size(), size_t(14 + fixture.HeaderSize)), 0);
    }
    for (TColor c : fixture.Palette) {
        out.insert(out.end(), {BlueOf(c), GreenOf(c), RedOf(c)});
        if (!core) {
            out.push_back(0);
        }
    }
    if (out.size() < offset) {
        out.resize(offset, 0);
    }
    out.insert(out.end(), fixture.Pixels.begin(), fixture.Pixels.end());
    return out;
}

std::vector<uint8_t> PackBmpRows(const std::vector<std::vector<uint32_t>>& rows, int bits,
                                 bool topDown) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::vector<uint32_t>& row = rows[topDown ? i : rows.size() - 1 - i];
        std::vector<uint8_t> bytes((row.size() * size_t(bits) + 31) / 32 * 4, 0);
        for (size_t x = 0; x < row.size(); ++x) {
            const uint32_t v = row[x];
            if (bits < 8) {
                const size_t bit = x * size_t(bits);
                bytes[bit / 8] |= uint8_t(v << (8 - bits - int(bit % 8)));
            } else if (bits == 24) {
                bytes[x * 3] = BlueOf(v);
                bytes[x * 3 + 1] = GreenOf(v);
                bytes[x * 3 + 2] = RedOf(v);
            } else {
                for (int b = 0; b < bits / 8; ++b) {
                    bytes[x * size_t(bits / 8) + size_t(b)] = uint8_t(v >> (8 * b));
                }
            }
        }
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
}

}  // namespace tavri::test
