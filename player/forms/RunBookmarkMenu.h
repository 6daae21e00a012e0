#pragma once

// The small popup a click on a bookmark opens: place a bookmark there (mark mode), open it
// (open mode), remove it, or cancel. Shown modally at the pointer; its modal result is the
// choice.

#include <string>

#include "ui/Controls.h"
#include "ui/Forms.h"
#include "ui/HotImage.h"

namespace tavri {

// The popup's modal results; cancel is 63 because 2 already means open.
enum TBookmarkChoice : int { BcPlace = 1, BcOpen = 2, BcRemove = 3, BcCancel = 63 };

class TBookmarkMenuForm : public ui::TForm {
  public:
    explicit TBookmarkMenuForm(ui::TApplication& application);

    ui::TShape Shape1;
    ui::TLabel CaptionLabel;
    ui::THotImage HotImage1;  // "はさむ"
    ui::THotImage HotImage3;  // "ひらく"
    ui::THotImage HotImage2;  // "しおりをはずす"
    ui::THotImage CancelHotimage;

    void SetMarkMode();
    void SetOpenMode();
    // Shows the popup modally with its top-left corner at (left, top), kept on the picture, headed
    // " しおり N"; gives the choice (BcCancel for Escape).
    int ShowAt(int left, int top, int number);

    void KeyDown(int& key, uint8_t shift) override;
};

}  // namespace tavri
