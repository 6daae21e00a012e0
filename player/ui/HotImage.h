#pragma once

// A picture that swaps to one image while the mouse is over it and to another when it leaves:
// the buttons of the player's dialogs and menus.

#include <functional>

#include "ui/Controls.h"

namespace tavri::ui {

class THotImage : public TImageControl {
  public:
    using TImageControl::TImageControl;

    // Setting either copies the picture given.
    const TImage& PictureOnEnter() const { return onEnter_; }
    const TImage& PictureOnLeave() const { return onLeave_; }
    void SetPictureOnEnter(const TImage& picture) { onEnter_ = picture; }
    void SetPictureOnLeave(const TImage& picture) { onLeave_ = picture; }
    // For callers that draw on the stored pictures in place.
    TImage& EnterPicture() { return onEnter_; }
    TImage& LeavePicture() { return onLeave_; }

    std::function<void(THotImage&sender)> OnMouseEnter, OnMouseLeave;

    void MouseEnter() override;
    void MouseLeave() override;

  private:
    TImage onEnter_, onLeave_;
};

}  // namespace tavri::ui
