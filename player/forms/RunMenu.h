#pragma once

// The system menu: a small panel that fades in at the top right of the picture on a right click
// while the novel waits for a click or offers choices, with placing and opening bookmarks, the
// switch between window and full screen, fast-forward, the version form, closing the book and
// cancel. It is modeless: the novel goes on behind it, and a click beside it fades it out and
// still reaches the main window.

#include "forms/FormFader.h"
#include "run/RunMain.h"
#include "ui/Application.h"
#include "ui/Controls.h"
#include "ui/FormRgn.h"
#include "ui/HotImage.h"
#include "ui/RunYesNo.h"
#include "ui/TavriFormAlpha.h"

namespace tavri {

class TBookmarkForm;
class TAboutForm;

class TMenuForm : public ui::TForm {
  public:
    static constexpr int kWidth = 195;

    TMenuForm(ui::TApplication& application, TMainForm& main, ui::TYesNoForm& yesNo,
              TFadeDrive drive);
    // The bookmark screen and the version form are made after the menu (start-up's order); both
    // must outlive the menu's use.
    void Connect(TBookmarkForm& bookmarks, TAboutForm& about);
    ~TMenuForm() override;

    ui::TPanel TopPanel;
    ui::TPanel SavePanel;
    ui::THotImage MarkHotimage, OpenHotimage;
    ui::TPanel DispModePanel;
    ui::THotImage DispmodeHotImage;
    ui::TPanel SkipPanel;
    ui::THotImage SkipHotImage;
    ui::TPanel MainPanel;
    ui::THotImage AboutHotimage, CloseHotimage, CancelHotimage;
    // The display-mode item's pictures, labelled afresh at every show.
    ui::TImageControl IconWinA, IconWinN;
    ui::TFormRgn FormRgn1;
    ui::TTavriFormAlpha TavriFormAlpha1;
    TFormFader Fader;

    void ShowAnimated() { Fader.ShowAnimated(); }
    void HideAnimated() { Fader.HideAnimated(); }
    // The label the display-mode item shows now.
    const std::string& DisplayModeLabel() const { return displayModeLabel_; }

    void DoDeactivate() override;

  private:
    void FormShow();
    void FormHide();
    void BuildDisplayModeItem();
    void MarkPressed();
    void OpenPressed();
    void DisplayModePressed();
    void SkipPressed();
    void AboutPressed();
    void ClosePressed();

    TMainForm& main_;
    ui::TYesNoForm& yesNo_;
    TBookmarkForm* bookmarks_ = nullptr;
    TAboutForm* about_ = nullptr;
    std::string displayModeLabel_;
};

}  // namespace tavri
