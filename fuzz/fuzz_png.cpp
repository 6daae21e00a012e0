// PNG pictures of any content: each input decodes to a consistent picture or is refused with
// EPictureError; anything else (a crash, another exception, a read outside the input) is a bug.
// Mutations almost always break a chunk's CRC, which libpng checks first, so the input's CRCs are
// recomputed before decoding; otherwise the fuzzer would hardly ever get past the first chunk.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "graphics/Picture.h"

namespace {

uint32_t BigEndian32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

void FixChunkCrcs(std::vector<uint8_t>& png) {
    size_t at = 8;  // after the signature
    while (at + 12 <= png.size()) {
        const uint32_t length = BigEndian32(&png[at]);
        if (length > png.size() - at - 12) {
            return;
        }
        const uint8_t* typeAndData = &png[at + 4];
        const uint32_t crc = uint32_t(crc32(0, typeAndData, uInt(length + 4)));
        uint8_t* out = &png[at + 8 + length];
        out[0] = uint8_t(crc >> 24);
        out[1] = uint8_t(crc >> 16);
        out[2] = uint8_t(crc >> 8);
        out[3] = uint8_t(crc);
        at += 12 + size_t(length);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> input(data, data + size);
    FixChunkCrcs(input);
    try {
        const tavri::TDecodedPicture picture = tavri::DecodePng(input.data(), input.size());
        const tavri::TImage& image = picture.Image;
        if (image.Width() > tavri::kMaxImageSide || image.Height() > tavri::kMaxImageSide ||
            image.PixelFormat() != tavri::TPixelFormat::Pf24bit) {
            __builtin_trap();
        }
        if (picture.HasAlpha && (picture.AlphaMask.Width() != image.Width() ||
                                 picture.AlphaMask.Height() != image.Height())) {
            __builtin_trap();
        }
    } catch (const tavri::EPictureError&) {
    }
    return 0;
}
