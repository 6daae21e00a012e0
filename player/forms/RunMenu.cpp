#include "forms/RunMenu.h"

#include "assets/Assets.h"
#include "forms/FormPictures.h"
#include "forms/RunAbout.h"
#include "forms/RunBookmark.h"
#include "platform/TextEncoding.h"

namespace tavri {

using platform::Cp932;

namespace {

TFont LabelFont() {
    return FormFont("ＭＳ Ｐゴシック", 18, true);
}

// A carried item picture pair with the item's label written on both.
void MakeItem(ui::THotImage& image, const std::vector<uint8_t>& hover,
              const std::vector<uint8_t>& normal, std::string_view utf8Label) {
    SetCarriedPictures(image, hover, normal);
    const std::string label = Cp932(utf8Label);
    WriteOutlinedLabel(image.EnterPicture(), 40, 6, label, LabelFont());
    WriteOutlinedLabel(image.LeavePicture(), 40, 6, label, LabelFont());
    image.SetPicture(image.PictureOnLeave());
}

}  // namespace

TMenuForm::TMenuForm(ui::TApplication& application, TMainForm& main, ui::TYesNoForm& yesNo,
                     TFadeDrive drive)
    : TForm(application),
      TopPanel(*this),
      SavePanel(*this),
      MarkHotimage(*this, &SavePanel),
      OpenHotimage(*this, &SavePanel),
      DispModePanel(*this),
      DispmodeHotImage(*this, &DispModePanel),
      SkipPanel(*this),
      SkipHotImage(*this, &SkipPanel),
      MainPanel(*this),
      AboutHotimage(*this, &MainPanel),
      CloseHotimage(*this, &MainPanel),
      CancelHotimage(*this, &MainPanel),
      IconWinA(*this),
      IconWinN(*this),
      FormRgn1(*this),
      TavriFormAlpha1(*this),
      Fader(*this, TavriFormAlpha1, drive),
      main_(main),
      yesNo_(yesNo) {
    Caption = Cp932("メニュー");
    ClientWidth = kWidth;
    Color = RGB(255, 255, 255);
    Font = FormFont("ＭＳ Ｐゴシック", 16, true);
    TavriFormAlpha1.SetAlpha(TFormFader::kShownAlpha);
    FormRgn1.SetRgnWidth(48);
    FormRgn1.SetRgnHeight(48);

    const struct {
        ui::TPanel* panel;
        int height;
    } panels[] = {{&TopPanel, 8},
                  {&SavePanel, 64},
                  {&DispModePanel, 32},
                  {&SkipPanel, 32},
                  {&MainPanel, 101}};
    for (const auto& p : panels) {
        p.panel->Align = ui::TAlign::alTop;
        p.panel->Height = p.height;
        p.panel->Color = Color;
    }
    MarkHotimage.SetBounds(8, 0, 224, 32);
    OpenHotimage.SetBounds(8, 32, 224, 32);
    DispmodeHotImage.SetBounds(8, 0, 224, 32);
    SkipHotImage.SetBounds(8, 0, 224, 32);
    AboutHotimage.SetBounds(8, 0, 224, 32);
    CloseHotimage.SetBounds(8, 32, 224, 32);
    CancelHotimage.SetBounds(8, 64, 224, 32);
    IconWinA.Visible = IconWinN.Visible = false;
    IconWinA.SetPicture(CarriedPicture(assets::MenuWindowHoverBmp()).Image);
    IconWinN.SetPicture(CarriedPicture(assets::MenuWindowNormalBmp()).Image);

    // Creation: the fixed labels, then what the novel offers decides the height.
    MakeItem(MarkHotimage, assets::MenuMarkHoverBmp(), assets::MenuMarkNormalBmp(),
             "しおりをはさむ");
    MakeItem(OpenHotimage, assets::MenuOpenHoverBmp(), assets::MenuOpenNormalBmp(),
             "しおりから読む");
    MakeItem(SkipHotImage, assets::MenuSkipHoverBmp(), assets::MenuSkipNormalBmp(), "早送り");
    MakeItem(AboutHotimage, assets::MenuAboutHoverBmp(), assets::MenuAboutNormalBmp(),
             "バージョン情報");
    MakeItem(CloseHotimage, assets::MenuCloseHoverBmp(), assets::MenuCloseNormalBmp(),
             "本を閉じる");
    MakeCancelButton(CancelHotimage, 40);

    const CNovelFileHeader& header = main.State.Header();
    SavePanel.Visible = header.BookmarkMode != BmNoBookmarks;
    DispModePanel.Visible = true;
    SkipPanel.Visible = header.SkipSetting != 0;
    ClientHeight = TopPanel.Height + MainPanel.Height;
    for (const ui::TPanel* panel : {&SavePanel, &DispModePanel, &SkipPanel}) {
        ClientHeight += panel->Visible ? panel->Height : 0;
    }
    Realign();
    // The right corners lie outside the window, so its right edge is straight.
    FormRgn1.SetRgnBottom(ClientHeight);
    FormRgn1.SetRgnRight(ClientWidth + 40);
    BuildDisplayModeItem();

    const auto on = [this](void (TMenuForm::*action)()) {
        return [this, action](ui::TControl&, ui::MouseButton, uint8_t, int, int) {
            (this->*action)();
        };
    };
    MarkHotimage.OnMouseDown = on(&TMenuForm::MarkPressed);
    OpenHotimage.OnMouseDown = on(&TMenuForm::OpenPressed);
    DispmodeHotImage.OnMouseDown = on(&TMenuForm::DisplayModePressed);
    SkipHotImage.OnMouseDown = on(&TMenuForm::SkipPressed);
    AboutHotimage.OnMouseDown = on(&TMenuForm::AboutPressed);
    CloseHotimage.OnMouseDown = on(&TMenuForm::ClosePressed);
    CancelHotimage.OnMouseDown = [this](ui::TControl&, ui::MouseButton, uint8_t, int, int) {
        HideAnimated();
    };
    OnShow = [this](ui::TForm&) { FormShow(); };
    OnHide = [this](ui::TForm&) { FormHide(); };
}

TMenuForm::~TMenuForm() = default;

void TMenuForm::Connect(TBookmarkForm& bookmarks, TAboutForm& about) {
    bookmarks_ = &bookmarks;
    about_ = &about;
}

void TMenuForm::BuildDisplayModeItem() {
    displayModeLabel_ = Cp932(main_.IsFullScreen() ? "ウインドウモード" : "フルスクリーン");
    TImage hover = IconWinA.Picture, normal = IconWinN.Picture;
    WriteOutlinedLabel(hover, 40, 6, displayModeLabel_, LabelFont());
    WriteOutlinedLabel(normal, 40, 6, displayModeLabel_, LabelFont());
    DispmodeHotImage.SetPictureOnEnter(hover);
    DispmodeHotImage.SetPictureOnLeave(normal);
    DispmodeHotImage.SetPicture(normal);
}

void TMenuForm::FormShow() {
    Application().Display().SetCursor(platform::CursorKind::Default);
    BuildDisplayModeItem();
    // At the top right of the picture, which has no border in either mode.
    Left = platform::kCanvasWidth - ClientWidth;
    if (Left + ClientWidth >= platform::kCanvasWidth) {
        Left = platform::kCanvasWidth - ClientWidth;
    }
    Top = 32;
    if (Top + ClientHeight >= platform::kCanvasHeight) {
        Top = platform::kCanvasHeight - ClientHeight;
    }
    Invalidate();
    ShowAnimated();
}

void TMenuForm::FormHide() {
    if (main_.IsFullScreen() && main_.State.RunMode != RmLinks) {
        Application().Display().SetCursor(platform::CursorKind::Hidden);
    }
}

void TMenuForm::DoDeactivate() {
    TForm::DoDeactivate();
    if (Visible()) {
        HideAnimated();
    }
}

void TMenuForm::MarkPressed() {
    HideAnimated();
    if (bookmarks_ != nullptr) {
        bookmarks_->ShowScreen(Cp932("しおりをはさむ"), true);
    }
}

void TMenuForm::OpenPressed() {
    HideAnimated();
    if (bookmarks_ != nullptr) {
        bookmarks_->ShowScreen(Cp932("しおりから読む"), false);
    }
}

void TMenuForm::DisplayModePressed() {
    main_.ToggleDisplayMode();
    // At once, without a fade; hiding also lets go of the mouse.
    Fader.Stop();
    Close();
}

void TMenuForm::SkipPressed() {
    main_.StartFastForward();
    HideAnimated();
}

void TMenuForm::AboutPressed() {
    HideAnimated();
    if (about_ != nullptr) {
        about_->ShowModal();
    }
}

void TMenuForm::ClosePressed() {
    HideAnimated();
    yesNo_.Caption = Cp932("本を閉じる");
    yesNo_.MessageLabel.SetCaption(Cp932("終了してよろしいですか？"));
    yesNo_.Hide();
    if (yesNo_.ShowModal() == ui::mrOk) {
        main_.Close();
    }
}

}  // namespace tavri
