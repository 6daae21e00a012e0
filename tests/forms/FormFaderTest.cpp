// The fades of a modeless form: the eased alpha at chosen times, requests made while a fade
// runs, input while fading out, and the same fades on timer threads with the real clock.

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "forms/FormFader.h"
#include "platform/Clock.h"
#include "ui/TavriFormAlpha.h"
#include "ui/UiFixture.h"

namespace tavri::test {
namespace {

struct FadedForm : ui::TForm {
    explicit FadedForm(ui::TApplication& app, TFadeDrive drive)
        : TForm(app), button(*this), alpha(*this), fader(*this, alpha, drive) {
        ClientWidth = 100;
        ClientHeight = 50;
        button.SetBounds(0, 0, 100, 50);
        button.OnMouseDown = [this](ui::TControl&, ui::MouseButton, uint8_t, int, int) {
            ++presses;
        };
    }
    ui::TPanel button;
    ui::TTavriFormAlpha alpha;
    TFormFader fader;
    int presses = 0;
};

TEST(FormFader, TheAlphaFollowsAQuarterSineOver200Milliseconds) {
    struct Case {
        uint32_t ms;
        int in, out;
    } cases[] = {{0, 0, 230},    {20, 35, 227}, {100, 162, 162},
                 {180, 227, 35}, {200, 230, 0}, {260, 230, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(TFormFader::FadeInAlpha(c.ms), c.in) << c.ms;
        EXPECT_EQ(TFormFader::FadeOutAlpha(c.ms), c.out) << c.ms;
    }
}

// Loop turns until `done`, recording the form's alpha at every turn.
template <typename Done>
std::vector<int> Watch(UiFixture& f, FadedForm& form, Done done) {
    std::vector<int> seen;
    for (int turn = 0; turn < 1000 && !done(); ++turn) {
        f.app.HandleMessage();
        seen.push_back(form.Alpha());
    }
    return seen;
}

TEST(FormFader, FadesInAndOutIgnoringRequestsWhileTheyRun) {
    UiFixture f;
    FadedForm form(f.app, TFadeDrive::Loop);
    const uint32_t start = f.clock.Now();
    form.fader.ShowAnimated();
    EXPECT_TRUE(form.Visible());
    EXPECT_EQ(form.Alpha(), 0);
    form.fader.HideAnimated();  // ignored: the fade-in runs
    std::vector<int> seen = Watch(f, form, [&] { return !form.fader.Fading(); });
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(form.Alpha(), 230);
    EXPECT_TRUE(form.Visible());
    EXPECT_GE(f.clock.Now() - start, 200u);
    EXPECT_LE(f.clock.Now() - start, 200u + 2 * TFadeTimer::kPeriod);

    // Shown: it takes clicks. Fading out: it takes none, and a second request changes nothing.
    f.ClickAt(50, 25);
    f.Drain();
    EXPECT_EQ(form.presses, 1);
    const uint32_t hideStart = f.clock.Now();
    form.fader.HideAnimated();
    EXPECT_FALSE(form.Enabled);
    form.fader.HideAnimated();
    form.fader.ShowAnimated();
    f.ClickAt(50, 25);
    EXPECT_TRUE(f.main.clicks.empty());
    seen = Watch(f, form, [&] { return !form.Visible(); });
    EXPECT_EQ(form.presses, 1);
    EXPECT_TRUE(f.main.clicks.empty());  // a click on a disabled form goes nowhere
    EXPECT_TRUE(std::is_sorted(seen.rbegin(), seen.rend()));
    EXPECT_EQ(form.Alpha(), 0);
    EXPECT_GE(f.clock.Now() - hideStart, 200u);
    EXPECT_LE(f.clock.Now() - hideStart, 200u + 2 * TFadeTimer::kPeriod);

    // Shown again, it takes input again.
    form.fader.ShowAnimated();
    EXPECT_TRUE(form.Enabled);
    Watch(f, form, [&] { return !form.fader.Fading(); });
    EXPECT_EQ(form.Alpha(), 230);
}

// The same fades on timer threads of their own, the main loop only repainting and closing.
TEST(FormFader, OnTimerThreadsTheMainLoopCarriesOutTheClose) {
    platform::VirtualClock displayClock;
    platform::HeadlessDisplay display(displayClock);
    platform::RecordingMessageBoxService messages;
    const std::unique_ptr<platform::IClock> clock = platform::CreateSystemClock();
    ui::TApplication app(display, *clock, messages);
    FadedForm form(app, TFadeDrive::Thread);
    const auto runUntil = [&](auto done) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!done() && std::chrono::steady_clock::now() < end) {
            app.HandleMessage();
        }
        return done();
    };
    const auto started = std::chrono::steady_clock::now();
    form.fader.ShowAnimated();
    ASSERT_TRUE(runUntil([&] { return !form.fader.Fading(); }));
    EXPECT_EQ(form.Alpha(), 230);
    form.fader.HideAnimated();
    ASSERT_TRUE(runUntil([&] { return !form.Visible(); }));
    EXPECT_EQ(form.Alpha(), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(400));
}

}  // namespace
}  // namespace tavri::test
