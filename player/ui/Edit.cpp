#include "ui/Edit.h"

#include <algorithm>

#include "graphics/Canvas.h"
#include "graphics/CanvasText.h"
#include "platform/TextEncoding.h"
#include "ui/Forms.h"

namespace tavri::ui {

namespace {

constexpr int kBorder = 2;
constexpr TColor kShadow = RGB(160, 160, 160);
constexpr TColor kLight = RGB(227, 227, 227);

}  // namespace

void TEdit::SetText(std::string cp932) {
    if (cp932 == text_) {
        caret_ = text_.size();
        return;
    }
    text_ = std::move(cp932);
    caret_ = text_.size();
    Changed();
}

bool TEdit::Focused() const {
    return Form().FocusedControl == this;
}

void TEdit::Changed() {
    Invalidate();
    if (OnChange) {
        OnChange(*this);
    }
}

size_t TEdit::PreviousCharacter(size_t at) const {
    // Characters are found from the start: a trail byte may look like a lead byte.
    size_t previous = 0;
    for (size_t i = 0; i < at;) {
        previous = i;
        i += platform::CharLength(text_, i);
    }
    return previous;
}

void TEdit::Paint(TImage& canvas) {
    FillRect(canvas, TRect{0, 0, Width, Height}, Color);
    FillRect(canvas, TRect{0, 0, Width, 1}, kShadow);
    FillRect(canvas, TRect{0, 0, 1, Height}, kShadow);
    FillRect(canvas, TRect{0, Height - 1, Width, Height}, kLight);
    FillRect(canvas, TRect{Width - 1, 0, Width, Height}, kLight);
    const int textHeight = MetricsOf(Font).LineHeight();
    const int top = std::max(kBorder, (Height - textHeight) / 2);
    TImage inside(std::max(1, Width - 2 * kBorder), std::max(1, Height - 2 * kBorder));
    FillRect(inside, TRect{0, 0, inside.Width(), inside.Height()}, Color);
    // The caret is kept in sight: the text slides left when it would pass the right edge.
    const int caretX = TextExtent(Font, std::string_view(text_).substr(0, caret_)).Width;
    const int shift = std::max(0, caretX - (inside.Width() - 2));
    CanvasTextOut(inside, 1 - shift, top - kBorder, text_, Font, FontColor, std::nullopt,
                  TGlyphRendering::Grey);
    if (Focused()) {
        const int x = 1 + caretX - shift;
        FillRect(inside, TRect{x, top - kBorder, x + 1, top - kBorder + textHeight}, 0);
    }
    DrawImage(canvas, kBorder, kBorder, inside);
}

void TEdit::MouseDown(MouseButton button, uint8_t shift, int x, int y) {
    TControl::MouseDown(button, shift, x, y);
    Form().FocusedControl = this;
    // The caret goes to the character boundary nearest the click.
    size_t best = 0;
    int bestDistance = 1 << 30;
    for (size_t i = 0;; i += platform::CharLength(text_, i)) {
        const int at = kBorder + 1 + TextExtent(Font, std::string_view(text_).substr(0, i)).Width;
        if (std::abs(at - x) < bestDistance) {
            bestDistance = std::abs(at - x);
            best = i;
        }
        if (i >= text_.size()) {
            break;
        }
    }
    caret_ = best;
    Invalidate();
}

void TEdit::KeyDown(int& key, uint8_t shift) {
    TControl::KeyDown(key, shift);
    switch (key) {
        case platform::VkLeft:
            caret_ = caret_ > 0 ? PreviousCharacter(caret_) : 0;
            break;
        case platform::VkRight:
            caret_ =
                caret_ < text_.size() ? caret_ + platform::CharLength(text_, caret_) : text_.size();
            break;
        case platform::VkHome:
            caret_ = 0;
            break;
        case platform::VkEnd:
            caret_ = text_.size();
            break;
        case platform::VkBack:
            if (caret_ > 0) {
                const size_t from = PreviousCharacter(caret_);
                text_.erase(from, caret_ - from);
                caret_ = from;
                Changed();
            }
            break;
        case platform::VkDelete:
            if (caret_ < text_.size()) {
                text_.erase(caret_, platform::CharLength(text_, caret_));
                Changed();
            }
            break;
        default:
            if (OnKey && OnKey(*this, key, shift)) {
                key = 0;
            }
            return;
    }
    key = 0;
    Invalidate();
}

void TEdit::TextInput(const std::string& cp932) {
    bool changed = false;
    for (size_t i = 0; i < cp932.size();) {
        const size_t length = platform::CharLength(cp932, i);
        const std::string_view character = std::string_view(cp932).substr(i, length);
        i += length;
        if (uint8_t(character[0]) < 0x20 || (Accepts && !Accepts(character))) {
            continue;
        }
        text_.insert(caret_, character);
        caret_ += length;
        changed = true;
    }
    if (changed) {
        Changed();
    }
}

}  // namespace tavri::ui
