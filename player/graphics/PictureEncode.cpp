#include "graphics/PictureEncode.h"

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

namespace tavri {
namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
void Put32Be(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(uint8_t(v >> shift));
    }
}

void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    Put32Be(out, uint32_t(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(0L, out.data() + start, uInt(out.size() - start));
    Put32Be(out, uint32_t(crc));
}

// rows: the unfiltered scan lines, channels bytes per pixel. Every row is written with the Sub
// filter, which suits the smooth gradients we draw and keeps the output a pure function of the
// pixels.
std::vector<uint8_t> EncodePng(int width, int height, int channels, uint8_t colourType,
                               const std::vector<uint8_t>& rows) {
    const size_t rowBytes = size_t(width) * size_t(channels);
    std::vector<uint8_t> filtered;
    filtered.reserve((rowBytes + 1) * size_t(height));
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = rows.data() + rowBytes * size_t(y);
        filtered.push_back(1);
        for (size_t i = 0; i < rowBytes; ++i) {
            const uint8_t left = i >= size_t(channels) ? row[i - size_t(channels)] : 0;
            filtered.push_back(uint8_t(row[i] - left));
        }
    }
    uLongf packedSize = compressBound(uLong(filtered.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, filtered.data(), uLong(filtered.size()), 9) != Z_OK) {
        throw std::runtime_error("PNG: compression failed");
    }
    packed.resize(packedSize);

    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    Put32Be(header, uint32_t(width));
    Put32Be(header, uint32_t(height));
    header.insert(header.end(), {8, colourType, 0, 0, 0});
    PutChunk(out, "IHDR", header);
    PutChunk(out, "IDAT", packed);
    PutChunk(out, "IEND", {});
    return out;
}

void Require24(const TImage& image) {
    if (image.PixelFormat() != TPixelFormat::Pf24bit || image.Empty()) {
        throw std::invalid_argument("a 24-bit picture is needed");
    }
}

std::vector<uint8_t> RgbRows(const TImage& image) {
    std::vector<uint8_t> rows;
    rows.reserve(size_t(image.Width()) * size_t(image.Height()) * 3);
    for (int y = 0; y < image.Height(); ++y) {
        const uint8_t* p = image.ScanLine(y);
        for (int x = 0; x < image.Width(); ++x, p += 3) {
            rows.insert(rows.end(), {p[2], p[1], p[0]});
        }
    }
    return rows;
}

}  // namespace

std::vector<uint8_t> EncodeBmp24(const TImage& image) {
    Require24(image);
    const uint32_t stride = (uint32_t(image.Width()) * 3 + 3) & ~3u;
    const uint32_t pixelBytes = stride * uint32_t(image.Height());
    std::vector<uint8_t> out;
    out.reserve(54 + pixelBytes);
    out.insert(out.end(), {'B', 'M'});
    Put32(out, 54 + pixelBytes);
    Put32(out, 0);
    Put32(out, 54);
    Put32(out, 40);
    Put32(out, uint32_t(image.Width()));
    Put32(out, uint32_t(image.Height()));
    Put16(out, 1);
    Put16(out, 24);
    Put32(out, 0);
    Put32(out, pixelBytes);
    Put32(out, 3780);  // 96 dpi
    Put32(out, 3780);
    Put32(out, 0);
    Put32(out, 0);
    for (int y = image.Height() - 1; y >= 0; --y) {
        const uint8_t* row = image.ScanLine(y);
        out.insert(out.end(), row, row + image.RowBytes());
        out.insert(out.end(), stride - image.RowBytes(), 0);
    }
    return out;
}

std::vector<uint8_t> EncodePngRgb(const TImage& image) {
    Require24(image);
    return EncodePng(image.Width(), image.Height(), 3, 2, RgbRows(image));
}

std::vector<uint8_t> EncodePngRgba(const TRgbaPicture& picture) {
    if (picture.Width <= 0 || picture.Height <= 0 ||
        picture.Pixels.size() != size_t(picture.Width) * size_t(picture.Height) * 4) {
        throw std::invalid_argument("PNG: bad RGBA picture");
    }
    return EncodePng(picture.Width, picture.Height, 4, 6, picture.Pixels);
}

std::vector<uint8_t> EncodePngGrey(const TImage& image8) {
    if (image8.PixelFormat() != TPixelFormat::Pf8bit || image8.Empty()) {
        throw std::invalid_argument("PNG: an 8-bit picture is needed");
    }
    std::vector<uint8_t> rows;
    for (int y = 0; y < image8.Height(); ++y) {
        rows.insert(rows.end(), image8.ScanLine(y), image8.ScanLine(y) + image8.Width());
    }
    return EncodePng(image8.Width(), image8.Height(), 1, 0, rows);
}

std::vector<uint8_t> EncodeJpeg(const TImage& image, int quality) {
    Require24(image);
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    // Only our own pictures are encoded (the assets, the demo's art, test fixtures), never a
    // novel's, so a libjpeg error here is a programming error and its default handler (print
    // and exit) is the right end.
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(image.Width());
    info.image_height = JDIMENSION(image.Height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    const std::vector<uint8_t> rows = RgbRows(image);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rows.data() +
                                            size_t(info.next_scanline) * 3 * size_t(image.Width()));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}

}  // namespace tavri
