#pragma once

// The application loop: it takes the display's events to the forms and the main window, runs
// the idle-loop timers, and hands the composited picture to the display at most once per turn.
// Everything here runs on the main thread; other threads reach it only through Post.

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "graphics/Image.h"
#include "platform/Clock.h"
#include "platform/Display.h"
#include "platform/MessageBox.h"
#include "ui/Forms.h"

namespace tavri::ui {

// What the application needs from the main window: its picture and the input no form took.
class IMainWindow {
  public:
    virtual ~IMainWindow() = default;
    virtual const TImage& Picture() const = 0;
    virtual void MouseDown(MouseButton, uint8_t /*shift*/, int /*x*/, int /*y*/) {}
    virtual void MouseUp(MouseButton, uint8_t /*shift*/, int /*x*/, int /*y*/) {}
    virtual void MouseMove(uint8_t /*shift*/, int /*x*/, int /*y*/) {}
    virtual void KeyDown(int& /*key*/, uint8_t /*shift*/) {}
    // The window manager (or a signal) asks the window to close; the default ends the loop.
    virtual void CloseRequested();
    virtual void Activated(bool /*active*/) {}

  private:
    friend class TApplication;
    TApplication* application_ = nullptr;
};

class TApplication;

// A timer driven by the idle loop: whenever at least one interval has passed since its last
// call, OnTimer gets the number of whole intervals (at least 1). Intervals below 1 ms count as
// 1 ms. By default it runs only while the application is active; enabling it again, or the
// application becoming active again, restarts its reference time, so no burst of catch-up calls
// follows a pause.
class TIdleTimer {
  public:
    explicit TIdleTimer(TApplication& application);
    ~TIdleTimer();
    TIdleTimer(const TIdleTimer&) = delete;
    TIdleTimer& operator=(const TIdleTimer&) = delete;

    std::function<void(int elapsed)> OnTimer;
    bool ActiveOnlyWhenAppActive = true;

    int Interval() const { return interval_; }
    // Takes effect at once: the next check compares with the new interval.
    void SetInterval(int ms) { interval_ = ms; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    // One idle check at time `now`.
    void Check(uint32_t now, bool applicationActive);

  private:
    TApplication& application_;
    int interval_ = 1000;
    bool enabled_ = true;
    bool running_ = false;  // enabled and allowed to run at the last check
    uint32_t last_ = 0;
};

class TApplication {
  public:
    TApplication(platform::IDisplay& display, platform::IClock& clock,
                 platform::IMessageBoxService& messages);
    ~TApplication();
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    std::string Title;  // cp932, the caption of error boxes

    platform::IDisplay& Display() { return display_; }
    platform::IClock& Clock() { return clock_; }
    platform::IMessageBoxService& Messages() { return messages_; }
    TFormHost& Host() { return host_; }

    void SetMainWindow(IMainWindow* window);
    // The newest application still alive (main thread only), for the message boxes drawn inside
    // the picture when the system cannot show its own.
    static TApplication* Current();
    // While suspended (the count above 0) the idle timers do not run: a message box of ours
    // holds the novel still, as the system's box holds the whole thread.
    void SuspendTimers() { ++timersSuspended_; }
    void ResumeTimers() { timersSuspended_ = timersSuspended_ > 0 ? timersSuspended_ - 1 : 0; }
    // Whether the application has input focus; see the display.
    bool Active() const { return display_.IsActive(); }

    // Runs until Terminate.
    void Run();
    // One turn: every waiting event, the idle timers, the present; then up to 1 ms of waiting
    // for the next event.
    void HandleMessage();
    // Runs turns until `done` holds or the application ends.
    void RunUntil(const std::function<bool()>& done);
    void Terminate() { terminated_ = true; }
    bool Terminated() const { return terminated_; }

    // The picture (or a form) changed: it is presented at the end of this turn.
    void Invalidate() { dirty_ = true; }
    // Thread-safe: the work runs on the main thread in a later turn.
    void Post(std::function<void()> work);

    // An exception that escaped a handler: one error box with the application's title as
    // caption and the message unchanged; the loop carries on.
    void ShowException(const std::exception& error);

    // The last composited frame (what the display was handed).
    const TImage& Frame() const { return frame_; }

  private:
    friend class TIdleTimer;
    void Turn(const std::function<bool()>& done);
    void Dispatch(platform::TInputEvent& event);
    void Idle();
    void PresentIfDirty();
    template <typename F>
    void Guarded(F&& work);

    platform::IDisplay& display_;
    platform::IClock& clock_;
    platform::IMessageBoxService& messages_;
    TFormHost host_;
    IMainWindow* main_ = nullptr;
    std::vector<TIdleTimer*> timers_;
    int timersSuspended_ = 0;
    TApplication* previous_ = nullptr;
    bool terminated_ = false;
    bool dirty_ = true;
    bool wasActive_ = true;
    TImage frame_;
};

}  // namespace tavri::ui
