#pragma once

// For authors testing a novel in debug mode (F6): every item by name, sorted; the chosen one is
// where reading goes on, at its beginning, with the screen, the music and the counters as they
// are.

#include "run/RunMain.h"
#include "ui/Button.h"
#include "ui/Controls.h"
#include "ui/DialogForm.h"
#include "ui/ListBox.h"

namespace tavri {

class TDebugJumpForm : public ui::TDialogForm {
  public:
    TDebugJumpForm(ui::TApplication& application, TMainForm& main);

    ui::TLabel Label1;
    ui::TListBox List;
    ui::TButton JumpBtn;  // "ジャンプ"
    ui::TButton Button2;  // "キャンセル"

  private:
    void FormShow();
    void JumpPressed();

    TMainForm& main_;
};

}  // namespace tavri
