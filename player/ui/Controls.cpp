#include "ui/Controls.h"

#include <algorithm>

#include "graphics/Canvas.h"
#include "graphics/CanvasText.h"
#include "ui/Application.h"
#include "ui/Forms.h"

namespace tavri::ui {

TControl::TControl(TForm& form, TControl* parent) : form_(form), parent_(parent) {
    (parent ? parent->children_ : form.controls_).push_back(this);
}

TControl::~TControl() {
    form_.application_.Host().ControlDestroyed(*this);
    if (form_.FocusedControl == this) {
        form_.FocusedControl = nullptr;
    }
    auto& siblings = parent_ ? parent_->children_ : form_.controls_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    for (TControl* child : children_) {
        child->parent_ = nullptr;  // orphans are never drawn again
    }
}

void TControl::SetBounds(int left, int top, int width, int height) {
    Left = left;
    Top = top;
    Width = width;
    Height = height;
    Invalidate();
}

void TControl::FormOrigin(int& x, int& y) const {
    x = Left;
    y = Top;
    for (const TControl* p = parent_; p; p = p->parent_) {
        x += p->Left;
        y += p->Top;
    }
}

void TControl::Invalidate() {
    form_.Invalidate();
}

void TControl::Paint(TImage&) {}

void TControl::MouseDown(MouseButton button, uint8_t shift, int x, int y) {
    if (OnMouseDown) {
        OnMouseDown(*this, button, shift, x, y);
    }
}

void TControl::MouseUp(MouseButton button, uint8_t shift, int x, int y) {
    if (OnMouseUp) {
        OnMouseUp(*this, button, shift, x, y);
    }
}

void TControl::MouseMove(uint8_t shift, int x, int y) {
    if (OnMouseMove) {
        OnMouseMove(*this, shift, x, y);
    }
}

void TControl::Click() {
    if (OnClick) {
        OnClick(*this);
    }
}

void TControl::KeyDown(int&, uint8_t) {}

void TControl::TextInput(const std::string&) {}

bool TControl::MouseWheel(int, uint8_t) {
    return false;
}

namespace {

// Docks the aligned controls of one container in creation order: top ones from the top down,
// bottom ones from the bottom up, a client one into what is left.
void AlignControls(const std::vector<TControl*>& controls, int width, int height) {
    int top = 0, bottom = height;
    for (TControl* c : controls) {
        if (!c->Visible) {
            continue;
        }
        if (c->Align == TAlign::alTop) {
            c->Left = 0;
            c->Top = top;
            c->Width = width;
            top += c->Height;
        } else if (c->Align == TAlign::alBottom) {
            bottom -= c->Height;
            c->Left = 0;
            c->Top = bottom;
            c->Width = width;
        }
    }
    for (TControl* c : controls) {
        if (c->Visible && c->Align == TAlign::alClient) {
            c->SetBounds(0, top, width, std::max(0, bottom - top));
        }
    }
}

}  // namespace

void TControl::Realign() {
    AlignControls(children_, Width, Height);
    for (TControl* child : children_) {
        child->Realign();
    }
}

void TForm::Realign() {
    AlignControls(controls_, ClientWidth, ClientHeight);
    for (TControl* c : controls_) {
        c->Realign();
    }
    Invalidate();
}

// ----- Image -----

void TImageControl::SetPicture(const TImage& picture) {
    Picture = picture;
    Invalidate();
}

void TImageControl::Paint(TImage& canvas) {
    if (Picture.Empty()) {
        return;
    }
    int x = 0, y = 0;
    if (Center) {
        x = (Width - Picture.Width()) / 2;
        y = (Height - Picture.Height()) / 2;
    }
    DrawImage(canvas, x, y, Picture);
}

// ----- Label -----

void TLabel::SetCaption(std::string cp932) {
    Caption = std::move(cp932);
    Invalidate();
}

void TLabel::Paint(TImage& canvas) {
    if (!Transparent) {
        FillRect(canvas, TRect{0, 0, Width, Height}, Color);
    }
    if (Caption.empty()) {
        return;
    }
    const int textWidth = TextExtent(Font, Caption).Width;
    int x = 0;
    if (Alignment == TAlignment::taCenter) {
        x = Width / 2 - textWidth / 2;
    } else if (Alignment == TAlignment::taRightJustify) {
        x = Width - textWidth;
    }
    CanvasTextOut(canvas, x, 0, Caption, Font, FontColor, std::nullopt, TGlyphRendering::Grey);
}

// ----- Panel -----

void TPanel::Paint(TImage& canvas) {
    FillRect(canvas, TRect{0, 0, Width, Height}, Color);
}

// ----- Shape -----

void TShape::Paint(TImage& canvas) {
    const TRect outer{0, 0, Width, Height};
    const int pen = std::max(0, PenWidth);
    const TRect inner{pen, pen, Width - pen, Height - pen};
    switch (Shape) {
        case TShapeType::stRectangle:
            if (pen > 0) {
                FillRect(canvas, TRect{0, 0, Width, pen}, PenColor);
                FillRect(canvas, TRect{0, Height - pen, Width, Height}, PenColor);
                FillRect(canvas, TRect{0, pen, pen, Height - pen}, PenColor);
                FillRect(canvas, TRect{Width - pen, pen, Width, Height - pen}, PenColor);
            }
            if (!BrushClear) {
                FillRect(canvas, inner, BrushColor);
            }
            break;
        case TShapeType::stRoundRect:
        case TShapeType::stEllipse: {
            const bool ellipse = Shape == TShapeType::stEllipse;
            const int ew = ellipse ? Width : std::min(Width, Height) / 4;
            const int eh = ellipse ? Height : std::min(Width, Height) / 4;
            for (int y = 0; y < Height; ++y) {
                for (int x = 0; x < Width; ++x) {
                    if (!RoundRectContains(outer, ew, eh, x, y)) {
                        continue;
                    }
                    const bool inside = RoundRectContains(inner, std::max(0, ew - 2 * pen),
                                                          std::max(0, eh - 2 * pen), x, y);
                    if (!inside && pen > 0) {
                        canvas.SetPixel(x, y, PenColor);
                    } else if (inside && !BrushClear) {
                        canvas.SetPixel(x, y, BrushColor);
                    }
                }
            }
            break;
        }
    }
}

// ----- Paint box -----

void TPaintBox::Paint(TImage& canvas) {
    if (OnPaint) {
        OnPaint(*this, canvas);
    }
}

}  // namespace tavri::ui
