#pragma once

// The one confirmation dialog of the player, and the drawn title bar it shares with the
// bookmark screen and the version form. Callers set Caption and MessageLabel's text, show it
// modally and go on only when the result is mrOk; the texts stay until the next caller.

#include "ui/FormRgn.h"
#include "ui/Forms.h"
#include "ui/HotImage.h"
#include "ui/TavriFormAlpha.h"

namespace tavri::ui {

// Paints the title bar: the form's caption on a blue bar when active, on an ochre bar with a
// grey window when not. `titleBar` shows the top rows of the 32-pixel-high picture.
void DrawTitleBar(TForm& form, TImageControl& titleBar, bool active);

// Lets the form be dragged by its title bar (a button pressed there with the left one held).
void MakeDraggableBy(TForm& form, TImageControl& titleBar);

class TYesNoForm : public TForm {
  public:
    explicit TYesNoForm(TApplication& application);

    TImageControl Image1;
    TLabel MessageLabel;
    THotImage HotImage1;  // "ＯＫ"
    THotImage HotImage2;  // "キャンセル"
    TFormRgn FormRgn1;
    TTavriFormAlpha TavriFormAlpha1;

    void DoActivate() override;
    void DoDeactivate() override;
};

}  // namespace tavri::ui
