#pragma once

// An ordinary dialog window drawn inside the picture: a thin frame, a caption bar with the
// caption and a close box, and the client area below it, where the dialog's controls live
// (children of Client, at the positions the dialog gives them). It opens centred on the
// picture, is dragged by its caption bar, and Enter presses its default button.

#include "ui/Button.h"
#include "ui/Controls.h"
#include "ui/Forms.h"

namespace tavri::ui {

class TDialogForm : public TForm {
  public:
    static constexpr int kFrame = 3;
    static constexpr int kCaptionHeight = 22;

    explicit TDialogForm(TApplication& application);

    // The area the dialog's controls are placed in.
    void SetClientSize(int width, int height);
    int DialogClientWidth() const { return Client.Width; }
    int DialogClientHeight() const { return Client.Height; }

    // What the close box ends a modal show with.
    int CloseBoxResult = mrCancel;
    // Pressed by Enter (when the focused control does not take the key itself).
    TButton* DefaultButton = nullptr;

    class TCaptionBar : public TControl {
      public:
        using TControl::TControl;
        void Paint(TImage& canvas) override;
        void MouseDown(MouseButton button, uint8_t shift, int x, int y) override;
    };
    class TCloseBox : public TControl {
      public:
        using TControl::TControl;
        void Paint(TImage& canvas) override;
        void MouseEnter() override;
        void MouseLeave() override;
        void Click() override;
        bool Hot = false;
    };

    TCaptionBar CaptionBar;
    TCloseBox CloseBox;
    TPanel Client;

    void KeyDown(int& key, uint8_t shift) override;

  protected:
    void PaintForm(TImage& surface) override;
};

}  // namespace tavri::ui
