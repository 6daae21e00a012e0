#include "forms/DebugJump.h"

#include "forms/FormPictures.h"
#include "graphics/Fonts.h"
#include "platform/TextEncoding.h"

namespace tavri {

using platform::Cp932;

TDebugJumpForm::TDebugJumpForm(ui::TApplication& application, TMainForm& main)
    : TDialogForm(application),
      Label1(*this, &Client),
      List(*this, &Client),
      JumpBtn(*this, &Client),
      Button2(*this, &Client),
      main_(main) {
    Caption = Cp932("デバッグモード: アイテムジャンプ");
    Font = FormFont("ＭＳ Ｐゴシック", 12);
    SetClientSize(248, 377);

    Label1.Font = Font;
    Label1.Transparent = true;
    Label1.SetCaption(Cp932("アイテム一覧:"));
    Label1.SetBounds(8, 8, TextExtent(Font, Label1.Caption).Width + 2, 14);
    List.SetBounds(8, 24, 229, 317);
    List.Font = FormFont("Terminal", 19);
    List.ItemHeight = 18;
    List.Sorted = true;
    List.OnDblClick = [this](ui::TListBox&) {
        JumpPressed();
        ModalResult = ui::mrOk;
    };
    JumpBtn.SetBounds(80, 348, 75, 21);
    JumpBtn.Caption = Cp932("ジャンプ");
    JumpBtn.Default = true;
    JumpBtn.ModalResult = ui::mrOk;
    JumpBtn.OnClick = [this](ui::TControl&) { JumpPressed(); };
    Button2.SetBounds(164, 348, 75, 21);
    Button2.Caption = Cp932("キャンセル");
    Button2.ModalResult = ui::mrCancel;
    for (ui::TButton* button : {&JumpBtn, &Button2}) {
        button->Font = Font;
    }
    DefaultButton = &JumpBtn;
    CloseBoxResult = ui::mrCancel;

    const CNovelItems& items = main.State.Items();
    for (int32_t i = 0; i < items.Count; ++i) {
        if (const CNovelItem* item = items.ItemOrNull(i)) {
            List.Add(item->Name);
        }
    }
    OnShow = [this](ui::TForm&) { FormShow(); };
}

void TDebugJumpForm::FormShow() {
    CentreOnPicture();
    FocusedControl = &List;
    const CNovelItem* current = main_.State.Items().ItemOrNull(main_.State.CurrentItem);
    int row = -1;
    if (current != nullptr) {
        const auto& rows = List.Items();
        for (int i = 0; i < int(rows.size()) && row < 0; ++i) {
            if (rows[size_t(i)] == current->Name) {
                row = i;
            }
        }
    }
    List.SetItemIndex(row);
}

void TDebugJumpForm::JumpPressed() {
    const int row = List.ItemIndex();
    if (row < 0) {
        return;
    }
    // The last item of that name, as a name lookup of the scenario finds it.
    const std::string& name = List.Items()[size_t(row)];
    const CNovelItems& items = main_.State.Items();
    for (int32_t i = items.Count - 1; i >= 0; --i) {
        const CNovelItem* item = items.ItemOrNull(i);
        if (item != nullptr && item->Name == name) {
            main_.JumpToItem(i);
            return;
        }
    }
}

}  // namespace tavri
