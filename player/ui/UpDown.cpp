#include "ui/UpDown.h"

#include <algorithm>
#include <charconv>
#include <string>

#include "graphics/Canvas.h"
#include "ui/ScrollBar.h"

namespace tavri::ui {

namespace {

constexpr TColor kFace = RGB(225, 225, 225);
constexpr TColor kEdge = RGB(173, 173, 173);
constexpr TColor kArrow = RGB(64, 64, 64);

void DrawHalf(TImage& canvas, int top, int width, int height, bool up, bool pressed) {
    FillRect(canvas, TRect{0, top, width, top + height}, kEdge);
    FillRect(canvas, TRect{1, top + 1, width - 1, top + height - 1},
             pressed ? RGB(204, 228, 247) : kFace);
    const int cx = width / 2, cy = top + height / 2;
    for (int row = 0; row < 3; ++row) {
        const int half = up ? row : 2 - row;
        FillRect(canvas, TRect{cx - half, cy - 1 + row, cx + half + 1, cy + row}, kArrow);
    }
}

}  // namespace

TUpDown::TUpDown(TForm& form, TControl* parent)
    : TControl(form, parent), repeat_(form.Application()) {
    repeat_.SetEnabled(false);
    repeat_.ActiveOnlyWhenAppActive = false;
    repeat_.OnTimer = [this](int) {
        repeat_.SetInterval(TScrollBar::kRepeatInterval);
        Step(held_);
    };
}

void TUpDown::SetRange(int32_t a, int32_t b) {
    min_ = std::min(a, b);
    max_ = std::max(a, b);
    SetPosition(position_);
}

void TUpDown::SetPosition(int32_t position) {
    position = std::clamp(position, min_, max_);
    const bool changed = position != position_;
    position_ = position;
    ShowInEdit();
    Invalidate();
    if (changed && OnChange) {
        OnChange(*this);
    }
}

void TUpDown::ShowInEdit() {
    if (edit_ != nullptr) {
        edit_->SetText(std::to_string(position_));
    }
}

void TUpDown::ReadEdit() {
    if (edit_ == nullptr) {
        return;
    }
    const std::string& text = edit_->Text();
    int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [next, error] = std::from_chars(text.data(), end, value);
    if (error == std::errc::result_out_of_range) {
        // Past what 64 bits hold: as far as the limits go in the number's direction.
        SetPosition(text.starts_with('-') ? min_ : max_);
        return;
    }
    if (error != std::errc() || next != end) {
        ShowInEdit();
        return;
    }
    SetPosition(int32_t(std::clamp<int64_t>(value, min_, max_)));
}

void TUpDown::Associate(TEdit* edit) {
    edit_ = edit;
    if (edit_ == nullptr) {
        return;
    }
    edit_->Accepts = [](std::string_view c) {
        return c.size() == 1 && ((c[0] >= '0' && c[0] <= '9') || c[0] == '-');
    };
    edit_->OnKey = [this](TEdit&, int key, uint8_t) {
        if (key == platform::VkUp || key == platform::VkDown) {
            Step(key == platform::VkUp ? 1 : -1);
            return true;
        }
        return false;
    };
    ShowInEdit();
}

void TUpDown::Step(int32_t delta) {
    ReadEdit();
    SetPosition(int32_t(std::clamp<int64_t>(int64_t(position_) + delta, min_, max_)));
}

void TUpDown::Paint(TImage& canvas) {
    const int half = Height / 2;
    DrawHalf(canvas, 0, Width, half, true, held_ > 0);
    DrawHalf(canvas, half, Width, Height - half, false, held_ < 0);
}

void TUpDown::MouseDown(MouseButton button, uint8_t shift, int x, int y) {
    TControl::MouseDown(button, shift, x, y);
    if (button != MouseButton::Left) {
        return;
    }
    held_ = y < Height / 2 ? 1 : -1;
    Step(held_);
    repeat_.SetInterval(TScrollBar::kRepeatDelay);
    repeat_.SetEnabled(true);
}

void TUpDown::MouseUp(MouseButton button, uint8_t shift, int x, int y) {
    TControl::MouseUp(button, shift, x, y);
    if (button == MouseButton::Left) {
        held_ = 0;
        repeat_.SetEnabled(false);
        Invalidate();
    }
}

}  // namespace tavri::ui
