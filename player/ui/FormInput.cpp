// How the form host routes the mouse and the keys: a form takes what falls on its region; a
// button pressed on a control captures the mouse for that control until it is released; the
// control under the pointer gets enter and leave; keys go to the active form. While a modal form
// is up, nothing below it gets any input, as a disabled window would not.

#include <algorithm>

#include "ui/Application.h"
#include "ui/Forms.h"

namespace tavri::ui {

using platform::TInputEvent;

TForm* TFormHost::FormAt(int x, int y) const {
    for (auto it = zOrder_.rbegin(); it != zOrder_.rend(); ++it) {
        TForm* form = *it;
        if (form->RegionContains(x - form->Left, y - form->Top)) {
            return form;
        }
    }
    return nullptr;
}

bool TFormHost::Reachable(const TForm* form) const {
    const TForm* modal = ModalForm();
    if (!modal || form == modal) {
        return true;
    }
    // Forms shown above the modal one (a menu it opened) stay usable.
    const auto at = std::find(zOrder_.begin(), zOrder_.end(), form);
    const auto modalAt = std::find(zOrder_.begin(), zOrder_.end(), modal);
    return at != zOrder_.end() && modalAt != zOrder_.end() && at > modalAt;
}

void TFormHost::SetHover(TControl* control) {
    if (control == hover_) {
        return;
    }
    TControl* previous = hover_;
    hover_ = control;
    if (previous) {
        previous->MouseLeave();
    }
    if (control && hover_ == control) {
        control->MouseEnter();
    }
}

bool TFormHost::Dispatch(const TInputEvent& event) {
    switch (event.kind) {
        case TInputEvent::Kind::MouseDown:
            return MouseDown(event);
        case TInputEvent::Kind::MouseMove:
            return MouseMove(event);
        case TInputEvent::Kind::MouseUp:
            return MouseUp(event);
        case TInputEvent::Kind::MouseWheel:
            return MouseWheel(event);
        case TInputEvent::Kind::KeyDown:
        case TInputEvent::Kind::KeyUp:
        case TInputEvent::Kind::Text:
            return KeyEvent(event);
        default:
            return false;
    }
}

bool TFormHost::MouseDown(const TInputEvent& event) {
    lastX_ = event.x;
    lastY_ = event.y;
    lastShift_ = event.shift;
    if (capture_) {
        // Another button while one is held goes to the same control.
        int ox, oy;
        capture_->FormOrigin(ox, oy);
        const TForm& form = capture_->Form();
        capture_->MouseDown(event.button, event.shift, event.x - form.Left - ox,
                            event.y - form.Top - oy);
        return true;
    }
    TForm* form = FormAt(event.x, event.y);
    if (!form) {
        if (ModalForm()) {
            return true;
        }
        Activate(nullptr);  // the main window takes the focus back
        return false;
    }
    if (!Reachable(form) || !form->Enabled) {
        return true;
    }
    if (form->CanActivate && (form != active_ || zOrder_.back() != form)) {
        FormShown(*form);
        application_.Invalidate();
    }
    int lx, ly;
    TControl* control = form->ControlAt(event.x - form->Left, event.y - form->Top, lx, ly);
    if (control) {
        capture_ = control;
        control->MouseDown(event.button, event.shift, lx, ly);
    }
    return true;
}

bool TFormHost::MouseMove(const TInputEvent& event) {
    lastX_ = event.x;
    lastY_ = event.y;
    lastShift_ = event.shift;
    if (TForm* form = drag_.form) {
        const int maxLeft = std::max(0, platform::kCanvasWidth - form->ClientWidth);
        const int maxTop = std::max(0, platform::kCanvasHeight - form->ClientHeight);
        form->Left = std::clamp(drag_.left + event.x - drag_.pointerX, 0, maxLeft);
        form->Top = std::clamp(drag_.top + event.y - drag_.pointerY, 0, maxTop);
        application_.Invalidate();
        return true;
    }
    TForm* form = FormAt(event.x, event.y);
    TControl* under = nullptr;
    int lx = 0, ly = 0;
    if (form && Reachable(form) && form->Enabled) {
        under = form->ControlAt(event.x - form->Left, event.y - form->Top, lx, ly);
    }
    SetHover(under);
    if (capture_) {
        int ox, oy;
        capture_->FormOrigin(ox, oy);
        const TForm& owner = capture_->Form();
        capture_->MouseMove(event.shift, event.x - owner.Left - ox, event.y - owner.Top - oy);
        return true;
    }
    if (under) {
        under->MouseMove(event.shift, lx, ly);
    }
    return form != nullptr || ModalForm() != nullptr;
}

bool TFormHost::MouseUp(const TInputEvent& event) {
    lastX_ = event.x;
    lastY_ = event.y;
    lastShift_ = event.shift;
    if (TControl* control = capture_) {
        const bool dragged = drag_.form != nullptr;
        drag_.form = nullptr;
        capture_ = nullptr;
        int ox, oy;
        control->FormOrigin(ox, oy);
        const TForm& owner = control->Form();
        const int lx = event.x - owner.Left - ox, ly = event.y - owner.Top - oy;
        // After a drag the control only hears that the button is up, so it does not stay
        // pressed; a click needs the release inside the control.
        control->MouseUp(event.button, event.shift, lx, ly);
        if (!dragged && event.button == MouseButton::Left && lx >= 0 && ly >= 0 &&
            lx < control->Width && ly < control->Height) {
            control->Click();
        }
        return true;
    }
    if (drag_.form) {
        drag_.form = nullptr;
        return true;
    }
    return FormAt(event.x, event.y) != nullptr || ModalForm() != nullptr;
}

bool TFormHost::MouseWheel(const TInputEvent& event) {
    TForm* form = FormAt(event.x, event.y);
    if (!form) {
        return ModalForm() != nullptr;
    }
    if (!Reachable(form) || !form->Enabled) {
        return true;
    }
    int lx, ly;
    for (TControl* control = form->ControlAt(event.x - form->Left, event.y - form->Top, lx, ly);
         control != nullptr; control = control->Parent()) {
        if (control->MouseWheel(event.wheel, event.shift)) {
            break;
        }
    }
    return true;
}

bool TFormHost::KeyEvent(const TInputEvent& event) {
    TForm* form = ModalForm() ? ModalForm() : active_;
    if (!form) {
        return false;
    }
    if (!form->Enabled) {
        return true;
    }
    if (event.kind == TInputEvent::Kind::KeyDown) {
        int key = event.key;
        if (form->KeyPreview || !form->FocusedControl) {
            form->KeyDown(key, event.shift);
        }
        if (key != 0 && form->FocusedControl) {
            form->FocusedControl->KeyDown(key, event.shift);
        }
    } else if (event.kind == TInputEvent::Kind::Text && form->FocusedControl) {
        form->FocusedControl->TextInput(event.text);
    }
    return true;
}

}  // namespace tavri::ui
