#include "forms/RunBookmark.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "assets/Assets.h"
#include "forms/FormPictures.h"
#include "graphics/Canvas.h"
#include "graphics/CanvasText.h"
#include "graphics/DIBTools.h"
#include "platform/TextEncoding.h"
#include "run/BookmarkPosition.h"

namespace tavri {

using platform::Cp932;

namespace {

constexpr TColor kWhite = RGB(255, 255, 255);
constexpr int kRowWidth = 433, kRowHeight = 277;
// 293 degrees counter-clockwise: the texts run steeply down and to the right along the paper.
constexpr int kRotatedEscapement = 2930;

void DrawRotatedText(TImage& target, int x, int y, std::string_view cp932, TFont font,
                     TColor colour) {
    font.Escapement = kRotatedEscapement;
    CanvasTextOut(target, x, y, cp932, font, colour, std::nullopt, TGlyphRendering::Grey);
}

void MakeSystemButton(ui::THotImage& image, std::string_view utf8Label) {
    const std::string label = Cp932(utf8Label);
    TFont font;  // the default face of a new font
    font.Height = -17;
    image.SetPictureOnEnter(RoundedButton(253, 25, 20, RGB(160, 160, 255), 32, 2, label, font));
    image.SetPictureOnLeave(RoundedButton(253, 25, 20, RGB(230, 230, 255), 32, 2, label, font));
    image.SetPicture(image.PictureOnLeave());
}

std::string Numbered(const char* before, int32_t number, const char* after) {
    return Cp932(before) + std::to_string(number) + Cp932(after);
}

}  // namespace

TBookmarkForm::TBookmarkForm(ui::TApplication& application, TMainForm& main, ui::TYesNoForm& yesNo)
    : TForm(application),
      Image1(*this),
      BookmarkerPanel(*this),
      PaintBox(*this, &BookmarkerPanel),
      LeftImage(*this, &BookmarkerPanel),
      RightImage(*this, &BookmarkerPanel),
      SystemPanel(*this),
      HotImage1(*this, &SystemPanel),
      CloseHotImage(*this, &SystemPanel),
      CancelPanel(*this),
      CancelHotimage(*this, &CancelPanel),
      FormRgn1(*this),
      TavriFormAlpha1(*this),
      Timer(application),
      main_(main),
      yesNo_(yesNo),
      file_(main.State.Session.BookmarkPath, !main.State.Session.BookmarkPathGiven) {
    ClientWidth = 549;
    ClientHeight = 390;
    Color = kWhite;
    Font = FormFont("ＭＳ Ｐゴシック", 12);
    TavriFormAlpha1.SetAlpha(230);
    FormRgn1.SetRgnWidth(32);
    FormRgn1.SetRgnHeight(32);

    Image1.Align = ui::TAlign::alTop;
    Image1.Height = 21;
    for (ui::TPanel* panel : {&BookmarkerPanel, &SystemPanel, &CancelPanel}) {
        panel->Align = ui::TAlign::alTop;
        panel->Color = kWhite;
    }
    BookmarkerPanel.Height = 296;
    SystemPanel.Height = 32;
    CancelPanel.Height = 40;
    PaintBox.SetBounds(60, 12, kRowWidth, kRowHeight);
    LeftImage.SetBounds(16, 12, 41, kRowHeight);
    RightImage.SetBounds(496, 12, 41, kRowHeight);
    LeftImage.Center = RightImage.Center = true;
    HotImage1.SetBounds(20, 4, 253, 25);
    CloseHotImage.SetBounds(276, 4, 253, 25);
    CancelHotimage.SetBounds(381, 0, 224, 32);
    Realign();

    Timer.SetEnabled(false);
    Timer.SetInterval(kPageTurnInterval);
    Timer.OnTimer = [this](int) { TimerTimer(); };

    PaintBox.OnPaint = [this](ui::TPaintBox&, TImage& canvas) {
        if (!pageImage_.Empty()) {
            DrawImage(canvas, 0, 0, pageImage_);
        }
    };
    PaintBox.OnMouseMove = [this](ui::TControl&, uint8_t, int x, int) { RowMouseMove(x); };
    PaintBox.OnMouseLeave = [this](ui::THotPaintBox&) { RowMouseLeave(); };
    PaintBox.OnMouseDown = [this](ui::TControl&, ui::MouseButton button, uint8_t, int x, int y) {
        RowMouseDown(button, x, y);
    };
    LeftImage.OnMouseDown = [this](ui::TControl&, ui::MouseButton, uint8_t, int, int) {
        LeftArrowDown();
    };
    RightImage.OnMouseDown = [this](ui::TControl&, ui::MouseButton, uint8_t, int, int) {
        RightArrowDown();
    };
    HotImage1.OnMouseDown = [this](ui::TControl&, ui::MouseButton, uint8_t, int, int) {
        StartFromBeginningPressed();
    };
    CloseHotImage.OnMouseDown = [this](ui::TControl&, ui::MouseButton, uint8_t, int, int) {
        CloseBookPressed();
    };
    CancelHotimage.OnMouseDown = [this](ui::TControl&, ui::MouseButton, uint8_t, int, int) {
        ModalResult = ui::mrCancel;
    };
    OnShow = [this](ui::TForm&) { FormShow(); };
    OnHide = [this](ui::TForm&) { FormHide(); };
    ui::MakeDraggableBy(*this, Image1);

    BuildPictures();
    if (main.State.Header().BookmarkMode != BmNoBookmarks) {
        file_.Load(list_);
    }
    ui::DrawTitleBar(*this, Image1, false);
}

TBookmarkForm::~TBookmarkForm() = default;

void TBookmarkForm::Connect(TBookmarkMenuForm& popup) {
    popup_ = &popup;
    if (markMode_) {
        popup.SetMarkMode();
    } else {
        popup.SetOpenMode();
    }
}

void TBookmarkForm::BuildPictures() {
    MakeSystemButton(HotImage1, "はじめから読む");
    MakeSystemButton(CloseHotImage, "本を閉じる");
    MakeCancelButton(CancelHotimage, 40);
    SetCarriedPictures(LeftImage, assets::ArrowLeftHoverBmp(), assets::ArrowLeftNormalBmp());
    SetCarriedPictures(RightImage, assets::ArrowRightHoverBmp(), assets::ArrowRightNormalBmp());
    bookmarkHighlighted_ = CarriedPicture(assets::BookmarkHighlightedPng());
    bookmarkNormal_ = CarriedPicture(assets::BookmarkNormalPng());
}

void TBookmarkForm::SetMarkMode() {
    markMode_ = true;
    HotImage1.Visible = false;
    if (popup_ != nullptr) {
        popup_->SetMarkMode();
    }
    Invalidate();
}

void TBookmarkForm::SetOpenMode() {
    markMode_ = false;
    HotImage1.Visible = true;
    if (popup_ != nullptr) {
        popup_->SetOpenMode();
    }
    Invalidate();
}

void TBookmarkForm::ShowScreen(const std::string& caption, bool markMode) {
    Caption = caption;
    if (markMode) {
        SetMarkMode();
    } else {
        SetOpenMode();
    }
    closeBook_ = false;
    ShowModal();
    if (closeBook_) {
        closeBook_ = false;
        main_.Close();
    }
}

void TBookmarkForm::FormShow() {
    int height = Image1.Height;
    for (const ui::TPanel* panel : {&BookmarkerPanel, &SystemPanel, &CancelPanel}) {
        height += panel->Visible ? panel->Height : 0;
    }
    ClientHeight = height;
    // Centred on the main window, which is the whole picture.
    Left = platform::kCanvasWidth / 2 - ClientWidth / 2;
    Top = platform::kCanvasHeight / 2 - ClientHeight / 2;
    FormRgn1.SetRgnBottom(ClientHeight);
    FormRgn1.SetRgnRight(ClientWidth);
    pageImage_ = TImage(kRowWidth, kRowHeight);
    PaintRow();
}

void TBookmarkForm::FormHide() {
    Timer.SetEnabled(false);
    scrollStep_ = 0;
    pageImage_ = TImage();
}

void TBookmarkForm::DoActivate() {
    ui::DrawTitleBar(*this, Image1, true);
    TForm::DoActivate();
}

void TBookmarkForm::DoDeactivate() {
    ui::DrawTitleBar(*this, Image1, false);
    TForm::DoDeactivate();
}

// ----- The row -----

void TBookmarkForm::PaintRow() {
    if (pageImage_.Empty()) {
        return;
    }
    FillRect(pageImage_, TRect{0, 0, kRowWidth, kRowHeight}, kWhite);
    if (!markMode_ && list_.Count() == 0) {
        const TFont font = FormFont("ＭＳ Ｐ明朝", 32);
        const std::string text = Cp932("しおりがありません");
        const TSize extent = TextExtent(font, text);
        CanvasTextOut(pageImage_, kRowWidth / 2 - extent.Width / 2,
                      kRowHeight / 2 - extent.Height / 2, text, font, RGB(160, 160, 255),
                      std::nullopt, TGlyphRendering::Grey);
    } else {
        // While a page turns the row shows the bookmark coming in as well.
        const int first = scrollStep_ > 0 ? -1 : 0;
        const int last = scrollStep_ < 0 ? 3 : 2;
        for (int s = first; s <= last; ++s) {
            const int32_t index = firstSlot_ + s;
            if (index > list_.Count() || (!markMode_ && index >= list_.Count())) {
                break;
            }
            const bool isNew = index == list_.Count();
            const std::string title = isNew ? Cp932("新しいしおり") : list_[index].EntryTitle;
            const std::string date = isNew ? std::string() : list_[index].EntryDate;
            DrawBookmarkEntry(s * kSlotWidth + scrollStep_ * kScrollPixels, 0, s == hoverSlot_,
                              date, title, index + 1);
        }
    }
    PaintBox.Invalidate();
}

void TBookmarkForm::DrawBookmarkEntry(int x, int y, bool highlighted, const std::string& date,
                                      const std::string& title, int number) {
    const TDecodedPicture& picture = highlighted ? bookmarkHighlighted_ : bookmarkNormal_;
    const TRect whole{0, 0, kRowWidth, kRowHeight};
    if (picture.HasAlpha) {
        DibDrawAlphaMask(picture.Image, picture.AlphaMask, pageImage_, whole, x, y);
    } else if (!picture.Image.Empty()) {
        DrawImage(pageImage_, x, y, picture.Image);
    }
    char digits[16];
    std::snprintf(digits, sizeof digits, "%2d", number);
    TFont numberFont;
    numberFont.Face = "Arial";
    numberFont.Height = -32;
    DrawRotatedText(pageImage_, x + 60, y + 60, digits, numberFont,
                    highlighted ? kWhite : RGB(220, 190, 140));
    DrawRotatedText(pageImage_, x + 77, y + 100, title, FormFont("ＭＳ Ｐゴシック", 16, true),
                    RGB(127, 0, 0));
    DrawRotatedText(pageImage_, x + 56, y + 104, date, FormFont("ＭＳ ゴシック", 16), 0);
}

void TBookmarkForm::RowMouseMove(int x) {
    if (Timer.Enabled()) {
        return;
    }
    const int slot = x / kSlotWidth;
    if (slot != hoverSlot_) {
        hoverSlot_ = std::min(slot, 2);
        PaintRow();
    }
}

void TBookmarkForm::RowMouseLeave() {
    if (Timer.Enabled()) {
        return;
    }
    hoverSlot_ = kLeftRow;
    PaintRow();
}

void TBookmarkForm::RowMouseDown(ui::MouseButton button, int x, int y) {
    if (Timer.Enabled() || button != ui::MouseButton::Left || x < 0) {
        return;
    }
    const int slot = x / kSlotWidth;
    if (slot >= 4) {
        return;
    }
    const int32_t index = firstSlot_ + slot;
    // In mark mode the slot after the last bookmark takes a new one, but never a 51st.
    const bool valid =
        markMode_ ? index <= list_.Count() && index < kMaxBookmarks : index < list_.Count();
    if (!valid || popup_ == nullptr) {
        return;
    }
    int originX = 0, originY = 0;
    PaintBox.FormOrigin(originX, originY);
    const int choice = popup_->ShowAt(Left + originX + x, Top + originY + y, index + 1);
    switch (choice) {
        case BcPlace:
            PlaceBookmark(index);
            break;
        case BcOpen:
            OpenBookmark(index);
            break;
        case BcRemove:
            RemoveBookmark(index);
            break;
        default:
            break;
    }
    PaintRow();
}

// ----- Paging -----

void TBookmarkForm::LeftArrowDown() {
    if (firstSlot_ > 0) {
        Timer.SetEnabled(true);
        ++scrollStep_;
    }
}

void TBookmarkForm::RightArrowDown() {
    const bool allowed = markMode_
                             ? firstSlot_ + 3 <= list_.Count() && firstSlot_ + 3 < kMaxBookmarks
                             : firstSlot_ + 3 < list_.Count();
    if (allowed) {
        Timer.SetEnabled(true);
        --scrollStep_;
    }
}

void TBookmarkForm::TimerTimer() {
    if (std::abs(scrollStep_) >= kScrollSteps) {
        Timer.SetEnabled(false);
        firstSlot_ += scrollStep_ > 0 ? -1 : 1;
        scrollStep_ = 0;
        PaintRow();
        return;
    }
    PaintRow();
    scrollStep_ += scrollStep_ > 0 ? 1 : -1;
}

// ----- Commands -----

bool TBookmarkForm::Confirm(const char* utf8Caption, const std::string& message) {
    yesNo_.Caption = Cp932(utf8Caption);
    yesNo_.MessageLabel.SetCaption(message);
    const int width = ClientWidth;
    ClientWidth = 0;  // out of sight while the dialog asks
    Invalidate();
    const int result = yesNo_.ShowModal();
    ClientWidth = width;
    Invalidate();
    return result == ui::mrOk;
}

void TBookmarkForm::PlaceBookmark(int32_t index) {
    if (Confirm("しおりをはさむ", Numbered("しおり", index + 1, " をこのページにはさみます。"))) {
        TakeBookmark(index);
        ModalResult = ui::mrOk;
    }
}

void TBookmarkForm::OpenBookmark(int32_t index) {
    if (Confirm("しおりからひらく", Numbered("しおり", index + 1, " から開きます。")) &&
        RestoreBookmark(index)) {
        ModalResult = ui::mrOk;
    }
}

void TBookmarkForm::RemoveBookmark(int32_t index) {
    if (index >= list_.Count()) {
        return;
    }
    if (Confirm("しおりをはずす", Numbered("しおり", index + 1, " をはずします。"))) {
        list_.Delete(index);
        SaveList();
    }
}

void TBookmarkForm::StartFromBeginningPressed() {
    if (Confirm("最初から読む", Cp932("最初から読み始めます。"))) {
        main_.StartNewReading();
        ModalResult = ui::mrOk;
    }
}

void TBookmarkForm::CloseBookPressed() {
    if (Confirm("本を閉じる", Cp932("終了してよろしいですか？"))) {
        // The main window closes once this modal show has unwound.
        closeBook_ = true;
        ModalResult = ui::mrOk;
    }
}

void TBookmarkForm::TakeBookmark(int32_t index) {
    if (index < 0 || index > list_.Count()) {
        return;
    }
    TBookmarkData* record = index < list_.Count() ? &list_[index] : list_.Add();
    if (record == nullptr) {
        return;
    }
    FillBookmark(*record, main_.TakeReadingPosition(), LocalTime());
    SaveList();
}

bool TBookmarkForm::RestoreBookmark(int32_t index) {
    if (index < 0 || index >= list_.Count()) {
        return true;
    }
    if (main_.RestoreReadingPosition(ReadingPositionOf(list_[index]))) {
        return true;
    }
    Application().Messages().Show(Cp932("このしおりの場面はシナリオにありません。"),
                                  Cp932("しおりからひらく"), platform::MsgIcon::Error,
                                  platform::MsgButtons::Ok);
    return false;
}

void TBookmarkForm::SaveList() {
    // The change stays in the list either way, so the next successful save writes it.
    if (!file_.Save(list_)) {
        Application().Messages().Show(file_.SaveFailureMessage(), Application().Title,
                                      platform::MsgIcon::Error, platform::MsgButtons::Ok);
    } else if (file_.TakeMovedNotice()) {
        Application().Messages().Show(file_.MovedMessage(), Application().Title,
                                      platform::MsgIcon::Information, platform::MsgButtons::Ok);
    }
}

}  // namespace tavri
