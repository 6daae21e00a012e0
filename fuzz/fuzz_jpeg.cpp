// JPEG pictures of any content: each input decodes to a consistent picture or is refused with
// EPictureError; anything else (a crash, another exception, a read outside the input) is a bug.
#include <cstddef>
#include <cstdint>

#include "graphics/Picture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        const tavri::TDecodedPicture picture = tavri::DecodeJpeg(data, size);
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
