#pragma once

// Fades a modeless form in to alpha 230 and out again over 200 ms, eased by a quarter sine,
// stepped every 20 ms. On the real clock the steps run on timer threads of their own, so the
// fade keeps its pace while the main loop is busy; a step there only computes the alpha, stores
// it where the composite reads it and posts a repaint, and the last fade-out step posts the
// close, which the main loop carries out. On a virtual clock (tests) the main loop's idle timers
// step the fades instead, on the same formulas.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "midi/MMTimer.h"
#include "ui/Application.h"
#include "ui/Forms.h"
#include "ui/TavriFormAlpha.h"

namespace tavri {

enum class TFadeDrive : uint8_t { Thread, Loop };

// One of the two fade timers: 20 ms periodic, on a thread or on the main loop.
class TFadeTimer {
  public:
    static constexpr uint32_t kPeriod = 20;

    TFadeTimer(ui::TApplication& application, TFadeDrive drive);
    // Stops the timer and waits for a step in progress.
    ~TFadeTimer();
    TFadeTimer(const TFadeTimer&) = delete;
    TFadeTimer& operator=(const TFadeTimer&) = delete;

    // Called on the timer's thread (Thread) or the main loop (Loop); set before the first start.
    std::function<void()> OnTick;
    void Start();
    // Also from inside OnTick.
    void Stop();
    // From any thread.
    bool Running() const;

  private:
    TFadeDrive drive_;
    TMMTimer thread_;
    ui::TIdleTimer loop_;
    std::atomic<bool> loopRunning_{false};
};

class TFormFader {
  public:
    static constexpr uint8_t kShownAlpha = 230;

    // The alpha a fade has reached `elapsedMs` after it began (the fade-in from 0 to 230, the
    // fade-out from 230 to 0; both end after 200 ms).
    static uint8_t FadeInAlpha(uint32_t elapsedMs);
    static uint8_t FadeOutAlpha(uint32_t elapsedMs);

    TFormFader(ui::TForm& form, ui::TTavriFormAlpha& alpha, TFadeDrive drive);
    ~TFormFader();
    TFormFader(const TFormFader&) = delete;
    TFormFader& operator=(const TFormFader&) = delete;

    // The form is shown; its alpha rises from 0. Ignored while either fade runs.
    void ShowAnimated();
    // The form stops taking input and fades; it closes once the alpha is 0. Ignored while
    // either fade runs.
    void HideAnimated();
    // Both fades stopped where they are, for a form that closes at once.
    void Stop();
    bool Fading() const { return ShowTimer.Running() || HideTimer.Running(); }

    TFadeTimer ShowTimer, HideTimer;

  private:
    void ShowStep();
    void HideStep();
    // Runs `work` on the main loop unless this fader is gone by then.
    void OnMainLoop(std::function<void()> work);

    ui::TForm& form_;
    ui::TTavriFormAlpha& alpha_;
    ui::TApplication& application_;
    std::atomic<uint32_t> showStart_{0}, hideStart_{0};
    // Main loop only: fade-ins begun, so that a close posted by an earlier fade-out does not
    // close a form that has been shown again since.
    uint32_t showsBegun_ = 0;
    uint32_t showsWhenHideBegan_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace tavri
