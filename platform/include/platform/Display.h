#pragma once

// The main window: one 640 × 480 picture shown in a window or full screen, the input that
// reaches it, its cursors, and the events other threads post to the main loop. The SDL backend
// shows a real window; the headless one keeps the frames and plays scripted input against the
// virtual clock, so the same loop runs in tests.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"

namespace tavri::platform {

inline constexpr int kCanvasWidth = 640;
inline constexpr int kCanvasHeight = 480;

// Key codes as the original platform numbers them (virtual keys), so handlers read like their
// descriptions. Letters and digits are their upper-case ASCII codes.
enum VirtualKey : int {
    VkBack = 0x08,
    VkTab = 0x09,
    VkReturn = 0x0D,
    VkShift = 0x10,
    VkControl = 0x11,
    VkMenu = 0x12,  // Alt
    VkEscape = 0x1B,
    VkSpace = 0x20,
    VkPrior = 0x21,
    VkNext = 0x22,
    VkEnd = 0x23,
    VkHome = 0x24,
    VkLeft = 0x25,
    VkUp = 0x26,
    VkRight = 0x27,
    VkDown = 0x28,
    VkInsert = 0x2D,
    VkDelete = 0x2E,
    VkF1 = 0x70,
    VkF4 = 0x73,
    VkF5 = 0x74,
    VkF6 = 0x75,
    VkF7 = 0x76,
    VkF8 = 0x77,
    VkF11 = 0x7A,
    VkF12 = 0x7B,
};

enum class MouseButton : uint8_t { Left = 0, Right = 1, Middle = 2 };

// Modifier and button state bits that come with mouse and key events.
enum ShiftState : uint8_t {
    SsShift = 1,
    SsAlt = 2,
    SsCtrl = 4,
    SsLeft = 8,
    SsRight = 16,
    SsMiddle = 32,
};

struct TInputEvent {
    enum class Kind : uint8_t {
        MouseDown,
        MouseUp,
        MouseMove,
        MouseWheel,  // `wheel` notches at the pointer (x, y): positive away from the reader
        KeyDown,
        KeyUp,
        Text,        // typed text (cp932) for edit controls
        Activate,    // the window gained input focus
        Deactivate,  // the window lost input focus
        Close,       // window manager close, Alt+F4, SIGINT, SIGTERM
        Expose,      // the window needs its picture again
        Posted,      // an event posted by PostEvent; `Posted` holds the work
    };
    Kind kind = Kind::MouseMove;
    int x = 0, y = 0;  // canvas coordinates (may lie outside 0..639 × 0..479)
    MouseButton button = MouseButton::Left;
    int key = 0;        // VirtualKey for KeyDown/KeyUp
    int wheel = 0;      // MouseWheel
    uint8_t shift = 0;  // ShiftState bits
    std::string text;   // Text: cp932 bytes
    std::function<void()> posted;
};

// A display mode the system offers, in the order it lists them.
struct TDisplayMode {
    int width = 0, height = 0, bitCount = 0;
};

enum class CursorKind : uint8_t { Default, Hidden, Hourglass, FastForward };

// A cursor picture: 32-bit pixels 0xAARRGGBB, row by row, top row first.
struct TCursorImage {
    int width = 0, height = 0;
    int hotX = 0, hotY = 0;
    std::vector<uint32_t> pixels;
};

class IDisplay {
  public:
    virtual ~IDisplay() = default;

    // The window exists from creation on but is not shown until a display mode is chosen.
    virtual void SetTitle(std::string_view cp932) = 0;

    // The modes the rule of the main window chooses from (virtual: 640 × 480 at 16 and 32 bits
    // unless replaced).
    virtual std::vector<TDisplayMode> DisplayModes() = 0;
    // Full screen (letter-boxed picture) at the given mode. False when the switch fails; the
    // display then stays as it was.
    virtual bool EnterFullScreen(const TDisplayMode& mode) = 0;
    // A bordered window, centred on its desktop, the picture scaled by the largest whole factor
    // that fits.
    virtual bool EnterWindowMode() = 0;
    virtual bool IsFullScreen() const = 0;
    virtual bool IsShown() const = 0;
    // Whether the window has input focus (the application counts as active until it first
    // loses it).
    virtual bool IsActive() const = 0;

    // Hands the whole 640 × 480 picture (BGR byte order, rows `stride` bytes apart, top row
    // first) to the screen. The loop calls it at most once per iteration.
    virtual void Present(const uint8_t* bgr, size_t stride) = 0;

    // Waits until an event is there or `timeoutMs` has passed, and returns it (false when
    // none came). The headless backend lets its virtual clock move instead of waiting.
    virtual bool WaitEvent(TInputEvent& event, uint32_t timeoutMs) = 0;
    // Thread-safe: the work runs on the main loop's thread when the loop takes the event.
    virtual void PostEvent(std::function<void()> work) = 0;

    virtual void SetCursor(CursorKind kind) = 0;
    virtual CursorKind Cursor() const = 0;
    virtual void SetFastForwardCursor(const TCursorImage& image) = 0;
    // Moves the pointer to a canvas position where the platform allows it.
    virtual void WarpPointer(int x, int y) = 0;

    // The id the sound engine stores as its window handle.
    virtual uint32_t WindowId() const = 0;
};

// A real window through SDL (video must be available; throws std::runtime_error otherwise).
// `modes` replaces the virtual mode list when not empty.
std::unique_ptr<IDisplay> CreateSdlDisplay(std::vector<TDisplayMode> modes = {});

// The test backend.
class HeadlessDisplay final : public IDisplay {
  public:
    explicit HeadlessDisplay(VirtualClock& clock);
    ~HeadlessDisplay() override;

    void SetTitle(std::string_view cp932) override;
    std::vector<TDisplayMode> DisplayModes() override;
    bool EnterFullScreen(const TDisplayMode& mode) override;
    bool EnterWindowMode() override;
    bool IsFullScreen() const override;
    bool IsShown() const override;
    bool IsActive() const override;
    void Present(const uint8_t* bgr, size_t stride) override;
    bool WaitEvent(TInputEvent& event, uint32_t timeoutMs) override;
    void PostEvent(std::function<void()> work) override;
    void SetCursor(CursorKind kind) override;
    CursorKind Cursor() const override;
    void SetFastForwardCursor(const TCursorImage& image) override;
    void WarpPointer(int x, int y) override;
    uint32_t WindowId() const override;

    // ----- What tests script and read -----
    // Delivered once the virtual clock reaches `at` (events due at the same time keep their
    // order). Waiting with nothing due moves the clock to the next due event or the timeout.
    void Schedule(uint32_t at, TInputEvent event);
    // Shorthands for scripting at the clock's present time.
    void Click(int x, int y, MouseButton button = MouseButton::Left);
    void Key(int key);
    size_t PendingScripted() const;

    std::vector<TDisplayMode> modes{{640, 480, 16}, {640, 480, 32}};
    // How many of the next full-screen switches fail (then they succeed again).
    int failFullScreen = 0;
    bool active = true;

    std::string title;           // cp932
    std::vector<uint8_t> frame;  // the last presented picture, 640 × 480 × 3, BGR
    uint64_t presentCount = 0;
    int pointerX = -1, pointerY = -1;  // last warp
    std::vector<TDisplayMode> fullScreenRequests;
    TCursorImage fastForwardCursor;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tavri::platform
