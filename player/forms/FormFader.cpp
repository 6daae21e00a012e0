#include "forms/FormFader.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tavri {

// ----- The timers -----

TFadeTimer::TFadeTimer(ui::TApplication& application, TFadeDrive drive)
    : drive_(drive), loop_(application) {
    loop_.SetEnabled(false);
    loop_.ActiveOnlyWhenAppActive = false;
    loop_.SetInterval(int(kPeriod));
    loop_.OnTimer = [this](int) {
        if (OnTick) {
            OnTick();
        }
    };
    thread_.SetEventType(TTimerEventType::PERIODIC);
    thread_.SetDelay(kPeriod);
    thread_.SetResolution(1);
}

TFadeTimer::~TFadeTimer() {
    Stop();
}

void TFadeTimer::Start() {
    if (drive_ == TFadeDrive::Loop) {
        loopRunning_.store(true, std::memory_order_release);
        loop_.SetEnabled(true);
        return;
    }
    thread_.SetOnTimer([this](TMMTimer&) {
        if (OnTick) {
            OnTick();
        }
    });
    thread_.Start();
}

void TFadeTimer::Stop() {
    if (drive_ == TFadeDrive::Loop) {
        loopRunning_.store(false, std::memory_order_release);
        loop_.SetEnabled(false);
        return;
    }
    thread_.Stop();
}

bool TFadeTimer::Running() const {
    return drive_ == TFadeDrive::Loop ? loopRunning_.load(std::memory_order_acquire)
                                      : thread_.Running();
}

// ----- The fades -----

namespace {

// Half a step per millisecond, so 100 steps take 200 ms; the sine is truncated, as the alpha
// is a whole number.
uint8_t Eased(double step) {
    return uint8_t(std::sin(step / 100.0 * std::numbers::pi / 2) * TFormFader::kShownAlpha);
}

}  // namespace

uint8_t TFormFader::FadeInAlpha(uint32_t elapsedMs) {
    return Eased(std::min(elapsedMs * 0.5, 100.0));
}

uint8_t TFormFader::FadeOutAlpha(uint32_t elapsedMs) {
    return Eased(100.0 - std::min(elapsedMs * 0.5, 100.0));
}

TFormFader::TFormFader(ui::TForm& form, ui::TTavriFormAlpha& alpha, TFadeDrive drive)
    : ShowTimer(form.Application(), drive),
      HideTimer(form.Application(), drive),
      form_(form),
      alpha_(alpha),
      application_(form.Application()) {
    ShowTimer.OnTick = [this] { ShowStep(); };
    HideTimer.OnTick = [this] { HideStep(); };
}

TFormFader::~TFormFader() {
    *alive_ = false;
    ShowTimer.Stop();
    HideTimer.Stop();
}

void TFormFader::OnMainLoop(std::function<void()> work) {
    application_.Post([alive = alive_, work = std::move(work)] {
        if (*alive) {
            work();
        }
    });
}

void TFormFader::ShowAnimated() {
    if (!ui::TTavriFormAlpha::Available()) {
        form_.Show();
        return;
    }
    if (Fading()) {
        return;
    }
    ++showsBegun_;
    form_.Enabled = true;
    showStart_.store(application_.Clock().Now(), std::memory_order_relaxed);
    form_.Show();
    ShowStep();
    ShowTimer.Start();
}

void TFormFader::HideAnimated() {
    if (!ui::TTavriFormAlpha::Available()) {
        form_.Close();
        return;
    }
    if (Fading()) {
        return;
    }
    form_.Enabled = false;
    showsWhenHideBegan_ = showsBegun_;
    hideStart_.store(application_.Clock().Now(), std::memory_order_relaxed);
    HideStep();
    HideTimer.Start();
}

void TFormFader::Stop() {
    ShowTimer.Stop();
    HideTimer.Stop();
}

void TFormFader::ShowStep() {
    const uint32_t elapsed =
        application_.Clock().Now() - showStart_.load(std::memory_order_relaxed);
    // The alpha first: whoever sees the fade stopped must see its last alpha too.
    alpha_.SetAlpha(FadeInAlpha(elapsed));
    if (elapsed > 200) {
        ShowTimer.Stop();
    }
    OnMainLoop([this] { application_.Invalidate(); });
}

void TFormFader::HideStep() {
    const uint32_t elapsed =
        application_.Clock().Now() - hideStart_.load(std::memory_order_relaxed);
    alpha_.SetAlpha(FadeOutAlpha(elapsed));
    if (elapsed > 200) {
        HideTimer.Stop();
        OnMainLoop([this] {
            if (showsBegun_ == showsWhenHideBegan_) {
                form_.Close();
            }
        });
        return;
    }
    OnMainLoop([this] { application_.Invalidate(); });
}

}  // namespace tavri
