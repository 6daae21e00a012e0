#include "ui/ScrollBar.h"

#include <algorithm>

#include "graphics/Canvas.h"
#include "ui/Forms.h"

namespace tavri::ui {

namespace {

constexpr TColor kTrack = RGB(240, 240, 240);
constexpr TColor kThumb = RGB(205, 205, 205);
constexpr TColor kThumbPressed = RGB(166, 166, 166);
constexpr TColor kArrow = RGB(96, 96, 96);

// A small filled triangle pointing up or down, centred in the square at (0, top).
void DrawArrow(TImage& canvas, int top, int size, bool up) {
    const int cx = size / 2, cy = top + size / 2;
    for (int row = 0; row < 4; ++row) {
        const int half = up ? row : 3 - row;
        FillRect(canvas, TRect{cx - half, cy - 2 + row, cx + half + 1, cy - 1 + row}, kArrow);
    }
}

}  // namespace

TScrollBar::TScrollBar(TForm& form, TControl* parent)
    : TControl(form, parent), repeat_(form.Application()) {
    Width = kWidth;
    repeat_.SetEnabled(false);
    repeat_.ActiveOnlyWhenAppActive = false;
    repeat_.OnTimer = [this](int) { RepeatTick(); };
}

int TScrollBar::LastPosition() const {
    return std::max(min_, max_ - page_ + 1);
}

void TScrollBar::SetRange(int min, int max, int pageSize) {
    min_ = min;
    max_ = std::max(min, max);
    page_ = std::max(1, pageSize);
    SetPosition(position_);
    Invalidate();
}

void TScrollBar::SetPosition(int position) {
    position = std::clamp(position, min_, LastPosition());
    if (position == position_) {
        return;
    }
    position_ = position;
    Invalidate();
    if (OnChange) {
        OnChange(*this);
    }
}

int TScrollBar::ArrowHeight() const {
    // Arrows share a bar too short for both at full size.
    return std::min(Width, Height / 2);
}

int TScrollBar::ThumbHeight() const {
    const int span = max_ - min_ + 1;
    const int track = TrackHeight();
    if (track <= 0) {
        return 0;
    }
    const int64_t height = int64_t(track) * std::min(page_, span) / span;
    return std::min(track, std::max<int>(kMinThumb, int(height)));
}

int TScrollBar::ThumbTop() const {
    const int range = LastPosition() - min_;
    const int room = TrackHeight() - ThumbHeight();
    const int64_t offset = range > 0 ? int64_t(room) * (position_ - min_) / range : 0;
    return ArrowHeight() + int(offset);
}

TScrollBar::TPart TScrollBar::PartAt(int y) const {
    if (y < ArrowHeight()) {
        return TPart::UpArrow;
    }
    if (y >= Height - ArrowHeight()) {
        return TPart::DownArrow;
    }
    if (LastPosition() == min_) {
        return TPart::None;  // nothing to scroll: the track is inert
    }
    if (y < ThumbTop()) {
        return TPart::PageUp;
    }
    if (y >= ThumbTop() + ThumbHeight()) {
        return TPart::PageDown;
    }
    return TPart::Thumb;
}

void TScrollBar::Paint(TImage& canvas) {
    FillRect(canvas, TRect{0, 0, Width, Height}, kTrack);
    const int arrow = ArrowHeight();
    DrawArrow(canvas, 0, arrow, true);
    DrawArrow(canvas, Height - arrow, arrow, false);
    if (LastPosition() > min_) {
        const int top = ThumbTop();
        FillRect(canvas, TRect{2, top, Width - 2, top + ThumbHeight()},
                 pressed_ == TPart::Thumb ? kThumbPressed : kThumb);
    }
}

void TScrollBar::Act(TPart part) {
    switch (part) {
        case TPart::UpArrow:
            Scroll(-1);
            break;
        case TPart::DownArrow:
            Scroll(1);
            break;
        case TPart::PageUp:
            Scroll(-page_);
            break;
        case TPart::PageDown:
            Scroll(page_);
            break;
        default:
            break;
    }
}

void TScrollBar::MouseDown(MouseButton button, uint8_t shift, int x, int y) {
    TControl::MouseDown(button, shift, x, y);
    if (button != MouseButton::Left) {
        return;
    }
    pressed_ = PartAt(y);
    lastY_ = y;
    if (pressed_ == TPart::Thumb) {
        dragOffset_ = y - ThumbTop();
        Invalidate();
        return;
    }
    Act(pressed_);
    repeat_.SetInterval(kRepeatDelay);
    repeat_.SetEnabled(pressed_ != TPart::None);
}

void TScrollBar::RepeatTick() {
    repeat_.SetInterval(kRepeatInterval);
    // A page press stops once the thumb has come to the pointer.
    const TPart now = PartAt(lastY_);
    if ((pressed_ == TPart::PageUp || pressed_ == TPart::PageDown) && now != pressed_) {
        return;
    }
    Act(pressed_);
}

void TScrollBar::MouseMove(uint8_t shift, int x, int y) {
    TControl::MouseMove(shift, x, y);
    lastY_ = y;
    if (pressed_ != TPart::Thumb) {
        return;
    }
    const int room = TrackHeight() - ThumbHeight();
    const int range = LastPosition() - min_;
    if (room <= 0 || range <= 0) {
        return;
    }
    const int offset = std::clamp(y - dragOffset_ - ArrowHeight(), 0, room);
    // Rounded to the nearest position, so the thumb lands where it was let go.
    SetPosition(min_ + int((int64_t(offset) * range + room / 2) / room));
}

void TScrollBar::MouseUp(MouseButton button, uint8_t shift, int x, int y) {
    TControl::MouseUp(button, shift, x, y);
    if (button == MouseButton::Left) {
        pressed_ = TPart::None;
        repeat_.SetEnabled(false);
        Invalidate();
    }
}

bool TScrollBar::MouseWheel(int notches, uint8_t) {
    Scroll(-3 * notches);
    return true;
}

}  // namespace tavri::ui
