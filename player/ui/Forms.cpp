#include "ui/Forms.h"

#include <algorithm>

#include "graphics/Canvas.h"
#include "ui/Application.h"

namespace tavri::ui {

bool TWindowRegion::Contains(int x, int y) const {
    switch (Style) {
        case TRegionStyle::rsRect:
            return x >= Bounds.Left && x < Bounds.Right && y >= Bounds.Top && y < Bounds.Bottom;
        case TRegionStyle::rsRoundRect:
            return RoundRectContains(Bounds, EllipseWidth, EllipseHeight, x, y);
        case TRegionStyle::rsEllipse:
            return RoundRectContains(Bounds, Bounds.Width(), Bounds.Height(), x, y);
    }
    return false;
}

// ----- Form -----

TForm::TForm(TApplication& application) : application_(application) {}

TForm::~TForm() {
    application_.Host().FormDestroyed(*this);
    for (TControl* c : controls_) {
        c->parent_ = nullptr;
    }
}

bool TForm::Active() const {
    return application_.Host().ActiveForm() == this;
}

void TForm::Show() {
    if (!visible_) {
        visible_ = true;
        Invalidate();
        application_.Host().FormShown(*this);
        if (OnShow) {
            OnShow(*this);
        }
    } else {
        application_.Host().FormShown(*this);  // brought to the front
    }
}

void TForm::Hide() {
    if (!visible_) {
        return;
    }
    visible_ = false;
    application_.Host().FormHidden(*this);
    application_.Invalidate();
    if (OnHide) {
        OnHide(*this);
    }
}

int TForm::ShowModal() {
    ModalResult = mrNone;
    TFormHost& host = application_.Host();
    host.BeginModal(*this);
    Show();
    application_.RunUntil([this] { return ModalResult != mrNone || !visible_; });
    if (ModalResult == mrNone) {
        ModalResult = mrCancel;
    }
    host.EndModal(*this);
    Hide();
    return ModalResult;
}

void TForm::Close() {
    if (application_.Host().ModalForm() == this) {
        ModalResult = mrCancel;
    } else {
        Hide();
    }
}

void TForm::CentreOnPicture() {
    Left = platform::kCanvasWidth / 2 - ClientWidth / 2;
    Top = platform::kCanvasHeight / 2 - ClientHeight / 2;
    application_.Invalidate();
}

void TForm::SetRegion(std::optional<TWindowRegion> region) {
    region_ = region;
    maskWidth_ = maskHeight_ = -1;  // rebuilt with the next composite
    application_.Invalidate();
}

void TForm::RebuildRegionMask() {
    maskWidth_ = ClientWidth;
    maskHeight_ = ClientHeight;
    regionMask_.assign(size_t(std::max(0, ClientWidth)) * size_t(std::max(0, ClientHeight)), 1);
    if (!region_) {
        return;
    }
    for (int y = 0; y < ClientHeight; ++y) {
        for (int x = 0; x < ClientWidth; ++x) {
            regionMask_[size_t(y) * size_t(ClientWidth) + size_t(x)] = region_->Contains(x, y);
        }
    }
}

bool TForm::RegionContains(int x, int y) const {
    if (x < 0 || y < 0 || x >= ClientWidth || y >= ClientHeight) {
        return false;
    }
    return !region_ || region_->Contains(x, y);
}

void TForm::SetAlpha(uint8_t alpha) {
    alpha_.store(alpha, std::memory_order_relaxed);
}

void TForm::BeginDrag() {
    application_.Host().BeginDrag(*this);
}

TControl* TForm::ControlAt(int x, int y, int& localX, int& localY) const {
    const std::vector<TControl*>* level = &controls_;
    TControl* found = nullptr;
    int ox = 0, oy = 0;
    for (;;) {
        TControl* hit = nullptr;
        for (auto it = level->rbegin(); it != level->rend(); ++it) {
            TControl* c = *it;
            const int cx = x - ox - c->Left, cy = y - oy - c->Top;
            if (c->Visible && c->Enabled && cx >= 0 && cy >= 0 && cx < c->Width && cy < c->Height) {
                hit = c;
                break;
            }
        }
        if (!hit) {
            break;
        }
        found = hit;
        ox += hit->Left;
        oy += hit->Top;
        level = &hit->children_;
    }
    localX = x - ox;
    localY = y - oy;
    return found;
}

void TForm::Invalidate() {
    dirty_ = true;
    application_.Invalidate();
}

void TForm::PaintForm(TImage& surface) {
    FillRect(surface, TRect{0, 0, surface.Width(), surface.Height()}, Color);
}

void TForm::PaintControl(TControl& control, TImage& canvas, int x, int y) {
    if (!control.Visible || control.Width <= 0 || control.Height <= 0) {
        return;
    }
    // The control draws on a canvas of its own size that starts as what lies behind it, so
    // it can never draw outside itself.
    TImage own(control.Width, control.Height);
    for (int row = 0; row < control.Height; ++row) {
        const int sy = y + row;
        if (sy < 0 || sy >= canvas.Height()) {
            continue;
        }
        const int from = std::max(0, x), to = std::min(canvas.Width(), x + control.Width);
        if (from < to) {
            std::copy(canvas.ScanLine(sy) + 3 * from, canvas.ScanLine(sy) + 3 * to,
                      own.ScanLine(row) + 3 * (from - x));
        }
    }
    control.Paint(own);
    for (TControl* child : control.children_) {
        PaintControl(*child, own, child->Left, child->Top);
    }
    DrawImage(canvas, x, y, own);
}

const TImage& TForm::Surface() {
    if (surface_.Width() != ClientWidth || surface_.Height() != ClientHeight) {
        surface_ = TImage(std::max(0, ClientWidth), std::max(0, ClientHeight));
        dirty_ = true;
    }
    if (dirty_) {
        dirty_ = false;
        PaintForm(surface_);
        for (TControl* c : controls_) {
            PaintControl(*c, surface_, c->Left, c->Top);
        }
    }
    return surface_;
}

void TForm::KeyDown(int& key, uint8_t shift) {
    if (OnKeyDown) {
        OnKeyDown(*this, key, shift);
    }
}

void TForm::DoActivate() {
    if (OnActivate) {
        OnActivate(*this);
    }
}

void TForm::DoDeactivate() {
    if (OnDeactivate) {
        OnDeactivate(*this);
    }
}

// ----- Host: compositing -----

void TFormHost::Composite(const TImage& picture, TImage& out) {
    out = picture;
    for (TForm* form : zOrder_) {
        const TImage& surface = form->Surface();
        if (form->maskWidth_ != form->ClientWidth || form->maskHeight_ != form->ClientHeight) {
            form->RebuildRegionMask();
        }
        const unsigned a = form->Alpha(), b = 255 - a;
        const int left = std::max(0, form->Left),
                  right = std::min(out.Width(), form->Left + surface.Width());
        for (int y = std::max(0, form->Top);
             y < std::min(out.Height(), form->Top + surface.Height()); ++y) {
            const int fy = y - form->Top;
            const uint8_t* src = surface.ScanLine(fy);
            const uint8_t* mask = form->regionMask_.data() + size_t(fy) * size_t(surface.Width());
            uint8_t* dst = out.ScanLine(y);
            for (int x = left; x < right; ++x) {
                const int fx = x - form->Left;
                if (!mask[fx]) {
                    continue;
                }
                for (int k = 0; k < 3; ++k) {
                    uint8_t& d = dst[3 * x + k];
                    d = uint8_t((a * src[3 * fx + k] + b * d + 127) / 255);
                }
            }
        }
    }
}

// ----- Host: forms coming and going -----

void TFormHost::FormShown(TForm& form) {
    zOrder_.erase(std::remove(zOrder_.begin(), zOrder_.end(), &form), zOrder_.end());
    zOrder_.push_back(&form);
    if (form.CanActivate) {
        Activate(&form);
    }
}

void TFormHost::FormHidden(TForm& form) {
    zOrder_.erase(std::remove(zOrder_.begin(), zOrder_.end(), &form), zOrder_.end());
    if (drag_.form == &form) {
        drag_.form = nullptr;
    }
    if (capture_ && &capture_->Form() == &form) {
        capture_ = nullptr;
    }
    if (hover_ && &hover_->Form() == &form) {
        SetHover(nullptr);
    }
    if (active_ == &form) {
        // The next form down that can take the focus takes over (never a strip of the main
        // window, such as the debug panel, which would swallow the keys), or the main window.
        TForm* next = nullptr;
        for (auto it = zOrder_.rbegin(); it != zOrder_.rend() && next == nullptr; ++it) {
            next = (*it)->CanActivate ? *it : nullptr;
        }
        Activate(next);
    }
}

void TFormHost::FormDestroyed(TForm& form) {
    if (form.visible_) {
        form.visible_ = false;
        FormHidden(form);
    }
    modal_.erase(std::remove(modal_.begin(), modal_.end(), &form), modal_.end());
    if (active_ == &form) {
        active_ = nullptr;
    }
}

void TFormHost::EndModal(TForm& form) {
    modal_.erase(std::remove(modal_.begin(), modal_.end(), &form), modal_.end());
}

void TFormHost::ControlDestroyed(TControl& control) {
    if (capture_ == &control) {
        capture_ = nullptr;
    }
    if (hover_ == &control) {
        hover_ = nullptr;
    }
}

void TFormHost::Activate(TForm* form) {
    if (active_ == form) {
        return;
    }
    TForm* previous = active_;
    active_ = form;
    if (previous && previous->visible_) {
        previous->DoDeactivate();
    }
    if (form && application_.Active()) {
        form->DoActivate();
    }
}

void TFormHost::ApplicationActivated(bool active) {
    if (!active_) {
        return;
    }
    if (active) {
        active_->DoActivate();
    } else {
        active_->DoDeactivate();
    }
}

void TFormHost::BeginDrag(TForm& form) {
    drag_.form = &form;
    drag_.pointerX = lastX_;
    drag_.pointerY = lastY_;
    drag_.left = form.Left;
    drag_.top = form.Top;
}

}  // namespace tavri::ui
