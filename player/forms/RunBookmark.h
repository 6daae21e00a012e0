#pragma once

// The bookmark screen: the novel's bookmarks as a row of paper bookmarks, three at a time, paged
// with two arrows. In mark mode the reader places a bookmark on the current page (a new one or
// over an old one); in open mode the reader continues from one. Either way a bookmark can be
// removed, and the open mode also offers reading from the beginning. The screen owns the list
// and its file; every change is confirmed in the yes/no dialog first.

#include <functional>
#include <memory>
#include <string>

#include "bookmark/BookmarkData.h"
#include "bookmark/BookmarkFile.h"
#include "forms/RunBookmarkMenu.h"
#include "platform/Clock.h"
#include "run/RunMain.h"
#include "ui/Application.h"
#include "ui/FormRgn.h"
#include "ui/HotImage.h"
#include "ui/HotPaint.h"
#include "ui/RunYesNo.h"
#include "ui/TavriFormAlpha.h"

namespace tavri {

class TBookmarkForm : public ui::TForm {
  public:
    static constexpr int kSlotWidth = 140;
    static constexpr int kScrollPixels = 28;
    static constexpr int kScrollSteps = 5;
    static constexpr int kPageTurnInterval = 55;
    static constexpr int kLeftRow = -200;  // HoverSlot once the mouse has left the row

    // Loads the novel's bookmark file when the novel keeps bookmarks. The main window and the
    // dialog outlive the screen.
    TBookmarkForm(ui::TApplication& application, TMainForm& main, ui::TYesNoForm& yesNo);
    // The popup is made after the screen (start-up's order); it must outlive the screen's use.
    void Connect(TBookmarkMenuForm& popup);
    ~TBookmarkForm() override;

    ui::TImageControl Image1;  // the title bar
    ui::TPanel BookmarkerPanel;
    ui::THotPaintBox PaintBox;
    ui::THotImage LeftImage, RightImage;
    ui::TPanel SystemPanel;
    ui::THotImage HotImage1;      // "はじめから読む", open mode only
    ui::THotImage CloseHotImage;  // "本を閉じる"
    ui::TPanel CancelPanel;
    ui::THotImage CancelHotimage;
    ui::TFormRgn FormRgn1;
    ui::TTavriFormAlpha TavriFormAlpha1;
    ui::TIdleTimer Timer;

    // The clock placed bookmarks are dated by; tests set their own.
    std::function<platform::TLocalTime()> LocalTime = platform::LocalTimeNow;

    void SetMarkMode();
    void SetOpenMode();
    bool MarkMode() const { return markMode_; }
    // The callers' one way in: caption, mode, then the screen shown modally. Closing the book
    // from the screen closes the main window once the screen is gone.
    void ShowScreen(const std::string& caption, bool markMode);

    // The reader's actions, each confirmed in the dialog first (index from 0).
    void TakeBookmark(int32_t index);
    // False when the bookmark's scene is gone from the scenario (the reader is told).
    bool RestoreBookmark(int32_t index);

    TBookmarkList& Bookmarks() { return list_; }
    TBookmarkFile& File() { return file_; }
    int32_t FirstSlot() const { return firstSlot_; }
    int32_t ScrollStep() const { return scrollStep_; }
    int32_t HoverSlot() const { return hoverSlot_; }
    // What the row shows now (the screen's page image), drawn again on every change.
    const TImage& PageImage() const { return pageImage_; }

    void DoActivate() override;
    void DoDeactivate() override;

  private:
    void BuildPictures();
    void FormShow();
    void FormHide();
    void PaintRow();
    void DrawBookmarkEntry(int x, int y, bool highlighted, const std::string& date,
                           const std::string& title, int number);
    void RowMouseMove(int x);
    void RowMouseLeave();
    void RowMouseDown(ui::MouseButton button, int x, int y);
    void LeftArrowDown();
    void RightArrowDown();
    void TimerTimer();
    // The dialog with the screen out of sight; true for OK.
    bool Confirm(const char* utf8Caption, const std::string& message);
    void PlaceBookmark(int32_t index);
    void OpenBookmark(int32_t index);
    void RemoveBookmark(int32_t index);
    void StartFromBeginningPressed();
    void CloseBookPressed();
    void SaveList();

    TMainForm& main_;
    ui::TYesNoForm& yesNo_;
    TBookmarkMenuForm* popup_ = nullptr;
    TBookmarkList list_;
    TBookmarkFile file_;
    TDecodedPicture bookmarkHighlighted_, bookmarkNormal_;
    int32_t firstSlot_ = 0;
    int32_t scrollStep_ = 0;
    int32_t hoverSlot_ = 0;
    bool markMode_ = false;
    bool closeBook_ = false;
    TImage pageImage_;
};

}  // namespace tavri
