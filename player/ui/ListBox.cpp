#include "ui/ListBox.h"

#include <algorithm>
#include <cstdlib>

#include "graphics/Canvas.h"
#include "graphics/CanvasText.h"
#include "platform/TextEncoding.h"
#include "ui/Application.h"
#include "ui/Forms.h"

namespace tavri::ui {

std::string SortKey(std::string_view cp932) {
    std::string key(cp932);
    for (size_t i = 0; i < key.size();) {
        const size_t length = platform::CharLength(key, i);
        if (length == 1 && key[i] >= 'a' && key[i] <= 'z') {
            key[i] = char(key[i] - 'a' + 'A');
        }
        i += length;
    }
    return key;
}

TListBox::TListBox(TForm& form, TControl* parent)
    : TControl(form, parent), VertScrollBar(form, this) {
    VertScrollBar.OnChange = [this](TScrollBar&) { Invalidate(); };
}

int TListBox::Add(std::string cp932) {
    std::string key = SortKey(cp932);
    size_t at = items_.size();
    if (Sorted) {
        // After every equal key, so equal names stay in the order they came.
        const auto place = std::upper_bound(
            keys_.begin(), keys_.end(), key, [](const std::string& a, const std::string& b) {
                return std::lexicographical_compare(
                    a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return uint8_t(x) < uint8_t(y); });
            });
        at = size_t(place - keys_.begin());
    }
    items_.insert(items_.begin() + std::ptrdiff_t(at), std::move(cp932));
    keys_.insert(keys_.begin() + std::ptrdiff_t(at), std::move(key));
    if (itemIndex_ >= int(at)) {
        ++itemIndex_;
    }
    Layout();
    Invalidate();
    return int(at);
}

void TListBox::Delete(int index) {
    if (index < 0 || index >= Count()) {
        return;
    }
    items_.erase(items_.begin() + index);
    keys_.erase(keys_.begin() + index);
    if (itemIndex_ == index) {
        itemIndex_ = -1;
    } else if (itemIndex_ > index) {
        --itemIndex_;
    }
    Layout();
    Invalidate();
}

void TListBox::Clear() {
    items_.clear();
    keys_.clear();
    itemIndex_ = -1;
    Layout();
    Invalidate();
}

int TListBox::VisibleRows() const {
    return std::max(1, Height / std::max(1, ItemHeight));
}

void TListBox::Layout() {
    VertScrollBar.SetBounds(Width - TScrollBar::kWidth, 0, TScrollBar::kWidth, Height);
    VertScrollBar.SetRange(0, std::max(0, Count() - 1), VisibleRows());
}

int TListBox::TextWidth() const {
    return Width - TScrollBar::kWidth;
}

void TListBox::MakeVisible(int index) {
    Layout();
    if (index < 0 || index >= Count()) {
        return;
    }
    if (index < TopIndex()) {
        SetTopIndex(index);
    } else if (index >= TopIndex() + VisibleRows()) {
        SetTopIndex(index - VisibleRows() + 1);
    }
}

void TListBox::SetItemIndex(int index) {
    Select(index, false);
}

void TListBox::Select(int index, bool byUser) {
    if (index < 0 || index >= Count()) {
        index = -1;
    }
    const bool changed = index != itemIndex_;
    itemIndex_ = index;
    MakeVisible(index);
    Invalidate();
    if (byUser && changed && OnClick) {
        OnClick(*this);
    }
}

int TListBox::RowAt(int y) const {
    if (y < 0 || ItemHeight <= 0) {
        return -1;
    }
    const int row = TopIndex() + y / ItemHeight;
    return row < Count() ? row : -1;
}

void TListBox::Paint(TImage& canvas) {
    Layout();
    FillRect(canvas, TRect{0, 0, Width, Height}, Color);
    const int width = TextWidth();
    for (int row = 0; row <= VisibleRows(); ++row) {
        const int index = TopIndex() + row;
        if (index >= Count()) {
            break;
        }
        const TRect rect{0, row * ItemHeight, width, (row + 1) * ItemHeight};
        const bool selected = index == itemIndex_;
        FillRect(canvas, rect, selected ? kSelection : Color);
        if (OnDrawItem) {
            OnDrawItem(*this, canvas, index, rect, selected);
        } else {
            CanvasTextOut(canvas, rect.Left + 2, rect.Top + 1, items_[size_t(index)], Font,
                          selected ? RGB(255, 255, 255) : FontColor, std::nullopt,
                          TGlyphRendering::Grey);
        }
    }
}

void TListBox::MouseDown(MouseButton button, uint8_t shift, int x, int y) {
    TControl::MouseDown(button, shift, x, y);
    Form().FocusedControl = this;
    if (button != MouseButton::Left || x >= TextWidth()) {
        return;
    }
    const int row = RowAt(y);
    const uint32_t now = Form().Application().Clock().Now();
    const bool second = hasLastDown_ && row >= 0 && row == lastDownRow_ &&
                        now - lastDownTime_ <= kDoubleClickTime && std::abs(x - lastDownX_) <= 4 &&
                        std::abs(y - lastDownY_) <= 4;
    if (row >= 0) {
        Select(row, true);
    }
    if (second) {
        hasLastDown_ = false;  // a third press starts a new pair
        if (OnDblClick) {
            OnDblClick(*this);
        }
        return;
    }
    hasLastDown_ = true;
    lastDownTime_ = now;
    lastDownRow_ = row;
    lastDownX_ = x;
    lastDownY_ = y;
}

void TListBox::KeyDown(int& key, uint8_t shift) {
    TControl::KeyDown(key, shift);
    if (Count() == 0) {
        return;
    }
    const int current = std::max(itemIndex_, 0);
    int next = -2;
    switch (key) {
        case platform::VkUp:
            next = itemIndex_ < 0 ? 0 : current - 1;
            break;
        case platform::VkDown:
            next = itemIndex_ < 0 ? 0 : current + 1;
            break;
        case platform::VkPrior:
            next = current - (VisibleRows() - 1);
            break;
        case platform::VkNext:
            next = current + (VisibleRows() - 1);
            break;
        case platform::VkHome:
            next = 0;
            break;
        case platform::VkEnd:
            next = Count() - 1;
            break;
        default:
            return;
    }
    Select(std::clamp(next, 0, Count() - 1), true);
    key = 0;
}

bool TListBox::MouseWheel(int notches, uint8_t shift) {
    Layout();
    return VertScrollBar.MouseWheel(notches, shift);
}

}  // namespace tavri::ui
