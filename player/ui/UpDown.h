#pragma once

// The two small arrow buttons beside an edit that step a number: the upper one up, the lower
// one down, within Min..Max and without wrapping; a held button repeats. Bound to an edit it
// shows its position there, takes the edit's text as the position before stepping (a number
// typed out of range is brought into it), and lets Up and Down in the edit step it too.

#include <cstdint>
#include <functional>

#include "ui/Application.h"
#include "ui/Controls.h"
#include "ui/Edit.h"

namespace tavri::ui {

class TUpDown : public TControl {
  public:
    explicit TUpDown(TForm& form, TControl* parent = nullptr);

    int32_t Min() const { return min_; }
    int32_t Max() const { return max_; }
    int32_t Position() const { return position_; }
    // The lower and the higher of the two become the limits; the position is kept inside.
    void SetRange(int32_t a, int32_t b);
    // Clamped to the limits; the edit shows it.
    void SetPosition(int32_t position);
    // Takes the edit's text as the position (clamped); text that is no number leaves the
    // position and puts it back in the edit.
    void ReadEdit();
    void Associate(TEdit* edit);
    // Steps by `delta` from the edit's number.
    void Step(int32_t delta);

    std::function<void(TUpDown& sender)> OnChange;

    void Paint(TImage& canvas) override;
    void MouseDown(MouseButton button, uint8_t shift, int x, int y) override;
    void MouseUp(MouseButton button, uint8_t shift, int x, int y) override;

  private:
    void ShowInEdit();

    int32_t min_ = 0, max_ = 100, position_ = 0;
    TEdit* edit_ = nullptr;
    int32_t held_ = 0;  // the step a held button repeats, 0 when none is held
    TIdleTimer repeat_;
};

}  // namespace tavri::ui
