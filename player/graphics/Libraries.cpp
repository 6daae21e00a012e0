#include "graphics/Libraries.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <png.h>
#include <zlib.h>

#include <cstdio>
// jpeglib.h needs the standard types declared first.
#include <jpeglib.h>

namespace tavri {

namespace {

#define TAVRI_STRINGIFY_(x) #x
#define TAVRI_STRINGIFY(x) TAVRI_STRINGIFY_(x)

std::string Dotted(int major, int minor, int patch) {
    return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(patch);
}

}  // namespace

std::vector<std::string> GraphicsLibraries() {
    const int fc = FcGetVersion();
    return {
        std::string("libpng ") + png_get_libpng_ver(nullptr),
        std::string("zlib ") + zlibVersion(),
#ifdef LIBJPEG_TURBO_VERSION
        std::string("libjpeg-turbo ") + TAVRI_STRINGIFY(LIBJPEG_TURBO_VERSION),
#else
        std::string("libjpeg ") + std::to_string(JPEG_LIB_VERSION),
#endif
        "FreeType " + Dotted(FREETYPE_MAJOR, FREETYPE_MINOR, FREETYPE_PATCH),
        "fontconfig " + Dotted(fc / 10000, fc / 100 % 100, fc % 100),
    };
}

}  // namespace tavri
