#include <SDL.h>

#include <algorithm>
#include <climits>
#include <clocale>
#include <cstring>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <string>
#include <utility>

#include "WindowManager.h"
#include "platform/Display.h"
#include "platform/TextEncoding.h"

namespace tavri::platform {

namespace {

constexpr Uint32 kSubsystems = SDL_INIT_VIDEO | SDL_INIT_EVENTS;

// Room left around a scaled window for its title bar and frame, which SDL cannot measure before
// the window is first mapped.
constexpr int kFrameMarginX = 16;
constexpr int kFrameMarginY = 48;

[[noreturn]] void Fail(const char* what) {
    throw std::runtime_error(std::string(what) + ": " + SDL_GetError());
}

uint8_t ModifierBits(Uint16 mod) {
    uint8_t bits = 0;
    if ((mod & KMOD_SHIFT) != 0) {
        bits |= SsShift;
    }
    if ((mod & KMOD_ALT) != 0) {
        bits |= SsAlt;
    }
    if ((mod & KMOD_CTRL) != 0) {
        bits |= SsCtrl;
    }
    return bits;
}

uint8_t ButtonBits(Uint32 mask) {
    uint8_t bits = 0;
    if ((mask & SDL_BUTTON_LMASK) != 0) {
        bits |= SsLeft;
    }
    if ((mask & SDL_BUTTON_RMASK) != 0) {
        bits |= SsRight;
    }
    if ((mask & SDL_BUTTON_MMASK) != 0) {
        bits |= SsMiddle;
    }
    return bits;
}

// Letters follow the layout (as the original platform's key codes do), but a layout without
// Latin letters falls back to the physical key so that shortcuts still work. Digits are the
// physical top row for the same reason: on some layouts they need Shift to type.
int VirtualKeyOf(const SDL_Keysym& keysym) {
    SDL_Keycode sym = keysym.sym;
    SDL_Scancode code = keysym.scancode;
    if (sym >= SDLK_a && sym <= SDLK_z) {
        return 'A' + static_cast<int>(sym - SDLK_a);
    }
    if (code >= SDL_SCANCODE_A && code <= SDL_SCANCODE_Z) {
        return 'A' + static_cast<int>(code - SDL_SCANCODE_A);
    }
    if (code >= SDL_SCANCODE_1 && code <= SDL_SCANCODE_9) {
        return '1' + static_cast<int>(code - SDL_SCANCODE_1);
    }
    if (code == SDL_SCANCODE_0) {
        return '0';
    }
    if (code >= SDL_SCANCODE_F1 && code <= SDL_SCANCODE_F12) {
        return VkF1 + static_cast<int>(code - SDL_SCANCODE_F1);
    }
    if (code >= SDL_SCANCODE_KP_1 && code <= SDL_SCANCODE_KP_9) {
        return 0x61 + static_cast<int>(code - SDL_SCANCODE_KP_1);  // numeric pad 1..9
    }
    switch (code) {
        case SDL_SCANCODE_KP_0:
            return 0x60;
        case SDL_SCANCODE_LEFT:
            return VkLeft;
        case SDL_SCANCODE_RIGHT:
            return VkRight;
        case SDL_SCANCODE_UP:
            return VkUp;
        case SDL_SCANCODE_DOWN:
            return VkDown;
        case SDL_SCANCODE_HOME:
            return VkHome;
        case SDL_SCANCODE_END:
            return VkEnd;
        case SDL_SCANCODE_PAGEUP:
            return VkPrior;
        case SDL_SCANCODE_PAGEDOWN:
            return VkNext;
        case SDL_SCANCODE_INSERT:
            return VkInsert;
        case SDL_SCANCODE_DELETE:
            return VkDelete;
        case SDL_SCANCODE_BACKSPACE:
            return VkBack;
        case SDL_SCANCODE_TAB:
            return VkTab;
        case SDL_SCANCODE_RETURN:
        case SDL_SCANCODE_RETURN2:
        case SDL_SCANCODE_KP_ENTER:
            return VkReturn;
        case SDL_SCANCODE_ESCAPE:
            return VkEscape;
        case SDL_SCANCODE_SPACE:
            return VkSpace;
        case SDL_SCANCODE_LSHIFT:
        case SDL_SCANCODE_RSHIFT:
            return VkShift;
        case SDL_SCANCODE_LCTRL:
        case SDL_SCANCODE_RCTRL:
            return VkControl;
        case SDL_SCANCODE_LALT:
        case SDL_SCANCODE_RALT:
            return VkMenu;
        default:
            return 0;
    }
}

// X11 stores the window title twice, once in the locale's encoding (window managers read the
// UTF-8 copy). A program starts in the "C" locale, where the Japanese title would come out
// garbled in that copy; taking the user's locale for character types, as other X programs do,
// keeps it readable. Numbers keep their format.
void UseCharacterLocale() {
    const char* current = std::setlocale(LC_CTYPE, nullptr);
    if (current && (std::strcmp(current, "C") == 0 || std::strcmp(current, "POSIX") == 0)) {
        std::setlocale(LC_CTYPE, "");
    }
}

class SdlDisplay final : public IDisplay {
  public:
    explicit SdlDisplay(std::vector<TDisplayMode> modes) {
        if (!modes.empty()) {
            modes_ = std::move(modes);
        }
        // SIGINT and SIGTERM must end the player like a close request; SDL only turns them into
        // SDL_QUIT when its signal handlers are allowed (and no other handler is installed).
        SDL_SetHintWithPriority(SDL_HINT_NO_SIGNAL_HANDLERS, "0", SDL_HINT_OVERRIDE);
        // The window's close request arrives as its own event; a second SDL_QUIT for the same
        // click would close the player twice.
        SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
        UseCharacterLocale();
        // Only the desktop that is there is tried: probing for Wayland without a Wayland
        // session prints SDL's "XDG_RUNTIME_DIR is invalid" for nothing.
        if (SDL_getenv("SDL_VIDEODRIVER") == nullptr) {
            const char* x11 = SDL_getenv("DISPLAY");
            const char* wayland = SDL_getenv("WAYLAND_DISPLAY");
            const bool hasX11 = x11 != nullptr && *x11 != '\0';
            const bool hasWayland = wayland != nullptr && *wayland != '\0';
            if (!hasX11 && !hasWayland) {
                throw std::runtime_error("no display to show a window on");
            }
            if (hasX11 != hasWayland) {
                SDL_SetHint(SDL_HINT_VIDEODRIVER, hasX11 ? "x11" : "wayland");
            }
        }
        if (SDL_InitSubSystem(kSubsystems) != 0) {
            Fail("SDL_InitSubSystem");
        }
        // Without a display SDL falls back to drawing off screen, where a reader would see
        // nothing and could not answer anything; only a test that asks for it by name gets it.
        const char* driver = SDL_GetCurrentVideoDriver();
        const char* asked = SDL_getenv("SDL_VIDEODRIVER");
        if (driver && (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0) &&
            !(asked && SDL_strcasecmp(asked, driver) == 0)) {
            SDL_QuitSubSystem(kSubsystems);
            throw std::runtime_error("no display to show a window on");
        }
        try {
            Create();
        } catch (...) {
            Destroy();
            throw;
        }
    }

    ~SdlDisplay() override { Destroy(); }

    SdlDisplay(const SdlDisplay&) = delete;
    SdlDisplay& operator=(const SdlDisplay&) = delete;

    void SetTitle(std::string_view cp932) override {
        SDL_SetWindowTitle(window_, Cp932ToUtf8(cp932).c_str());
    }

    std::vector<TDisplayMode> DisplayModes() override { return modes_; }

    bool EnterFullScreen(const TDisplayMode& /*mode*/) override {
        // The bit count is the old mode rule's business only: the picture keeps its colours and
        // the desktop keeps its mode.
        if (!HasWindowManager()) {
            // Full screen is the window manager's to grant; on a bare X server (a kiosk) the
            // request would be lost and the picture drawn for a screen the window never
            // covers. A borderless window over the whole display does the same there.
            SDL_Rect bounds;
            if (SDL_GetDisplayBounds(std::max(0, SDL_GetWindowDisplayIndex(window_)), &bounds) !=
                0) {
                return false;
            }
            SDL_SetWindowBordered(window_, SDL_FALSE);
            SDL_SetWindowPosition(window_, bounds.x, bounds.y);
            SDL_SetWindowSize(window_, bounds.w, bounds.h);
        } else if (SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
            return false;
        }
        // The desktop rarely divides into whole multiples of the picture; smoothing hides the
        // uneven pixel widths.
        SDL_SetTextureScaleMode(texture_, SDL_ScaleModeLinear);
        SDL_ShowWindow(window_);
        SDL_RaiseWindow(window_);
        fullScreen_ = true;
        shown_ = true;
        return true;
    }

    bool EnterWindowMode() override {
        if (fullScreen_ && (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0 &&
            SDL_SetWindowFullscreen(window_, 0) != 0) {
            return false;
        }
        fullScreen_ = false;
        int display = std::max(0, SDL_GetWindowDisplayIndex(window_));
        int factor = WindowFactor(display);
        SDL_SetTextureScaleMode(texture_, SDL_ScaleModeNearest);
        SDL_SetWindowResizable(window_, SDL_FALSE);
        SDL_SetWindowBordered(window_, SDL_TRUE);
        SDL_SetWindowSize(window_, kCanvasWidth * factor, kCanvasHeight * factor);
        SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED_DISPLAY(display),
                              SDL_WINDOWPOS_CENTERED_DISPLAY(display));
        SDL_ShowWindow(window_);
        SDL_RaiseWindow(window_);
        shown_ = true;
        return true;
    }

    bool IsFullScreen() const override { return fullScreen_; }

    bool HasWindowManager() const { return WindowManagerRuns(window_); }
    bool IsShown() const override { return shown_; }
    bool IsActive() const override { return active_; }

    void Present(const uint8_t* bgr, size_t stride) override {
        if (bgr == nullptr || stride > static_cast<size_t>(INT_MAX)) {
            return;
        }
        SDL_UpdateTexture(texture_, nullptr, bgr, static_cast<int>(stride));
        SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
        SDL_RenderClear(renderer_);
        SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
        SDL_RenderPresent(renderer_);
    }

    bool WaitEvent(TInputEvent& event, uint32_t timeoutMs) override {
        const Uint32 start = SDL_GetTicks();
        for (;;) {
            if (TakeStrandedPost(event)) {
                return true;
            }
            Uint32 elapsed = SDL_GetTicks() - start;
            Uint32 left = elapsed >= timeoutMs ? 0 : timeoutMs - elapsed;
            SDL_Event raw;
            int got = left == 0 ? SDL_PollEvent(&raw)
                                : SDL_WaitEventTimeout(
                                      &raw, static_cast<int>(std::min<Uint32>(left, INT_MAX)));
            if (got == 0) {
                // A signal can end the wait early; only the clock says when to give up.
                if (left == 0) {
                    return false;
                }
                continue;
            }
            if (Translate(raw, event)) {
                return true;
            }
        }
    }

    void PostEvent(std::function<void()> work) override {
        // The lock is held across the push so the main loop never sees the wake-up before it is
        // counted.
        std::lock_guard<std::mutex> lock(postedMutex_);
        posted_.push_back(std::move(work));
        SDL_Event wake{};
        wake.type = postedType_;
        if (SDL_PushEvent(&wake) == 1) {
            ++wakesInFlight_;
        }
    }

    void SetCursor(CursorKind kind) override {
        kind_ = kind;
        ApplyCursor();
    }

    CursorKind Cursor() const override { return kind_; }

    // Made into a cursor when first shown: asking the X server for cursors is a noticeable part
    // of start-up, and most readings never skip.
    void SetFastForwardCursor(const TCursorImage& image) override {
        if (image.width <= 0 || image.height <= 0 ||
            image.pixels.size() < static_cast<size_t>(image.width) * image.height) {
            return;
        }
        fastForwardImage_ = image;
        if (fastForward_ != nullptr) {
            SDL_Cursor* old = fastForward_;
            fastForward_ = nullptr;
            ApplyCursor();
            SDL_FreeCursor(old);
        }
    }

    void WarpPointer(int x, int y) override {
        int wx = x;
        int wy = y;
        SDL_RenderLogicalToWindow(renderer_, static_cast<float>(x) + 0.5f,
                                  static_cast<float>(y) + 0.5f, &wx, &wy);
        // Wayland refuses; the picture already acts as if the pointer had moved.
        SDL_WarpMouseInWindow(window_, wx, wy);
    }

    uint32_t WindowId() const override { return windowId_; }

  private:
    void Create() {
        window_ = SDL_CreateWindow("", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kCanvasWidth,
                                   kCanvasHeight, SDL_WINDOW_HIDDEN);
        if (window_ == nullptr) {
            Fail("SDL_CreateWindow");
        }
        windowId_ = SDL_GetWindowID(window_);
        SetMessageBoxOwner(window_);
        // The loop paces itself by its timer; waiting for vertical blank would slow it down.
        renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED);
        if (renderer_ == nullptr) {
            renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
        }
        if (renderer_ == nullptr) {
            Fail("SDL_CreateRenderer");
        }
        if (!CreateTexture()) {
            Fail("SDL_CreateTexture");
        }
        // Letter-boxes the picture and brings mouse positions back in canvas coordinates.
        if (SDL_RenderSetLogicalSize(renderer_, kCanvasWidth, kCanvasHeight) != 0) {
            Fail("SDL_RenderSetLogicalSize");
        }
        postedType_ = SDL_RegisterEvents(1);
        if (postedType_ == static_cast<Uint32>(-1)) {
            Fail("SDL_RegisterEvents");
        }
        Uint32 buttons = SDL_GetMouseState(nullptr, nullptr);
        buttons_ = ButtonBits(buttons);
    }

    bool CreateTexture() {
        // Our rows hold B, G, R bytes, which SDL names BGR24.
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_BGR24, SDL_TEXTUREACCESS_STREAMING,
                                     kCanvasWidth, kCanvasHeight);
        if (texture_ == nullptr) {
            return false;
        }
        SDL_SetTextureScaleMode(texture_, fullScreen_ ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
        return true;
    }

    void Destroy() {
        // The pointer outlives the window (message boxes may follow), so it must be visible.
        if (kind_ == CursorKind::Hidden) {
            SDL_ShowCursor(SDL_ENABLE);
        }
        // SDL falls back to its default cursor when the one in use is freed.
        for (SDL_Cursor** cursor : {&fastForward_, &wait_, &arrow_}) {
            if (*cursor != nullptr) {
                SDL_FreeCursor(*cursor);
                *cursor = nullptr;
            }
        }
        if (texture_ != nullptr) {
            SDL_DestroyTexture(texture_);
            texture_ = nullptr;
        }
        if (renderer_ != nullptr) {
            SDL_DestroyRenderer(renderer_);
            renderer_ = nullptr;
        }
        if (window_ != nullptr) {
            if (MessageBoxOwner() == window_) {
                SetMessageBoxOwner(nullptr);
            }
            SDL_DestroyWindow(window_);
            window_ = nullptr;
        }
        SDL_QuitSubSystem(kSubsystems);
    }

    int WindowFactor(int display) const {
        SDL_Rect usable{};
        if (SDL_GetDisplayUsableBounds(display, &usable) != 0) {
            return 1;
        }
        int byWidth = (usable.w - kFrameMarginX) / kCanvasWidth;
        int byHeight = (usable.h - kFrameMarginY) / kCanvasHeight;
        return std::max(1, std::min(byWidth, byHeight));
    }

    static SDL_Cursor* MakeColorCursor(const TCursorImage& image) {
        // SDL copies the pixels, so the surface may borrow them.
        std::vector<uint32_t> pixels(image.pixels.begin(),
                                     image.pixels.begin() + image.width * image.height);
        SDL_Surface* surface =
            SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), image.width, image.height, 32,
                                               image.width * 4, SDL_PIXELFORMAT_ARGB8888);
        if (surface == nullptr) {
            return nullptr;
        }
        SDL_Cursor* cursor = SDL_CreateColorCursor(surface, image.hotX, image.hotY);
        SDL_FreeSurface(surface);
        return cursor;
    }

    // The cursor of `kind_`, made on first use; a cursor SDL cannot make falls back to the arrow,
    // and the arrow to SDL's default.
    SDL_Cursor* CursorFor(CursorKind kind) {
        if (kind == CursorKind::Hourglass) {
            if (wait_ == nullptr) {
                wait_ = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_WAIT);
            }
            if (wait_ != nullptr) {
                return wait_;
            }
        } else if (kind == CursorKind::FastForward && fastForwardImage_.width > 0) {
            if (fastForward_ == nullptr) {
                fastForward_ = MakeColorCursor(fastForwardImage_);
            }
            if (fastForward_ != nullptr) {
                return fastForward_;
            }
        }
        if (arrow_ == nullptr) {
            arrow_ = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
        }
        return arrow_ != nullptr ? arrow_ : SDL_GetDefaultCursor();
    }

    void ApplyCursor() {
        if (kind_ == CursorKind::Hidden) {
            SDL_ShowCursor(SDL_DISABLE);
            return;
        }
        SDL_SetCursor(CursorFor(kind_));
        SDL_ShowCursor(SDL_ENABLE);
    }

    // Work whose wake-up SDL refused (a full queue) would otherwise wait for the next post.
    bool TakeStrandedPost(TInputEvent& event) {
        std::lock_guard<std::mutex> lock(postedMutex_);
        if (posted_.size() <= wakesInFlight_) {
            return false;
        }
        TakePosted(event);
        return true;
    }

    // Called with postedMutex_ held and posted_ not empty.
    void TakePosted(TInputEvent& event) {
        event = TInputEvent{};
        event.kind = TInputEvent::Kind::Posted;
        event.posted = std::move(posted_.front());
        posted_.pop_front();
    }

    bool TranslatePosted(TInputEvent& event) {
        std::lock_guard<std::mutex> lock(postedMutex_);
        if (wakesInFlight_ > 0) {
            --wakesInFlight_;
        }
        if (posted_.empty()) {
            return false;
        }
        TakePosted(event);
        return true;
    }

    bool TranslateWindow(const SDL_WindowEvent& window, TInputEvent& event) {
        if (window.windowID != windowId_) {
            return false;
        }
        switch (window.event) {
            case SDL_WINDOWEVENT_FOCUS_GAINED:
            case SDL_WINDOWEVENT_FOCUS_LOST: {
                bool focused = window.event == SDL_WINDOWEVENT_FOCUS_GAINED;
                if (focused == active_) {
                    return false;
                }
                active_ = focused;
                event.kind = focused ? TInputEvent::Kind::Activate : TInputEvent::Kind::Deactivate;
                return true;
            }
            case SDL_WINDOWEVENT_CLOSE:
                event.kind = TInputEvent::Kind::Close;
                return true;
            case SDL_WINDOWEVENT_EXPOSED:
            case SDL_WINDOWEVENT_SIZE_CHANGED:
            case SDL_WINDOWEVENT_RESTORED:
                event.kind = TInputEvent::Kind::Expose;
                return true;
            default:
                return false;
        }
    }

    bool TranslateButton(const SDL_MouseButtonEvent& button, TInputEvent& event) {
        Uint32 mask = 0;
        switch (button.button) {
            case SDL_BUTTON_LEFT:
                event.button = MouseButton::Left;
                mask = SDL_BUTTON_LMASK;
                break;
            case SDL_BUTTON_RIGHT:
                event.button = MouseButton::Right;
                mask = SDL_BUTTON_RMASK;
                break;
            case SDL_BUTTON_MIDDLE:
                event.button = MouseButton::Middle;
                mask = SDL_BUTTON_MMASK;
                break;
            default:
                return false;
        }
        // SDL's own button state may already include later events of the queue, so the bits
        // are kept here, event by event: a press includes its button, a release does not.
        bool down = button.type == SDL_MOUSEBUTTONDOWN;
        buttons_ = down ? static_cast<uint8_t>(buttons_ | ButtonBits(mask))
                        : static_cast<uint8_t>(buttons_ & ~ButtonBits(mask));
        event.kind = down ? TInputEvent::Kind::MouseDown : TInputEvent::Kind::MouseUp;
        event.x = pointerX_ = button.x;
        event.y = pointerY_ = button.y;
        event.shift = static_cast<uint8_t>(ModifierBits(SDL_GetModState()) | buttons_);
        return true;
    }

    bool Translate(const SDL_Event& raw, TInputEvent& event) {
        event = TInputEvent{};
        if (raw.type == postedType_) {
            return TranslatePosted(event);
        }
        switch (raw.type) {
            case SDL_QUIT:
                event.kind = TInputEvent::Kind::Close;
                return true;
            case SDL_WINDOWEVENT:
                return TranslateWindow(raw.window, event);
            case SDL_RENDER_DEVICE_RESET:
                // The device lost its textures; the next picture needs a new one. Should that
                // fail, pictures are dropped (SDL refuses a missing texture) rather than the
                // loop ending.
                if (texture_ != nullptr) {
                    SDL_DestroyTexture(texture_);
                }
                CreateTexture();
                event.kind = TInputEvent::Kind::Expose;
                return true;
            case SDL_RENDER_TARGETS_RESET:
                event.kind = TInputEvent::Kind::Expose;
                return true;
            case SDL_MOUSEMOTION:
                if (raw.motion.windowID != windowId_) {
                    return false;
                }
                buttons_ = ButtonBits(raw.motion.state);
                event.kind = TInputEvent::Kind::MouseMove;
                event.x = pointerX_ = raw.motion.x;
                event.y = pointerY_ = raw.motion.y;
                event.shift = static_cast<uint8_t>(ModifierBits(SDL_GetModState()) | buttons_);
                return true;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP:
                if (raw.button.windowID != windowId_) {
                    return false;
                }
                return TranslateButton(raw.button, event);
            case SDL_MOUSEWHEEL:
                if (raw.wheel.windowID != windowId_ || raw.wheel.y == 0) {
                    return false;
                }
                // At the pointer as the last motion placed it on the picture: the wheel event's
                // own position is in window pixels, not scaled to the picture.
                event.kind = TInputEvent::Kind::MouseWheel;
                event.wheel =
                    raw.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -raw.wheel.y : raw.wheel.y;
                event.x = pointerX_;
                event.y = pointerY_;
                event.shift = static_cast<uint8_t>(ModifierBits(SDL_GetModState()) | buttons_);
                return true;
            case SDL_KEYDOWN:
            case SDL_KEYUP:
                event.key = VirtualKeyOf(raw.key.keysym);
                if (event.key == 0) {
                    return false;
                }
                // Held keys repeat as further presses, as the loop's handlers expect.
                event.kind =
                    raw.type == SDL_KEYDOWN ? TInputEvent::Kind::KeyDown : TInputEvent::Kind::KeyUp;
                event.shift = static_cast<uint8_t>(ModifierBits(raw.key.keysym.mod) | buttons_);
                return true;
            case SDL_TEXTINPUT:
                event.text = Utf8ToCp932(raw.text.text);
                if (event.text.empty()) {
                    return false;
                }
                event.kind = TInputEvent::Kind::Text;
                return true;
            default:
                return false;
        }
    }

    std::vector<TDisplayMode> modes_{{kCanvasWidth, kCanvasHeight, 16},
                                     {kCanvasWidth, kCanvasHeight, 32}};
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    SDL_Cursor* arrow_ = nullptr;
    SDL_Cursor* wait_ = nullptr;
    SDL_Cursor* fastForward_ = nullptr;
    TCursorImage fastForwardImage_;
    Uint32 windowId_ = 0;
    Uint32 postedType_ = 0;
    CursorKind kind_ = CursorKind::Default;
    bool fullScreen_ = false;
    bool shown_ = false;
    bool active_ = true;  // until the window first loses focus
    uint8_t buttons_ = 0;
    int pointerX_ = -1, pointerY_ = -1;  // canvas position of the last motion or button

    std::mutex postedMutex_;
    std::deque<std::function<void()>> posted_;
    size_t wakesInFlight_ = 0;
};

}  // namespace

std::unique_ptr<IDisplay> CreateSdlDisplay(std::vector<TDisplayMode> modes) {
    return std::make_unique<SdlDisplay>(std::move(modes));
}

}  // namespace tavri::platform
