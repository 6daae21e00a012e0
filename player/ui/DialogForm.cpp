#include "ui/DialogForm.h"

#include "graphics/Canvas.h"
#include "graphics/CanvasText.h"
#include "platform/TextEncoding.h"

namespace tavri::ui {

namespace {

constexpr TColor kFrameColour = RGB(0, 90, 170);
constexpr TColor kCaptionColour = RGB(0, 120, 215);
constexpr TColor kDialogFace = RGB(240, 240, 240);

}  // namespace

TDialogForm::TDialogForm(TApplication& application)
    : TForm(application), CaptionBar(*this), CloseBox(*this, &CaptionBar), Client(*this) {
    Color = kFrameColour;
    Client.Color = kDialogFace;
    // Enter reaches the dialog first, whatever control has the focus.
    KeyPreview = true;
    Font.Face = platform::Cp932("ＭＳ Ｐゴシック");
    Font.Height = -12;
    OnShow = [this](TForm&) { CentreOnPicture(); };
    SetClientSize(200, 100);
}

void TDialogForm::SetClientSize(int width, int height) {
    ClientWidth = width + 2 * kFrame;
    ClientHeight = height + kCaptionHeight + 2 * kFrame;
    CaptionBar.SetBounds(kFrame, kFrame, width, kCaptionHeight);
    CloseBox.SetBounds(width - kCaptionHeight - 2, 2, kCaptionHeight + 2, kCaptionHeight - 4);
    Client.SetBounds(kFrame, kFrame + kCaptionHeight, width, height);
    Invalidate();
}

void TDialogForm::PaintForm(TImage& surface) {
    FillRect(surface, TRect{0, 0, ClientWidth, ClientHeight}, kFrameColour);
}

void TDialogForm::KeyDown(int& key, uint8_t shift) {
    TForm::KeyDown(key, shift);
    if (key == platform::VkReturn && DefaultButton != nullptr && DefaultButton->Visible &&
        DefaultButton->Enabled) {
        key = 0;
        DefaultButton->Click();
    }
}

void TDialogForm::TCaptionBar::Paint(TImage& canvas) {
    FillRect(canvas, TRect{0, 0, Width, Height}, kCaptionColour);
    TFont font = Form().Font;
    font.Bold = false;
    CanvasTextOut(canvas, 6, (Height - MetricsOf(font).LineHeight()) / 2, Form().Caption, font,
                  RGB(255, 255, 255), std::nullopt, TGlyphRendering::Grey);
}

void TDialogForm::TCaptionBar::MouseDown(MouseButton button, uint8_t shift, int x, int y) {
    TControl::MouseDown(button, shift, x, y);
    if (button == MouseButton::Left) {
        Form().BeginDrag();
    }
}

void TDialogForm::TCloseBox::Paint(TImage& canvas) {
    FillRect(canvas, TRect{0, 0, Width, Height}, Hot ? RGB(232, 17, 35) : kCaptionColour);
    // A cross of two diagonals, 8 px across.
    const int cx = Width / 2, cy = Height / 2;
    for (int i = -4; i <= 4; ++i) {
        FillRect(canvas, TRect{cx + i, cy + i, cx + i + 1, cy + i + 1}, RGB(255, 255, 255));
        FillRect(canvas, TRect{cx + i, cy - i, cx + i + 1, cy - i + 1}, RGB(255, 255, 255));
    }
}

void TDialogForm::TCloseBox::MouseEnter() {
    Hot = true;
    Invalidate();
}

void TDialogForm::TCloseBox::MouseLeave() {
    Hot = false;
    Invalidate();
}

void TDialogForm::TCloseBox::Click() {
    TControl::Click();
    auto& dialog = static_cast<TDialogForm&>(Form());
    if (dialog.Visible()) {
        dialog.ModalResult = dialog.CloseBoxResult;
    }
}

}  // namespace tavri::ui
