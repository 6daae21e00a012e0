#pragma once

// A push button: pressed while the left button is held on it, clicked when released on it. A
// button with a modal result ends its form's modal show with it; the default button (drawn
// with a stronger frame) is the one Enter presses in a dialog.

#include <string>

#include "ui/Controls.h"

namespace tavri::ui {

class TButton : public TControl {
  public:
    using TControl::TControl;

    std::string Caption;  // cp932
    TFont Font;
    bool Default = false;
    int ModalResult = 0;

    bool Pressed() const { return pressed_; }

    void Paint(TImage& canvas) override;
    void MouseDown(MouseButton button, uint8_t shift, int x, int y) override;
    void MouseUp(MouseButton button, uint8_t shift, int x, int y) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void Click() override;

  private:
    bool pressed_ = false;
    bool hot_ = false;
};

}  // namespace tavri::ui
