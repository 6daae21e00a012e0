#include "ui/HotPaint.h"

namespace tavri::ui {

void THotPaintBox::MouseEnter() {
    TPaintBox::MouseEnter();
    if (OnMouseEnter) {
        OnMouseEnter(*this);
    }
}

void THotPaintBox::MouseLeave() {
    TPaintBox::MouseLeave();
    if (OnMouseLeave) {
        OnMouseLeave(*this);
    }
}

}  // namespace tavri::ui
