#pragma once

// For authors testing a novel in debug mode (F5): every counter with its value and range, and
// an editor that sets the selected counter's value. It works on the live counters.

#include <string>

#include "run/RunCommon.h"
#include "ui/Button.h"
#include "ui/Controls.h"
#include "ui/DialogForm.h"
#include "ui/Edit.h"
#include "ui/HeaderControl.h"
#include "ui/ListBox.h"
#include "ui/UpDown.h"

namespace tavri {

// A row's three texts (cp932): the name, the value, and the range "min～max".
struct TCounterRowTexts {
    std::string Name, Value, Range;
};
TCounterRowTexts CounterRowTexts(const TNovelCounter& counter);

class TDebugCounterForm : public ui::TDialogForm {
  public:
    TDebugCounterForm(ui::TApplication& application, TRunCommon& state);

    ui::TLabel Label1;
    ui::TPanel Panel1;
    ui::THeaderControl Header;
    ui::TListBox List;
    ui::TLabel Label2;
    ui::TEdit ValueEdit;
    ui::TUpDown ValueUpDown;
    ui::TButton Button1;  // "変更"
    ui::TShape Bevel1;
    ui::TButton Button2;  // "閉じる"

    // As many rows as there are counters (new ones at the end, gone ones from the front).
    void RefreshCounterRows();

  private:
    void FormShow();
    void ListClick();
    void ApplyPressed();
    void DrawRow(TImage& canvas, int index, TRect rect, bool selected);

    TRunCommon& state_;
};

}  // namespace tavri
