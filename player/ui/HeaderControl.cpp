#include "ui/HeaderControl.h"

#include <algorithm>
#include <cstdlib>

#include "graphics/Canvas.h"
#include "graphics/CanvasText.h"

namespace tavri::ui {

namespace {

constexpr TColor kFace = RGB(240, 240, 240);
constexpr TColor kDivider = RGB(160, 160, 160);

}  // namespace

int THeaderControl::SectionLeft(int index) const {
    int left = 0;
    for (int i = 0; i < index && i < int(Sections.size()); ++i) {
        left += Sections[size_t(i)].Width;
    }
    return left;
}

void THeaderControl::Paint(TImage& canvas) {
    FillRect(canvas, TRect{0, 0, Width, Height}, kFace);
    FillRect(canvas, TRect{0, Height - 1, Width, Height}, kDivider);
    int left = 0;
    for (const THeaderSection& section : Sections) {
        TImage cell(std::max(1, section.Width - 5), Height);
        FillRect(cell, TRect{0, 0, cell.Width(), cell.Height()}, kFace);
        CanvasTextOut(cell, 0, 1, section.Text, Font, 0, std::nullopt, TGlyphRendering::Grey);
        DrawImage(canvas, left + 4, 0, cell);  // clipped to the section
        left += section.Width;
        FillRect(canvas, TRect{left - 1, 2, left, Height - 3}, kDivider);
    }
}

void THeaderControl::MouseDown(MouseButton button, uint8_t shift, int x, int y) {
    TControl::MouseDown(button, shift, x, y);
    if (button != MouseButton::Left) {
        return;
    }
    for (int i = 0; i < int(Sections.size()); ++i) {
        if (std::abs(x - (SectionLeft(i) + Sections[size_t(i)].Width)) <= kGrip) {
            resizing_ = i;
            return;
        }
    }
}

void THeaderControl::MouseMove(uint8_t shift, int x, int y) {
    TControl::MouseMove(shift, x, y);
    if (resizing_ < 0) {
        return;
    }
    THeaderSection& section = Sections[size_t(resizing_)];
    const int width = std::max(section.MinWidth, x - SectionLeft(resizing_));
    if (width != section.Width) {
        section.Width = width;
        Invalidate();
        if (OnSectionResize) {
            OnSectionResize(*this, resizing_);
        }
    }
}

void THeaderControl::MouseUp(MouseButton button, uint8_t shift, int x, int y) {
    TControl::MouseUp(button, shift, x, y);
    resizing_ = -1;
}

}  // namespace tavri::ui
