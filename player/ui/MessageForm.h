#pragma once

// Our own message box, for where the system's cannot appear (an X server without its core
// fonts, a Wayland desktop without the helper SDL's boxes need): a dialog drawn by the forms
// host with the caption, a coloured mark for the kind of message, the text in the default face
// and the buttons the message asks for. Enter takes the first button, Escape the last (the only
// one for a plain OK). Its answer is the answer of the box.

#include <string>
#include <string_view>
#include <vector>

#include "platform/MessageBox.h"
#include "ui/Button.h"
#include "ui/Controls.h"
#include "ui/DialogForm.h"

namespace tavri::ui {

class TMessageForm : public TDialogForm {
  public:
    explicit TMessageForm(TApplication& application);

    // Lays the form out for one message (cp932) and shows it modally; gives IdOk, IdCancel,
    // IdYes or IdNo.
    int Ask(std::string_view text, std::string_view caption, platform::MsgIcon icon,
            platform::MsgButtons buttons);

    TShape Mark;
    std::vector<std::unique_ptr<TLabel>> Lines;
    std::vector<std::unique_ptr<TButton>> Buttons;

    void KeyDown(int& key, uint8_t shift) override;

  private:
    int escapeResult_ = platform::IdOk;
};

// Shows `text` in our own box over a window of its own when no window of the player is open, or
// inside `running` (the application of the open novel) when one is. For the message box
// service's fallback.
int ShowOwnMessageBox(TApplication* running, std::string_view text, std::string_view caption,
                      platform::MsgIcon icon, platform::MsgButtons buttons);

}  // namespace tavri::ui
