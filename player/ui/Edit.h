#pragma once

// A single line of text the user types into, with a caret: the arrow keys, Home and End move
// it, Backspace and Delete remove a character (a double-byte character as one), typed text is
// inserted at it. `Accepts` may turn characters away (an edit for numbers takes digits only).

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "ui/Controls.h"

namespace tavri::ui {

class TEdit : public TControl {
  public:
    using TControl::TControl;

    TFont Font;
    TColor Color = RGB(255, 255, 255);
    TColor FontColor = 0;
    // Asked for each typed character (cp932, one or two bytes); none means all are taken.
    std::function<bool(std::string_view character)> Accepts;
    std::function<void(TEdit& sender)> OnChange;
    // A key the edit does not use itself (Up and Down, for one); true when the owner took it.
    std::function<bool(TEdit& sender, int key, uint8_t shift)> OnKey;

    const std::string& Text() const { return text_; }
    // Replaces the text; the caret goes to its end.
    void SetText(std::string cp932);
    size_t CaretPosition() const { return caret_; }
    bool Focused() const;

    void Paint(TImage& canvas) override;
    void MouseDown(MouseButton button, uint8_t shift, int x, int y) override;
    void KeyDown(int& key, uint8_t shift) override;
    void TextInput(const std::string& cp932) override;

  private:
    void Changed();
    size_t PreviousCharacter(size_t at) const;

    std::string text_;
    size_t caret_ = 0;
};

}  // namespace tavri::ui
