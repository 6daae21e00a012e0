#include "ui/Button.h"

#include "graphics/Canvas.h"
#include "graphics/CanvasText.h"
#include "ui/Forms.h"

namespace tavri::ui {

void TButton::Paint(TImage& canvas) {
    const TColor face = pressed_ ? RGB(204, 228, 247)
                        : hot_   ? RGB(229, 241, 251)
                                 : RGB(225, 225, 225);
    const TColor edge = Default || hot_ ? RGB(0, 120, 215) : RGB(173, 173, 173);
    FillRect(canvas, TRect{0, 0, Width, Height}, edge);
    const int frame = Default ? 2 : 1;
    FillRect(canvas, TRect{frame, frame, Width - frame, Height - frame}, face);
    const TSize extent = TextExtent(Font, Caption);
    const int offset = pressed_ ? 1 : 0;
    CanvasTextOut(canvas, (Width - extent.Width) / 2 + offset,
                  (Height - extent.Height) / 2 + offset, Caption, Font, 0, std::nullopt,
                  TGlyphRendering::Grey);
}

void TButton::MouseDown(MouseButton button, uint8_t shift, int x, int y) {
    TControl::MouseDown(button, shift, x, y);
    if (button == MouseButton::Left) {
        pressed_ = true;
        Invalidate();
    }
}

void TButton::MouseUp(MouseButton button, uint8_t shift, int x, int y) {
    TControl::MouseUp(button, shift, x, y);
    if (button == MouseButton::Left) {
        pressed_ = false;
        Invalidate();
    }
}

void TButton::MouseEnter() {
    hot_ = true;
    Invalidate();
}

void TButton::MouseLeave() {
    hot_ = false;
    Invalidate();
}

void TButton::Click() {
    TControl::Click();
    if (ModalResult != 0) {
        Form().ModalResult = ModalResult;
    }
}

}  // namespace tavri::ui
