// JPEG pictures through libjpeg(-turbo), read from memory.
//
// libjpeg's default error handler ends the process. Throwing a C++ exception out of our
// error_exit would unwind through the library's C frames, which are not built to be unwound,
// so we take the library's own documented route instead: error_exit longjmps back to a setjmp.
// The setjmp sits in one of two small C-style functions (ReadJpegHeader, ReadJpegPixels) that
// hold only plain pointers and integers, so no destructor is ever skipped; they turn the jump
// into a return value and the C++ caller throws from its own frame. The decompressor's memory is
// released by a guard in the caller, which the jump never crosses.
//
// Truncated data must not become a grey-filled picture: the warnings libjpeg gives when the
// data runs out ("premature end of JPEG file", "premature end of data segment") are errors here.
// Other warnings (stray bytes between markers and the like) leave a whole picture and are
// ignored.

// jpeglib.h needs size_t and FILE declared before it.
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

#include "graphics/Picture.h"

namespace tavri {
namespace {

constexpr uint64_t kMaxPixels = uint64_t(1) << 26;  // 192 MiB at 24 bits
// Enough for the coefficients of the largest picture we accept, progressive, in 4:4:4.
constexpr long kMaxDecoderMemory = 512L << 20;
// Real progressive files have a dozen scans; thousands of tiny ones only cost time.
constexpr int kMaxScans = 256;

// Plain data only: reached from the library's callbacks through cinfo->err.
struct TJpegError {
    jpeg_error_mgr Manager;  // first, so that cinfo->err points at the whole record
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

TJpegError* ErrorOf(j_common_ptr cinfo) {
    return reinterpret_cast<TJpegError*>(cinfo->err);
}

[[noreturn]] void JumpWithMessage(j_common_ptr cinfo) {
    TJpegError* error = ErrorOf(cinfo);
    (*cinfo->err->format_message)(cinfo, error->Message);
    std::longjmp(error->Jump, 1);
}

void OnJpegError(j_common_ptr cinfo) {
    JumpWithMessage(cinfo);
}

void OnJpegMessage(j_common_ptr cinfo, int level) {
    const int code = cinfo->err->msg_code;
    if (level < 0 && (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER)) {
        JumpWithMessage(cinfo);
    }
}

void OnJpegOutput(j_common_ptr) {}

void OnJpegProgress(j_common_ptr cinfo) {
    if (cinfo->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
        TJpegError* error = ErrorOf(cinfo);
        std::snprintf(error->Message, sizeof error->Message, "more than %d scans", kMaxScans);
        std::longjmp(error->Jump, 1);
    }
}

// Phase one: create the decompressor over the buffer and read the headers up to the first scan.
bool ReadJpegHeader(j_decompress_ptr cinfo, TJpegError* error, jpeg_progress_mgr* progress,
                    const uint8_t* data, size_t size) {
    if (setjmp(error->Jump)) {
        return false;
    }
    jpeg_create_decompress(cinfo);
    cinfo->mem->max_memory_to_use = kMaxDecoderMemory;
    cinfo->progress = progress;
    jpeg_mem_src(cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(cinfo, TRUE);
    return true;
}

// Four-component pictures come out as CMYK. Files with an Adobe marker (nearly all of them,
// written by Photoshop and its kin) store the inks inverted; the others store them plainly.
void CmykToBgr(const uint8_t* cmyk, uint8_t* bgr, size_t width, bool inverted) {
    for (size_t x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        bgr[0] = uint8_t((y * k + 127) / 255);
        bgr[1] = uint8_t((m * k + 127) / 255);
        bgr[2] = uint8_t((c * k + 127) / 255);
    }
}

// Phase two: decode every row into `pixels` (rows of width × 3 bytes, blue first), through
// `scratch` (a CMYK row) when the picture has four components, and read on to the end marker.
bool ReadJpegPixels(j_decompress_ptr cinfo, TJpegError* error, uint8_t* pixels, uint8_t* scratch) {
    if (setjmp(error->Jump)) {
        return false;
    }
    const JDIMENSION width = cinfo->image_width, height = cinfo->image_height;
    const int components = scratch != nullptr ? 4 : 3;
    jpeg_start_decompress(cinfo);
    if (cinfo->output_width != width || cinfo->output_height != height ||
        cinfo->output_components != components) {
        std::snprintf(error->Message, sizeof error->Message, "unexpected output layout");
        return false;
    }
    while (cinfo->output_scanline < height) {
        uint8_t* target = pixels + size_t(cinfo->output_scanline) * width * 3;
        JSAMPROW row = scratch != nullptr ? scratch : target;
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1) {
            std::snprintf(error->Message, sizeof error->Message, "no more rows");
            return false;
        }
        if (scratch != nullptr) {
            CmykToBgr(scratch, target, width, cinfo->saw_Adobe_marker);
        }
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

class TJpegGuard {
  public:
    explicit TJpegGuard(j_decompress_ptr cinfo) : cinfo_(cinfo) {}
    ~TJpegGuard() { jpeg_destroy_decompress(cinfo_); }  // safe on a failed or partial create
    TJpegGuard(const TJpegGuard&) = delete;
    TJpegGuard& operator=(const TJpegGuard&) = delete;

  private:
    j_decompress_ptr cinfo_;
};

[[noreturn]] void Fail(const std::string& what) {
    throw EPictureError("JPEG: " + what);
}

}  // namespace

TDecodedPicture DecodeJpeg(const uint8_t* data, size_t size) {
    TJpegError error;
    std::memset(&error, 0, sizeof error);
    jpeg_std_error(&error.Manager);
    error.Manager.error_exit = OnJpegError;
    error.Manager.emit_message = OnJpegMessage;
    error.Manager.output_message = OnJpegOutput;
    jpeg_progress_mgr progress{};
    progress.progress_monitor = OnJpegProgress;

    jpeg_decompress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = &error.Manager;
    TJpegGuard guard(&cinfo);
    if (!ReadJpegHeader(&cinfo, &error, &progress, data, size)) {
        Fail(error.Message);
    }

    bool fourComponents = false;
    switch (cinfo.jpeg_color_space) {
        case JCS_GRAYSCALE:
        case JCS_YCbCr:
        case JCS_RGB:
            cinfo.out_color_space = JCS_EXT_BGR;
            break;
        case JCS_CMYK:
        case JCS_YCCK:
            cinfo.out_color_space = JCS_CMYK;
            fourComponents = true;
            break;
        default:
            Fail("unsupported colour space with " + std::to_string(cinfo.num_components) +
                 " components");
    }
    const uint64_t width = cinfo.image_width, height = cinfo.image_height;
    if (width > uint64_t(kMaxImageSide) || height > uint64_t(kMaxImageSide) ||
        width * height > kMaxPixels) {
        Fail("picture of " + std::to_string(width) + " x " + std::to_string(height) +
             " exceeds the size limit");
    }
    // The player's fast mode: integer DCT and plain (box) upsampling of the chroma.
    cinfo.dct_method = JDCT_IFAST;
    cinfo.do_fancy_upsampling = FALSE;

    TDecodedPicture picture;
    picture.Image = TImage(int(width), int(height));
    std::vector<uint8_t> scratch(fourComponents ? size_t(width) * 4 : 0);
    if (!ReadJpegPixels(&cinfo, &error, picture.Image.Bits(),
                        fourComponents ? scratch.data() : nullptr)) {
        Fail(error.Message);
    }
    return picture;
}

}  // namespace tavri
