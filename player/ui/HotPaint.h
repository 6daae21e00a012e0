#pragma once

// A paint box that tells its owner when the mouse enters and leaves it.

#include <functional>

#include "ui/Controls.h"

namespace tavri::ui {

class THotPaintBox : public TPaintBox {
  public:
    using TPaintBox::TPaintBox;

    std::function<void(THotPaintBox&sender)> OnMouseEnter, OnMouseLeave;

    void MouseEnter() override;
    void MouseLeave() override;
};

}  // namespace tavri::ui
