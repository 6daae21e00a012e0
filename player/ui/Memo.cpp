#include "ui/Memo.h"

#include <algorithm>

#include "graphics/Canvas.h"
#include "graphics/CanvasText.h"
#include "platform/TextEncoding.h"

namespace tavri::ui {

namespace {

constexpr int kMargin = 1;

// Cuts `line` into pieces no wider than `width`; a piece holds at least one character.
void Wrap(const std::string& line, const TFont& font, int width, std::vector<std::string>& out) {
    if (line.empty()) {
        out.emplace_back();
        return;
    }
    size_t start = 0;
    while (start < line.size()) {
        size_t end = start + platform::CharLength(line, start);
        while (end < line.size()) {
            const size_t next = end + platform::CharLength(line, end);
            if (TextExtent(font, std::string_view(line).substr(start, next - start)).Width >
                width) {
                break;
            }
            end = next;
        }
        out.push_back(line.substr(start, end - start));
        start = end;
    }
}

}  // namespace

TMemo::TMemo(TForm& form, TControl* parent) : TControl(form, parent), VertScrollBar(form, this) {
    VertScrollBar.OnChange = [this](TScrollBar&) { Invalidate(); };
}

void TMemo::Append(std::string_view cp932) {
    bool inLine = open_ && !lines_.empty();
    for (size_t i = 0; i < cp932.size(); ++i) {
        const char c = cp932[i];
        if (c == '\r' || c == '\n') {
            if (!inLine) {
                lines_.emplace_back();  // an empty line
            }
            inLine = false;
            if (c == '\r' && i + 1 < cp932.size() && cp932[i + 1] == '\n') {
                ++i;
            }
            continue;
        }
        if (!inLine) {
            lines_.emplace_back();
            inLine = true;
        }
        lines_.back().push_back(c);
    }
    open_ = inLine;
    laidOutWidth_ = -1;
    Invalidate();
}

void TMemo::Clear() {
    lines_.clear();
    open_ = false;
    laidOutWidth_ = -1;
    Invalidate();
}

int TMemo::LineHeight() const {
    return std::max(1, MetricsOf(Font).LineHeight());
}

int TMemo::VisibleLineCount() const {
    return std::max(1, (Height - 2 * kMargin) / LineHeight());
}

void TMemo::Layout() {
    VertScrollBar.SetBounds(Width - TScrollBar::kWidth, 0, TScrollBar::kWidth, Height);
    if (laidOutWidth_ == Width && laidOutHeight_ == Height && laidOutFont_ == Font) {
        return;
    }
    laidOutWidth_ = Width;
    laidOutHeight_ = Height;
    laidOutFont_ = Font;
    display_.clear();
    const int textWidth = std::max(1, Width - TScrollBar::kWidth - 2 * kMargin);
    for (const std::string& line : lines_) {
        Wrap(line, Font, textWidth, display_);
    }
    VertScrollBar.SetRange(0, std::max(0, int(display_.size()) - 1), VisibleLineCount());
}

const std::vector<std::string>& TMemo::DisplayLines() {
    Layout();
    return display_;
}

void TMemo::Paint(TImage& canvas) {
    Layout();
    FillRect(canvas, TRect{0, 0, Width, Height}, Color);
    const int height = LineHeight();
    const int first = TopLine();
    for (int row = 0; row <= VisibleLineCount(); ++row) {
        const size_t index = size_t(first + row);
        if (index >= display_.size()) {
            break;
        }
        CanvasTextOut(canvas, kMargin, kMargin + row * height, display_[index], Font, FontColor,
                      std::nullopt, TGlyphRendering::Grey);
    }
}

bool TMemo::MouseWheel(int notches, uint8_t shift) {
    Layout();
    return VertScrollBar.MouseWheel(notches, shift);
}

}  // namespace tavri::ui
