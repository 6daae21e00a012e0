#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "platform/Display.h"
#include "platform/TextEncoding.h"

namespace tavri::platform {
namespace {

using Kind = TInputEvent::Kind;

TInputEvent KeyEvent(int key) {
    TInputEvent event;
    event.kind = Kind::KeyDown;
    event.key = key;
    return event;
}

// A 640 × 480 BGR picture whose every byte tells where it sits, in rows `stride` bytes apart;
// the padding holds a byte that no pixel has.
std::vector<uint8_t> PatternPicture(size_t stride, uint8_t salt) {
    std::vector<uint8_t> picture(stride * kCanvasHeight, 0xEE);
    for (int y = 0; y < kCanvasHeight; ++y) {
        for (int i = 0; i < kCanvasWidth * 3; ++i) {
            picture[stride * y + i] = static_cast<uint8_t>((y * 7 + i * 13 + salt) % 0xE0);
        }
    }
    return picture;
}

TEST(DisplayHeadless, WaitingFollowsTheScriptAndTheClock) {
    struct Step {
        uint32_t timeout;
        std::optional<int> key;  // the event expected, if any
        uint32_t clockAfter;
    };
    struct Case {
        const char* name;
        uint32_t start;
        std::vector<std::pair<uint32_t, int>> script;  // (due time, key) in scheduling order
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"nothing scheduled: the clock moves by the timeout",
         100,
         {},
         {{0, std::nullopt, 100}, {25, std::nullopt, 125}, {1, std::nullopt, 126}}},
        {"due events come at once, in time order, whatever the scheduling order",
         500,
         {{400, 'B'}, {300, 'A'}, {500, 'C'}},
         {{0, 'A', 500}, {0, 'B', 500}, {0, 'C', 500}, {0, std::nullopt, 500}}},
        {"a wait stops at the next due event",
         0,
         {{40, 'A'}, {90, 'B'}},
         {{100, 'A', 40}, {30, std::nullopt, 70}, {20, 'B', 90}, {10, std::nullopt, 100}}},
        {"an event due exactly at the timeout still comes",
         10,
         {{60, 'A'}},
         {{49, std::nullopt, 59}, {1, 'A', 60}}},
        {"equal times keep their scheduling order",
         0,
         {{20, 'C'}, {10, 'A'}, {20, 'D'}, {10, 'B'}, {20, 'E'}},
         {{50, 'A', 10}, {50, 'B', 10}, {50, 'C', 20}, {0, 'D', 20}, {0, 'E', 20}}},
        {"a long timeout near the end of the range does not wrap past the event",
         0xFFFFFF00u,
         {{0xFFFFFFF0u, 'A'}},
         {{0xFFFFFFFFu, 'A', 0xFFFFFFF0u}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VirtualClock clock(c.start);
        HeadlessDisplay display(clock);
        for (const auto& [at, key] : c.script) {
            display.Schedule(at, KeyEvent(key));
        }
        EXPECT_EQ(display.PendingScripted(), c.script.size());
        for (size_t i = 0; i < c.steps.size(); ++i) {
            SCOPED_TRACE("step " + std::to_string(i));
            const Step& step = c.steps[i];
            TInputEvent event;
            bool got = display.WaitEvent(event, step.timeout);
            ASSERT_EQ(got, step.key.has_value());
            if (got) {
                EXPECT_EQ(event.kind, Kind::KeyDown);
                EXPECT_EQ(event.key, *step.key);
            }
            EXPECT_EQ(clock.Now(), step.clockAfter);
        }
        EXPECT_EQ(display.PendingScripted(), 0u);
    }
}

TEST(DisplayHeadless, ClickAndKeyScriptPressThenReleaseAtTheCurrentTime) {
    VirtualClock clock(1000);
    HeadlessDisplay display(clock);
    display.Schedule(1000, KeyEvent('Z'));  // already due: stays ahead of the shorthands
    display.Click(12, 34, MouseButton::Right);
    display.Key(VkSpace);
    display.Click(-5, 500);
    ASSERT_EQ(display.PendingScripted(), 7u);

    struct Expected {
        Kind kind;
        int x, y;
        MouseButton button;
        int key;
        uint8_t shift;
    };
    const Expected expected[] = {
        {Kind::KeyDown, 0, 0, MouseButton::Left, 'Z', 0},
        {Kind::MouseDown, 12, 34, MouseButton::Right, 0, SsRight},
        {Kind::MouseUp, 12, 34, MouseButton::Right, 0, 0},
        {Kind::KeyDown, 0, 0, MouseButton::Left, VkSpace, 0},
        {Kind::KeyUp, 0, 0, MouseButton::Left, VkSpace, 0},
        {Kind::MouseDown, -5, 500, MouseButton::Left, 0, SsLeft},
        {Kind::MouseUp, -5, 500, MouseButton::Left, 0, 0},
    };
    for (const Expected& e : expected) {
        TInputEvent event;
        ASSERT_TRUE(display.WaitEvent(event, 0));
        EXPECT_EQ(event.kind, e.kind);
        EXPECT_EQ(event.x, e.x);
        EXPECT_EQ(event.y, e.y);
        EXPECT_EQ(event.button, e.button);
        EXPECT_EQ(event.key, e.key);
        EXPECT_EQ(event.shift, e.shift);
    }
    EXPECT_EQ(clock.Now(), 1000u);
    TInputEvent event;
    EXPECT_FALSE(display.WaitEvent(event, 0));
}

TEST(DisplayHeadless, PostedWorkFromOtherThreadsComesFirstAndInOrder) {
    VirtualClock clock(0);
    HeadlessDisplay display(clock);
    display.Schedule(0, KeyEvent('A'));  // due, yet posted work goes ahead of it

    constexpr int kThreads = 4;
    constexpr int kPerThread = 50;
    std::vector<std::vector<int>> ran(kThreads);
    {
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&display, &ran, t] {
                for (int i = 0; i < kPerThread; ++i) {
                    display.PostEvent([&ran, t, i] { ran[t].push_back(i); });
                }
            });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
    }
    for (int n = 0; n < kThreads * kPerThread; ++n) {
        TInputEvent event;
        ASSERT_TRUE(display.WaitEvent(event, 1000));
        ASSERT_EQ(event.kind, Kind::Posted);
        ASSERT_TRUE(event.posted);
        event.posted();
    }
    // Each thread's work runs in the order it was posted, all on this thread.
    for (int t = 0; t < kThreads; ++t) {
        ASSERT_EQ(ran[t].size(), static_cast<size_t>(kPerThread));
        for (int i = 0; i < kPerThread; ++i) {
            EXPECT_EQ(ran[t][i], i);
        }
    }
    EXPECT_EQ(clock.Now(), 0u);  // posted work never waits
    TInputEvent event;
    ASSERT_TRUE(display.WaitEvent(event, 0));
    EXPECT_EQ(event.key, 'A');
    EXPECT_FALSE(display.WaitEvent(event, 0));
}

TEST(DisplayHeadless, PresentCopiesThePictureWithoutTheRowPadding) {
    VirtualClock clock;
    HeadlessDisplay display(clock);
    EXPECT_EQ(display.presentCount, 0u);
    EXPECT_TRUE(display.frame.empty());

    for (size_t stride : {size_t{kCanvasWidth * 3}, size_t{kCanvasWidth * 3 + 5}, size_t{2048}}) {
        SCOPED_TRACE(stride);
        std::vector<uint8_t> picture = PatternPicture(stride, static_cast<uint8_t>(stride));
        display.Present(picture.data(), stride);
        ASSERT_EQ(display.frame.size(), size_t{kCanvasWidth} * kCanvasHeight * 3);
        for (int y = 0; y < kCanvasHeight; ++y) {
            ASSERT_EQ(0, std::memcmp(display.frame.data() + size_t{kCanvasWidth} * 3 * y,
                                     picture.data() + stride * y, size_t{kCanvasWidth} * 3))
                << "row " << y;
        }
    }
    EXPECT_EQ(display.presentCount, 3u);
}

TEST(DisplayHeadless, FailedFullScreenSwitchesLeaveTheDisplayAsItWas) {
    VirtualClock clock;
    HeadlessDisplay display(clock);
    EXPECT_FALSE(display.IsShown());  // hidden until a mode is chosen
    EXPECT_FALSE(display.IsFullScreen());

    display.failFullScreen = 2;
    const TDisplayMode at32{640, 480, 32};
    const TDisplayMode at16{640, 480, 16};
    EXPECT_FALSE(display.EnterFullScreen(at32));
    EXPECT_FALSE(display.EnterFullScreen(at16));
    EXPECT_FALSE(display.IsShown());
    EXPECT_FALSE(display.IsFullScreen());
    EXPECT_EQ(display.failFullScreen, 0);

    EXPECT_TRUE(display.EnterFullScreen(at16));
    EXPECT_TRUE(display.IsShown());
    EXPECT_TRUE(display.IsFullScreen());

    EXPECT_TRUE(display.EnterWindowMode());
    EXPECT_TRUE(display.IsShown());
    EXPECT_FALSE(display.IsFullScreen());

    display.failFullScreen = 1;
    EXPECT_FALSE(display.EnterFullScreen(at32));
    EXPECT_FALSE(display.IsFullScreen());  // still the window it was
    EXPECT_TRUE(display.IsShown());

    ASSERT_EQ(display.fullScreenRequests.size(), 4u);
    const int bits[] = {32, 16, 16, 32};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(display.fullScreenRequests[i].width, 640);
        EXPECT_EQ(display.fullScreenRequests[i].height, 480);
        EXPECT_EQ(display.fullScreenRequests[i].bitCount, bits[i]);
    }
}

TEST(DisplayHeadless, ModeListIsVirtualAndReplaceable) {
    VirtualClock clock;
    HeadlessDisplay display(clock);
    std::vector<TDisplayMode> modes = display.DisplayModes();
    ASSERT_EQ(modes.size(), 2u);
    EXPECT_EQ(modes[0].width, 640);
    EXPECT_EQ(modes[0].height, 480);
    EXPECT_EQ(modes[0].bitCount, 16);
    EXPECT_EQ(modes[1].width, 640);
    EXPECT_EQ(modes[1].height, 480);
    EXPECT_EQ(modes[1].bitCount, 32);

    display.modes = {{800, 600, 8}, {640, 480, 24}, {1024, 768, 32}};
    modes = display.DisplayModes();
    ASSERT_EQ(modes.size(), 3u);
    EXPECT_EQ(modes[0].bitCount, 8);
    EXPECT_EQ(modes[1].bitCount, 24);
    EXPECT_EQ(modes[2].width, 1024);

    display.modes.clear();
    EXPECT_TRUE(display.DisplayModes().empty());
}

TEST(DisplayHeadless, KeepsWhatTheLoopSetsForTestsToRead) {
    VirtualClock clock;
    HeadlessDisplay display(clock);
    const std::string title = Cp932("ノベル — 第1話");
    display.SetTitle(title);
    EXPECT_EQ(display.title, title);

    EXPECT_EQ(display.Cursor(), CursorKind::Default);
    for (CursorKind kind : {CursorKind::Hourglass, CursorKind::Hidden, CursorKind::FastForward,
                            CursorKind::Default}) {
        display.SetCursor(kind);
        EXPECT_EQ(display.Cursor(), kind);
    }
    TCursorImage image{2, 1, 1, 0, {0xFF000000u, 0x00FFFFFFu}};
    display.SetFastForwardCursor(image);
    EXPECT_EQ(display.fastForwardCursor.width, 2);
    EXPECT_EQ(display.fastForwardCursor.hotX, 1);
    EXPECT_EQ(display.fastForwardCursor.pixels, image.pixels);

    EXPECT_EQ(display.pointerX, -1);
    display.WarpPointer(4, 4);
    EXPECT_EQ(display.pointerX, 4);
    EXPECT_EQ(display.pointerY, 4);

    EXPECT_TRUE(display.IsActive());
    display.active = false;
    EXPECT_FALSE(display.IsActive());
    EXPECT_EQ(display.WindowId(), 1u);
}

// Puts an environment variable back as it was, so later suites see the same process.
class EnvGuard {
  public:
    EnvGuard(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        setenv(name, value, 1);
    }
    ~EnvGuard() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    EnvGuard(const EnvGuard&) = delete;
    EnvGuard& operator=(const EnvGuard&) = delete;

  private:
    const char* name_;
    std::optional<std::string> old_;
};

bool HandlerIsDefault(int number) {
    auto previous = std::signal(number, SIG_IGN);
    std::signal(number, previous);
    return previous == SIG_DFL;
}

// Waits (boundedly) for the first event of `kind`, skipping what the window system sends on its
// own (exposure, focus).
std::optional<TInputEvent> WaitFor(IDisplay& display, Kind kind) {
    for (int i = 0; i < 100; ++i) {
        TInputEvent event;
        if (display.WaitEvent(event, 50) && event.kind == kind) {
            return event;
        }
    }
    return std::nullopt;
}

TEST(DisplaySdl, RunsOnTheDummyVideoDriver) {
    EnvGuard driver("SDL_VIDEODRIVER", "dummy");
    const bool signalsWereDefault = HandlerIsDefault(SIGINT) && HandlerIsDefault(SIGTERM);
    std::unique_ptr<IDisplay> display;
    try {
        display = CreateSdlDisplay({{640, 480, 32}});
    } catch (const std::runtime_error& e) {
        GTEST_SKIP() << "no SDL video: " << e.what();
    }
    ASSERT_EQ(display->DisplayModes().size(), 1u);
    EXPECT_EQ(display->DisplayModes()[0].bitCount, 32);
    EXPECT_NE(display->WindowId(), 0u);
    EXPECT_FALSE(display->IsShown());
    EXPECT_TRUE(display->IsActive());

    display->SetTitle(Cp932("ノベル「表示」"));
    EXPECT_TRUE(display->EnterWindowMode());
    EXPECT_TRUE(display->IsShown());
    EXPECT_FALSE(display->IsFullScreen());

    std::vector<uint8_t> picture = PatternPicture(kCanvasWidth * 3 + 4, 1);
    display->Present(picture.data(), kCanvasWidth * 3 + 4);
    display->SetFastForwardCursor({2, 2, 0, 0, {0xFF000000u, 0xFFFFFFFFu, 0, 0xFF808080u}});
    for (CursorKind kind : {CursorKind::FastForward, CursorKind::Hidden, CursorKind::Hourglass,
                            CursorKind::Default}) {
        display->SetCursor(kind);
        EXPECT_EQ(display->Cursor(), kind);
    }
    display->WarpPointer(4, 4);

    int ran = 0;
    std::thread poster([&display, &ran] { display->PostEvent([&ran] { ++ran; }); });
    poster.join();
    std::optional<TInputEvent> posted = WaitFor(*display, Kind::Posted);
    ASSERT_TRUE(posted.has_value());
    ASSERT_TRUE(posted->posted);
    posted->posted();
    EXPECT_EQ(ran, 1);

    // SIGINT and SIGTERM end the player like a close request. SDL takes over only signals
    // nobody else handles, so the check needs a process that left them alone.
    if (signalsWereDefault) {
        for (int number : {SIGINT, SIGTERM}) {
            SCOPED_TRACE(number);
            ASSERT_FALSE(HandlerIsDefault(number));
            std::raise(number);
            EXPECT_TRUE(WaitFor(*display, Kind::Close).has_value());
        }
    }
    display.reset();
    if (signalsWereDefault) {
        EXPECT_TRUE(HandlerIsDefault(SIGINT) && HandlerIsDefault(SIGTERM));
    }
}

}  // namespace
}  // namespace tavri::platform
