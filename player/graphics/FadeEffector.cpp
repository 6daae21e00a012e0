#include "graphics/FadeEffector.h"

#include "platform/Display.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace tavri {

namespace {
constexpr int kFullLevel = 100;
constexpr uint8_t kUniformMaskLevel = 128;
}  // namespace

TFadeEffector::TFadeEffector(platform::IClock& clock, TDibTools& dib)
    : Mask(platform::kCanvasWidth, platform::kCanvasHeight, TPixelFormat::Pf24bit),
      clock_(clock),
      dib_(dib) {
    std::memset(Mask.Bits(), kUniformMaskLevel, Mask.RowBytes() * size_t(Mask.Height()));
}

void TFadeEffector::LoadMaskFile(const std::string& name, const TMediaSource& media) {
    DibLoadImageFile(Mask, name, media);
    Prepare();
    Restart();
}

void TFadeEffector::SetMaskGraphic(const TImage& picture) {
    DibAssignGraphic(Mask, picture);
    Prepare();
    Restart();
}

void TFadeEffector::Prepare() {
    if (NewImage == nullptr || OldImage == nullptr) {
        throw std::logic_error("TFadeEffector::Prepare: frames not set");
    }
    dib_.DibAlphaMaskInit(*NewImage, *OldImage, Mask);
}

void TFadeEffector::Restart() {
    StartTime = clock_.Now();
}

bool TFadeEffector::Step() {
    if (NewImage == nullptr || OldImage == nullptr || Target == nullptr) {
        throw std::logic_error("TFadeEffector::Step: images not set");
    }
    int64_t level = kFullLevel + 1;
    if (Duration >= 1) {
        // The clock wraps; the unsigned difference is the true elapsed time, and it is widened
        // before the multiplication so that waits beyond 2^32 / 100 ms cannot overflow.
        const uint32_t elapsed = clock_.Now() - StartTime;
        level = int64_t(elapsed) * 100 / Duration;
    }
    const bool finished = level > kFullLevel;
    const int16_t drawn = int16_t(std::min<int64_t>(level, kFullLevel));
    dib_.DibAlphaMaskBlend(*NewImage, *OldImage, Mask, *Target, drawn, Softness);
    return finished;
}

}  // namespace tavri
