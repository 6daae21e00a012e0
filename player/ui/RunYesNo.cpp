#include "ui/RunYesNo.h"

#include "graphics/AntiAliasTextout.h"
#include "graphics/Canvas.h"
#include "platform/TextEncoding.h"

namespace tavri::ui {

using platform::Cp932;

namespace {

constexpr TColor kActiveBar = RGB(160, 160, 255);
constexpr TColor kInactiveBar = RGB(205, 170, 0);
constexpr TColor kInactiveWindow = RGB(230, 230, 230);

TFont Gothic(int pixels, bool bold = false) {
    TFont font;
    font.Face = Cp932("ＭＳ Ｐゴシック");
    font.Height = -pixels;
    font.Bold = bold;
    return font;
}

// The dialogs are drawn on the main thread only; one renderer (with its work pictures) serves
// every button and title bar instead of a new one per picture.
TAntiAliasTextout& Renderer() {
    static TAntiAliasTextout renderer;
    return renderer;
}

// A button picture: white, then a rounded rectangle over the whole of it, with its label.
TImage ButtonPicture(TColor colour, int x, int y, std::string_view label) {
    TImage picture(89, 25);
    FillRect(picture, TRect{0, 0, 89, 25}, RGB(255, 255, 255));
    FillRoundRect(picture, TRect{0, 0, 89, 25}, 14, 14, colour);
    TAntiAliasTextout& text = Renderer();
    text.Target = &picture;
    text.Factor = 3;
    text.AntiAlias = true;
    text.Decoration = 0;
    text.EdgeColor = 0;
    text.TextColor = 0;
    text.Font = TFont{};  // the default face of a new font
    text.Font.Height = -17;
    text.TextOut(x, y, label);
    text.Target = nullptr;
    return picture;
}

}  // namespace

void DrawTitleBar(TForm& form, TImageControl& titleBar, bool active) {
    TImage bar(form.ClientWidth, 32);
    FillRect(bar, TRect{0, 0, bar.Width(), 32}, active ? kActiveBar : kInactiveBar);
    form.Color = active ? RGB(255, 255, 255) : kInactiveWindow;
    TAntiAliasTextout& text = Renderer();
    text.Target = &bar;
    text.Factor = 3;
    text.Font = Gothic(18);
    text.TextColor = RGB(255, 255, 255);
    text.EdgeColor = 0;
    text.Decoration = 1;
    text.AntiAlias = false;
    text.TextOut(16, 0, form.Caption);
    text.Target = nullptr;
    titleBar.SetPicture(bar);
    form.Invalidate();
}

void MakeDraggableBy(TForm& form, TImageControl& titleBar) {
    titleBar.OnMouseDown = [&form](TControl&, MouseButton, uint8_t shift, int, int) {
        if (shift & platform::SsLeft) {
            form.BeginDrag();
        }
    };
}

TYesNoForm::TYesNoForm(TApplication& application)
    : TForm(application),
      Image1(*this),
      MessageLabel(*this),
      HotImage1(*this),
      HotImage2(*this),
      FormRgn1(*this),
      TavriFormAlpha1(*this) {
    Caption = Cp932("本を閉じる");
    ClientWidth = 282;
    ClientHeight = 109;
    Color = RGB(255, 255, 255);
    Font = Gothic(12);
    TavriFormAlpha1.SetAlpha(230);
    FormRgn1.SetRgnWidth(32);
    FormRgn1.SetRgnHeight(32);

    Image1.Align = TAlign::alTop;
    Image1.Height = 21;
    MessageLabel.SetBounds(4, 36, 277, 16);
    MessageLabel.Alignment = TAlignment::taCenter;
    MessageLabel.Transparent = true;
    MessageLabel.Font = Gothic(16, true);
    MessageLabel.FontColor = 0;
    MessageLabel.Caption = Cp932("終了してよろしいですか？");
    HotImage1.SetBounds(48, 68, 89, 25);
    HotImage2.SetBounds(144, 68, 89, 25);
    Realign();

    const std::string ok = Cp932("ＯＫ"), cancel = Cp932("キャンセル");
    HotImage1.SetPictureOnEnter(ButtonPicture(RGB(160, 160, 255), 28, 2, ok));
    HotImage1.SetPictureOnLeave(ButtonPicture(RGB(230, 230, 255), 28, 2, ok));
    HotImage2.SetPictureOnEnter(ButtonPicture(RGB(160, 160, 255), 4, 2, cancel));
    HotImage2.SetPictureOnLeave(ButtonPicture(RGB(230, 230, 255), 4, 2, cancel));
    HotImage1.SetPicture(HotImage1.PictureOnLeave());
    HotImage2.SetPicture(HotImage2.PictureOnLeave());
    HotImage1.OnMouseDown = [this](TControl&, MouseButton, uint8_t, int, int) {
        ModalResult = mrOk;
    };
    HotImage2.OnMouseDown = [this](TControl&, MouseButton, uint8_t, int, int) {
        ModalResult = mrCancel;
    };

    FormRgn1.SetRgnBottom(ClientHeight);
    FormRgn1.SetRgnRight(ClientWidth);

    MakeDraggableBy(*this, Image1);
    OnShow = [](TForm& form) { form.CentreOnPicture(); };
    DrawTitleBar(*this, Image1, false);
}

void TYesNoForm::DoActivate() {
    DrawTitleBar(*this, Image1, true);
    TForm::DoActivate();
}

void TYesNoForm::DoDeactivate() {
    DrawTitleBar(*this, Image1, false);
    TForm::DoDeactivate();
}

}  // namespace tavri::ui
