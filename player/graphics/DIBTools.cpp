// The pixel operations of the screen pipeline. This file checks sizes, clamps levels and clips
// rectangles; the per-byte work is done by the loops of DibKernels, which give exactly the
// results of the rules written out in DibReference.cpp.

#include "graphics/DIBTools.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "graphics/DibKernels.h"
#include "platform/TextEncoding.h"

namespace tavri {

namespace {

using platform::Cp932;

int ClampLevel(int level) {
    return std::clamp(level, 0, 100);
}

bool SameSize(const TImage& a, const TImage& b) {
    return a.Width() == b.Width() && a.Height() == b.Height();
}

size_t FrameBytes(const TImage& image) {
    return image.RowBytes() * size_t(image.Height());
}

// Every operation reads 24-bit rows. An 8-bit picture is read through its palette, and a
// picture that is also the destination is read from a copy, so that no write changes what is
// still to be read.
const TImage& Readable(const TImage& image, const TImage& destination, TImage& copy) {
    if (image.PixelFormat() == TPixelFormat::Pf24bit && &image != &destination) {
        return image;
    }
    copy = image;
    copy.SetPixelFormat(TPixelFormat::Pf24bit);
    return copy;
}

// Every operation writes 24-bit rows; every screen image already is one.
void MakeWritable(TImage& image) {
    image.SetPixelFormat(TPixelFormat::Pf24bit);
}

std::vector<uint8_t> PackedRows(const TImage& image) {
    if (image.PixelFormat() == TPixelFormat::Pf24bit) {
        return std::vector<uint8_t>(image.Bits(), image.Bits() + FrameBytes(image));
    }
    TImage converted = image;
    converted.SetPixelFormat(TPixelFormat::Pf24bit);
    return std::vector<uint8_t>(converted.Bits(), converted.Bits() + FrameBytes(converted));
}

void FreeBuffers(TDibTools& tools) {
    tools.BlendBufferA = {};
    tools.BlendBufferB = {};
    tools.BlendBufferMask = {};
    tools.BufferWidth = tools.BufferHeight = 0;
}

// The blend steps read the buffers sequentially, so they must have been filled for frames of
// exactly this size (and, for the masked step, with a mask).
bool BuffersFit(const TDibTools& tools, const TImage& frame, bool withMask) {
    const size_t bytes = size_t(frame.Width()) * 3 * size_t(frame.Height());
    return tools.BufferWidth == frame.Width() && tools.BufferHeight == frame.Height() &&
           tools.BlendBufferA.size() == bytes && tools.BlendBufferB.size() == bytes &&
           (!withMask || tools.BlendBufferMask.size() == bytes / 3);
}

// The rows [Top, Bottom) and columns [Left, Right) a blit writes, or nothing when empty. The
// clip is also bounded by 0 and by the picture drawn, so that no row or column outside either
// image is ever touched.
bool ClipBlit(int x, int y, int spriteWidth, int spriteHeight, const TImage& destination,
              const TRect& clip, TRect& out) {
    if (y >= destination.Height() || x >= destination.Width()) {
        return false;
    }
    const int64_t top = std::max<int64_t>({y, clip.Top, 0});
    const int64_t bottom =
        std::min<int64_t>({clip.Bottom, int64_t(y) + spriteHeight, destination.Height()});
    const int64_t left = std::max<int64_t>({x, clip.Left, 0});
    const int64_t right =
        std::min<int64_t>({clip.Right, int64_t(x) + spriteWidth, destination.Width()});
    if (top >= bottom || left >= right) {
        return false;
    }
    out = TRect{int(left), int(top), int(right), int(bottom)};
    return true;
}

}  // namespace

// ----- Cross-fade -----

void TDibTools::DibBlendInit(const TImage& a, const TImage& b) {
    FreeBuffers(*this);
    const int w = a.Width();
    if (w % 8 != 0) {
        throw EDibError(Cp932("DibBlendInit: DIBの幅は8の倍数でなければなりません w=") +
                        std::to_string(w));
    }
    if (!SameSize(a, b)) {
        throw EDibError(Cp932("DibBlendInit: ソースDIBサイズが一致していません"));
    }
    BlendBufferA = PackedRows(a);
    BlendBufferB = PackedRows(b);
    BufferWidth = w;
    BufferHeight = a.Height();
}

void TDibTools::DibBlend(const TImage& x, const TImage& y, TImage& target, int16_t level) {
    const int l = ClampLevel(level);
    if (!SameSize(x, y) || !SameSize(x, target) || !BuffersFit(*this, x, false)) {
        throw EDibError(Cp932("DibBlend: ソースDIBサイズが一致していません"));
    }
    MakeWritable(target);
    if (l == 100) {
        // X is the incoming image: the last step shows it exactly.
        DibCopyRect(x, target, TRect{0, 0, x.Width() - 1, x.Height() - 1});
        return;
    }
    dib_kernels::ActiveKernels().Blend(BlendBufferA.data(), BlendBufferB.data(), target.Bits(),
                                       FrameBytes(target), unsigned(l * 256 / 100));
}

// ----- Masked transition -----

void TDibTools::DibAlphaMaskInit(const TImage& a, const TImage& b, const TImage& mask) {
    FreeBuffers(*this);
    const int w = a.Width();
    if (w % 4 != 0) {
        throw EDibError(Cp932("DibAlphaMaskInit: DIBの幅は4の倍数でなければなりません w=") +
                        std::to_string(w));
    }
    if (!SameSize(a, b) || !SameSize(a, mask)) {
        throw EDibError(Cp932("DibAlphaMaskInit: ソースDIBサイズが一致していません"));
    }
    BlendBufferA = PackedRows(a);
    BlendBufferB = PackedRows(b);
    // Only the blue byte of a mask pixel counts; one byte per pixel keeps the step's reads low.
    const std::vector<uint8_t> packed = PackedRows(mask);
    BlendBufferMask.resize(packed.size() / 3);
    for (size_t i = 0; i < BlendBufferMask.size(); ++i) {
        BlendBufferMask[i] = packed[3 * i];
    }
    BufferWidth = w;
    BufferHeight = a.Height();
}

void TDibTools::DibAlphaMaskBlend(const TImage& x, const TImage& y, const TImage& mask,
                                  TImage& target, int16_t level, int16_t softness) {
    DibAlphaMaskBlendInterlace(x, y, mask, target, level, softness);
}

void TDibTools::DibAlphaMaskBlendInterlace(const TImage& x, const TImage& y, const TImage&,
                                           TImage& target, int16_t level, int16_t softness) {
    const int l = ClampLevel(level);
    if (!SameSize(x, y) || !SameSize(x, target) || !BuffersFit(*this, x, true)) {
        throw EDibError(Cp932("DibAlphaMaskBlendInterlace: ソースDIBサイズが一致していません"));
    }
    MakeWritable(target);
    if (l == 100) {
        DibCopyRect(x, target, TRect{0, 0, x.Width() - 1, x.Height() - 1});
        return;
    }
    int weights[256];
    dib_reference::MaskWeights(l, softness, weights);
    uint8_t table[256];
    std::copy(weights, weights + 256, table);

    // The parity of the counter picks the rows; it keeps alternating when the counter wraps.
    const int firstRow = InterlaceCounter & 1;
    InterlaceCounter = int32_t(uint32_t(InterlaceCounter) + 1u);

    const int rows = (target.Height() - firstRow + 1) / 2;
    if (rows <= 0) {
        return;
    }
    const size_t rowBytes = target.RowBytes();
    const size_t start = size_t(firstRow) * rowBytes;
    dib_kernels::TMaskRows job;
    job.P = BlendBufferA.data() + start;
    job.Q = BlendBufferB.data() + start;
    job.Mask = BlendBufferMask.data() + size_t(firstRow) * size_t(target.Width());
    job.Out = target.ScanLine(firstRow);
    job.InStride = job.OutStride = 2 * rowBytes;
    job.MaskStride = 2 * size_t(target.Width());
    job.Width = target.Width();
    job.Rows = rows;
    job.WeightOfQ = table;
    dib_kernels::ActiveKernels().MaskBlendRows(job);
}

TDibTools& DefaultDibTools() {
    static TDibTools tools;
    return tools;
}

// ----- Colour wash, copy and blits -----

void DibFillBlend(TImage& target, TRect rect, TColor colour, int16_t level) {
    if (level <= 0) {
        return;
    }
    const int left = std::max(rect.Left, 0), top = std::max(rect.Top, 0);
    const int right = std::min(rect.Right, target.Width());
    const int bottom = std::min(rect.Bottom, target.Height());
    if (left >= right || top >= bottom) {
        return;
    }
    MakeWritable(target);
    const unsigned d = unsigned(std::min<int>(level, 100)) * 256 / 100;
    const uint8_t add[3] = {uint8_t(BlueOf(colour) * d / 256), uint8_t(GreenOf(colour) * d / 256),
                            uint8_t(RedOf(colour) * d / 256)};
    dib_kernels::ActiveKernels().FillRows(target.ScanLine(top) + 3 * size_t(left),
                                          target.RowBytes(), bottom - top, right - left, add,
                                          256 - d);
}

void DibCopyRect(const TImage& source, TImage& destination, TRect rect) {
    if (&source == &destination) {
        return;  // every pixel would be copied onto itself
    }
    MakeWritable(destination);
    TImage converted;
    const TImage& from = Readable(source, destination, converted);
    // All four bounds are inclusive.
    const int left = std::max(rect.Left, 0), top = std::max(rect.Top, 0);
    const int right = std::min({rect.Right, from.Width() - 1, destination.Width() - 1});
    const int bottom = std::min({rect.Bottom, from.Height() - 1, destination.Height() - 1});
    if (left > right || top > bottom) {
        return;
    }
    const size_t offset = 3 * size_t(left), bytes = 3 * size_t(right - left + 1);
    for (int row = top; row <= bottom; ++row) {
        std::memcpy(destination.ScanLine(row) + offset, from.ScanLine(row) + offset, bytes);
    }
}

void DibDrawTransparent(const TImage& sprite, TImage& destination, int x, int y, TRect clip) {
    TRect area;
    if (!ClipBlit(x, y, sprite.Width(), sprite.Height(), destination, clip, area)) {
        return;
    }
    MakeWritable(destination);
    TImage converted;
    const TImage& from = Readable(sprite, destination, converted);
    const uint8_t* key = from.ScanLine(0);
    for (int row = area.Top; row < area.Bottom; ++row) {
        const uint8_t* s = from.ScanLine(row - y) + 3 * size_t(area.Left - x);
        uint8_t* d = destination.ScanLine(row) + 3 * size_t(area.Left);
        for (int col = area.Left; col < area.Right; ++col, s += 3, d += 3) {
            if (s[0] != key[0] || s[1] != key[1] || s[2] != key[2]) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
            }
        }
    }
}

void DibDrawAlphaMask(const TImage& sprite, const TImage& mask, TImage& destination, TRect clip,
                      int x, int y) {
    TRect area;
    const int width = std::min(sprite.Width(), mask.Width());
    const int height = std::min(sprite.Height(), mask.Height());
    if (!ClipBlit(x, y, width, height, destination, clip, area)) {
        return;
    }
    MakeWritable(destination);
    TImage spriteCopy, maskCopy;
    const TImage& from = Readable(sprite, destination, spriteCopy);
    if (&mask == &destination) {
        maskCopy = mask;
    }
    const TImage& m = &mask == &destination ? maskCopy : mask;
    // One mask byte per pixel; a 24-bit mask gives the first byte of each of its pixels.
    const size_t maskStep = m.BytesPerPixel();
    std::vector<uint8_t> packedMask(maskStep == 1 ? 0 : size_t(area.Width()));
    const auto& kernels = dib_kernels::ActiveKernels();
    for (int row = area.Top; row < area.Bottom; ++row) {
        const uint8_t* maskRow = m.ScanLine(row - y) + maskStep * size_t(area.Left - x);
        if (maskStep != 1) {
            for (size_t i = 0; i < packedMask.size(); ++i) {
                packedMask[i] = maskRow[i * maskStep];
            }
            maskRow = packedMask.data();
        }
        kernels.AlphaMaskRow(from.ScanLine(row - y) + 3 * size_t(area.Left - x), maskRow,
                             destination.ScanLine(row) + 3 * size_t(area.Left), area.Width());
    }
}

bool DibAssignGraphic(TImage& target, const TImage& picture) {
    if (&target != &picture) {
        target.Assign(picture);
    }
    target.SetPixelFormat(TPixelFormat::Pf24bit);
    return true;
}

}  // namespace tavri
