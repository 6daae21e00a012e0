#pragma once

// Drives a masked wipe: captures the old frame, the new frame and a grey mask once, then redraws
// the target on every step with the level the elapsed time gives.

#include <cstdint>
#include <string>

#include "graphics/DIBTools.h"
#include "graphics/Image.h"
#include "platform/Clock.h"

namespace tavri {

class TFadeEffector {
  public:
    TFadeEffector(platform::IClock& clock, TDibTools& dib);

    // A missing file leaves Mask as it was (after the loader's message); the frames are captured
    // and the clock restarted all the same, so the transition still runs.
    void LoadMaskFile(const std::string& name, const TMediaSource& media);
    void SetMaskGraphic(const TImage& picture);
    // Captures NewImage, OldImage and Mask; both frames must be set.
    void Prepare();
    void Restart();
    // Draws the next picture into Target and reports whether the transition is over; the step
    // that reports it has drawn the complete new frame.
    bool Step();

    // Made with the object as a uniform 128, so that a first custom mask that cannot be found
    // still gives a plain wipe rather than a capture of an empty picture.
    TImage Mask;
    TImage* Target = nullptr;
    const TImage* OldImage = nullptr;
    const TImage* NewImage = nullptr;
    uint32_t StartTime = 0;
    int16_t Softness = 24;
    int32_t Duration = 0;  // ms; below 1 finishes on the first step

  private:
    platform::IClock& clock_;
    TDibTools& dib_;
};

}  // namespace tavri
