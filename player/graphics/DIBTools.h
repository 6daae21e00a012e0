#pragma once

// The pixel operations the screen pipeline rests on: cross-fade, masked transition, colour
// wash, rectangle copy, the two sprite blits, and loading of mask and sprite pictures.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "graphics/Image.h"
#include "graphics/Picture.h"
#include "media/MediaFinder.h"

namespace tavri {

// Raised with the exact message the user sees.
class EDibError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The working buffers of the two-step blends. Only one blend runs at a time; the player uses
// DefaultDibTools(), tests make their own.
class TDibTools {
  public:
    void DibBlendInit(const TImage& a, const TImage& b);
    void DibBlend(const TImage& x, const TImage& y, TImage& target, int16_t level);
    void DibAlphaMaskInit(const TImage& a, const TImage& b, const TImage& mask);
    void DibAlphaMaskBlend(const TImage& x, const TImage& y, const TImage& mask, TImage& target,
                           int16_t level, int16_t softness);
    void DibAlphaMaskBlendInterlace(const TImage& x, const TImage& y, const TImage& mask,
                                    TImage& target, int16_t level, int16_t softness);

    std::vector<uint8_t> BlendBufferA, BlendBufferB, BlendBufferMask;
    int BufferWidth = 0, BufferHeight = 0;  // what the buffers were filled for
    int32_t InterlaceCounter = 0;
};

TDibTools& DefaultDibTools();

// rect: right and bottom exclusive; clipped to the image.
void DibFillBlend(TImage& target, TRect rect, TColor colour, int16_t level);
// rect: all four bounds inclusive; clipped to both images.
void DibCopyRect(const TImage& source, TImage& destination, TRect rect);
// clip: right and bottom exclusive. Key colour: the sprite's top-left pixel.
void DibDrawTransparent(const TImage& sprite, TImage& destination, int x, int y, TRect clip);
// mask: 8-bit transparency (0 opaque, 255 transparent), the sprite's size.
void DibDrawAlphaMask(const TImage& sprite, const TImage& mask, TImage& destination, TRect clip,
                      int x, int y);

// The target becomes a 24-bit copy of the picture.
bool DibAssignGraphic(TImage& target, const TImage& picture);

// How a picture name is looked up: the name itself, then with ".PNG", then with ".BMP", in the
// archive when there is one, else on disk.
TMediaFile LookupPicture(const std::string& name, const TMediaSource& media);
// Decodes what the lookup found (".PNG" or ".BMP" by the found name's extension; anything else
// is not loaded): from the archive first, and from disk when that fails.
bool LoadLookedUpPicture(const TMediaFile& found, const TMediaSource& media,
                         TDecodedPicture& picture);

// Tells the user about a missing file ("画像ファイル読み込みエラー") and returns false.
bool DibLoadImageFile(TImage& target, const std::string& name, const TMediaSource& media);

// Plain per-byte forms of the blend rules, written straight from their definitions; every
// fast path is checked against these.
namespace dib_reference {
void Blend(const uint8_t* a, const uint8_t* b, uint8_t* out, size_t bytes, int level);
void AlphaMaskRow(const uint8_t* a, const uint8_t* b, const uint8_t* mask, uint8_t* out, int width,
                  const int* weightOfB);
void MaskWeights(int level, int softness, int* weightOfB);  // 256 entries
}  // namespace dib_reference

}  // namespace tavri
