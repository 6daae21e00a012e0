#include "ui/Application.h"

#include <algorithm>

namespace tavri::ui {

using platform::TInputEvent;

void IMainWindow::CloseRequested() {
    if (application_) {
        application_->Terminate();
    }
}

// ----- Idle-loop timer -----

TIdleTimer::TIdleTimer(TApplication& application) : application_(application) {
    application_.timers_.push_back(this);
}

TIdleTimer::~TIdleTimer() {
    auto& timers = application_.timers_;
    timers.erase(std::remove(timers.begin(), timers.end(), this), timers.end());
}

void TIdleTimer::SetEnabled(bool enabled) {
    enabled_ = enabled;
    if (!enabled) {
        running_ = false;
    }
}

void TIdleTimer::Check(uint32_t now, bool applicationActive) {
    const bool allowed = enabled_ && (applicationActive || !ActiveOnlyWhenAppActive);
    if (!allowed) {
        running_ = false;
        return;
    }
    if (!running_) {
        // Started, or allowed to run again: count from now.
        running_ = true;
        last_ = now;
        return;
    }
    const uint32_t interval = uint32_t(std::max(1, interval_));
    const uint32_t passed = now - last_;
    if (passed < interval) {
        return;
    }
    last_ = now;
    const uint32_t elapsed = std::min<uint32_t>(passed / interval, 0x7FFFFFFF);
    if (OnTimer) {
        OnTimer(int(elapsed));
    }
}

// ----- Application -----

namespace {

TApplication* gCurrent = nullptr;

}  // namespace

TApplication::TApplication(platform::IDisplay& display, platform::IClock& clock,
                           platform::IMessageBoxService& messages)
    : display_(display), clock_(clock), messages_(messages), host_(*this), previous_(gCurrent) {
    gCurrent = this;
}

TApplication::~TApplication() {
    if (gCurrent == this) {
        gCurrent = previous_;
    }
}

TApplication* TApplication::Current() {
    return gCurrent;
}

void TApplication::SetMainWindow(IMainWindow* window) {
    if (main_) {
        main_->application_ = nullptr;
    }
    main_ = window;
    if (main_) {
        main_->application_ = this;
    }
    dirty_ = true;
}

template <typename F>
void TApplication::Guarded(F&& work) {
    try {
        work();
    } catch (const std::exception& error) {
        ShowException(error);
    }
}

void TApplication::ShowException(const std::exception& error) {
    messages_.Show(error.what(), Title, platform::MsgIcon::Error, platform::MsgButtons::Ok);
}

void TApplication::Post(std::function<void()> work) {
    display_.PostEvent(std::move(work));
}

void TApplication::Dispatch(TInputEvent& event) {
    using Kind = TInputEvent::Kind;
    switch (event.kind) {
        case Kind::Posted:
            if (event.posted) {
                Guarded(event.posted);
            }
            return;
        case Kind::Close:
            // Open modal forms end with mrCancel as their loops unwind.
            if (main_) {
                Guarded([&] { main_->CloseRequested(); });
            } else {
                Terminate();
            }
            return;
        case Kind::Expose:
            dirty_ = true;
            return;
        case Kind::Activate:
        case Kind::Deactivate:
            return;  // seen through Active() by the idle check
        default:
            break;
    }
    bool taken = false;
    Guarded([&] { taken = host_.Dispatch(event); });
    if (taken || !main_) {
        return;
    }
    Guarded([&] {
        switch (event.kind) {
            case Kind::MouseDown:
                main_->MouseDown(event.button, event.shift, event.x, event.y);
                break;
            case Kind::MouseUp:
                main_->MouseUp(event.button, event.shift, event.x, event.y);
                break;
            case Kind::MouseMove:
                main_->MouseMove(event.shift, event.x, event.y);
                break;
            case Kind::KeyDown: {
                int key = event.key;
                main_->KeyDown(key, event.shift);
                break;
            }
            default:
                break;
        }
    });
}

void TApplication::Idle() {
    const bool active = Active();
    if (active != wasActive_) {
        wasActive_ = active;
        Guarded([&] { host_.ApplicationActivated(active); });
        if (main_) {
            Guarded([&] { main_->Activated(active); });
        }
    }
    if (timersSuspended_ > 0) {
        return;
    }
    // A timer's handler may create or destroy timers (a modal show runs this loop again).
    const std::vector<TIdleTimer*> timers = timers_;
    for (TIdleTimer* timer : timers) {
        if (terminated_) {
            return;
        }
        if (std::find(timers_.begin(), timers_.end(), timer) == timers_.end()) {
            continue;
        }
        Guarded([&] { timer->Check(clock_.Now(), active); });
    }
}

void TApplication::PresentIfDirty() {
    if (!dirty_ || !main_) {
        return;
    }
    dirty_ = false;
    const TImage& picture = main_->Picture();
    if (picture.Width() != platform::kCanvasWidth || picture.Height() != platform::kCanvasHeight ||
        picture.PixelFormat() != TPixelFormat::Pf24bit) {
        return;
    }
    host_.Composite(picture, frame_);
    display_.Present(frame_.Bits(), frame_.RowBytes());
}

void TApplication::Turn(const std::function<bool()>& done) {
    // A modal loop checks its end after every event, so events that follow the one that closed
    // a form go to what lies beneath it.
    auto finished = [&] { return terminated_ || (done && done()); };
    TInputEvent event;
    bool any = false;
    while (!finished() && display_.WaitEvent(event, 0)) {
        any = true;
        Dispatch(event);
    }
    if (finished()) {
        PresentIfDirty();
        return;
    }
    Idle();
    PresentIfDirty();
    if (!any && !finished() && display_.WaitEvent(event, 1)) {
        Dispatch(event);
        PresentIfDirty();
    }
}

void TApplication::HandleMessage() {
    Turn(nullptr);
}

void TApplication::RunUntil(const std::function<bool()>& done) {
    while (!terminated_ && !done()) {
        Turn(done);
    }
}

void TApplication::Run() {
    RunUntil([] { return false; });
}

}  // namespace tavri::ui
