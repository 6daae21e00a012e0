#include "ui/HotImage.h"

namespace tavri::ui {

void THotImage::MouseEnter() {
    TImageControl::MouseEnter();
    SetPicture(onEnter_);
    if (OnMouseEnter) {
        OnMouseEnter(*this);
    }
}

void THotImage::MouseLeave() {
    TImageControl::MouseLeave();
    SetPicture(onLeave_);
    if (OnMouseLeave) {
        OnMouseLeave(*this);
    }
}

}  // namespace tavri::ui
