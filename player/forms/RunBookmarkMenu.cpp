#include "forms/RunBookmarkMenu.h"

#include "forms/FormPictures.h"
#include "platform/TextEncoding.h"

namespace tavri {

using platform::Cp932;

namespace {

constexpr TColor kHoverColour = RGB(160, 160, 255);
constexpr TColor kNormalColour = RGB(230, 230, 255);

void MakeCommand(ui::THotImage& image, std::string_view utf8Label) {
    const std::string label = Cp932(utf8Label);
    const TFont font = FormFont("ＭＳ Ｐゴシック", 16);
    image.SetPictureOnEnter(RoundedButton(125, 25, 18, kHoverColour, 8, 2, label, font));
    image.SetPictureOnLeave(RoundedButton(125, 25, 18, kNormalColour, 8, 2, label, font));
    image.SetPicture(image.PictureOnLeave());
}

}  // namespace

TBookmarkMenuForm::TBookmarkMenuForm(ui::TApplication& application)
    : TForm(application),
      Shape1(*this),
      CaptionLabel(*this),
      HotImage1(*this),
      HotImage3(*this),
      HotImage2(*this),
      CancelHotimage(*this) {
    Caption = Cp932("しおり");
    ClientWidth = 142;
    ClientHeight = 127;
    Color = RGB(255, 255, 255);
    KeyPreview = true;
    Font = FormFont("ＭＳ Ｐゴシック", 12);

    Shape1.SetBounds(0, 0, 142, 127);
    Shape1.BrushClear = true;
    CaptionLabel.SetBounds(1, 1, 140, 20);
    CaptionLabel.Color = RGB(128, 128, 255);
    CaptionLabel.Font = FormFont("ＭＳ Ｐゴシック", 19, true);
    CaptionLabel.FontColor = RGB(255, 255, 255);
    HotImage1.SetBounds(8, 28, 125, 25);
    HotImage3.SetBounds(8, 27, 125, 25);
    HotImage2.SetBounds(8, 56, 125, 25);
    CancelHotimage.SetBounds(24, 88, 117, 32);

    MakeCommand(HotImage1, "はさむ");
    MakeCommand(HotImage3, "ひらく");
    MakeCommand(HotImage2, "しおりをはずす");
    MakeCancelButton(CancelHotimage, 12);

    const auto choose = [this](int result) {
        return [this, result](ui::TControl&, ui::MouseButton, uint8_t, int, int) {
            ModalResult = result;
        };
    };
    HotImage1.OnMouseDown = choose(BcPlace);
    HotImage3.OnMouseDown = choose(BcOpen);
    HotImage2.OnMouseDown = choose(BcRemove);
    CancelHotimage.OnMouseDown = choose(BcCancel);
    SetOpenMode();
}

void TBookmarkMenuForm::SetMarkMode() {
    HotImage1.Visible = true;
    HotImage3.Visible = false;
    Invalidate();
}

void TBookmarkMenuForm::SetOpenMode() {
    HotImage1.Visible = false;
    HotImage3.Visible = true;
    Invalidate();
}

int TBookmarkMenuForm::ShowAt(int left, int top, int number) {
    Left = left;
    Top = top;
    // Kept on the picture: an edge that reaches its edge is moved back onto it.
    if (Left + ClientWidth >= platform::kCanvasWidth) {
        Left = platform::kCanvasWidth - ClientWidth;
    }
    if (Top + ClientHeight >= platform::kCanvasHeight) {
        Top = platform::kCanvasHeight - ClientHeight;
    }
    CaptionLabel.SetCaption(Cp932(" しおり ") + std::to_string(number));
    return ShowModal();
}

void TBookmarkMenuForm::KeyDown(int& key, uint8_t shift) {
    if (key == platform::VkEscape) {
        ModalResult = BcCancel;
        key = 0;
        return;
    }
    TForm::KeyDown(key, shift);
}

}  // namespace tavri
