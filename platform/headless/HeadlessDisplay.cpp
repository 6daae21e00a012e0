#include <algorithm>
#include <cstring>
#include <deque>
#include <mutex>
#include <utility>

#include "platform/Display.h"

namespace tavri::platform {

namespace {

constexpr size_t kRowBytes = static_cast<size_t>(kCanvasWidth) * 3;

struct TScripted {
    uint32_t at = 0;
    TInputEvent event;
};

}  // namespace

struct HeadlessDisplay::Impl {
    explicit Impl(VirtualClock& c) : clock(c) {}

    VirtualClock& clock;
    std::deque<TScripted> scripted;  // ordered by due time, then by scheduling order
    bool fullScreen = false;
    bool shown = false;
    CursorKind cursor = CursorKind::Default;

    std::mutex postedMutex;
    std::deque<std::function<void()>> posted;
};

HeadlessDisplay::HeadlessDisplay(VirtualClock& clock) : impl_(std::make_unique<Impl>(clock)) {}

HeadlessDisplay::~HeadlessDisplay() = default;

void HeadlessDisplay::SetTitle(std::string_view cp932) {
    title.assign(cp932);
}

std::vector<TDisplayMode> HeadlessDisplay::DisplayModes() {
    return modes;
}

bool HeadlessDisplay::EnterFullScreen(const TDisplayMode& mode) {
    fullScreenRequests.push_back(mode);
    if (failFullScreen > 0) {
        --failFullScreen;
        return false;
    }
    impl_->fullScreen = true;
    impl_->shown = true;
    return true;
}

bool HeadlessDisplay::EnterWindowMode() {
    impl_->fullScreen = false;
    impl_->shown = true;
    return true;
}

bool HeadlessDisplay::IsFullScreen() const {
    return impl_->fullScreen;
}

bool HeadlessDisplay::IsShown() const {
    return impl_->shown;
}

bool HeadlessDisplay::IsActive() const {
    return active;
}

void HeadlessDisplay::Present(const uint8_t* bgr, size_t stride) {
    frame.resize(kRowBytes * kCanvasHeight);
    for (int y = 0; y < kCanvasHeight; ++y) {
        std::memcpy(frame.data() + kRowBytes * y, bgr + stride * y, kRowBytes);
    }
    ++presentCount;
}

bool HeadlessDisplay::WaitEvent(TInputEvent& event, uint32_t timeoutMs) {
    {
        std::lock_guard<std::mutex> lock(impl_->postedMutex);
        if (!impl_->posted.empty()) {
            event = TInputEvent{};
            event.kind = TInputEvent::Kind::Posted;
            event.posted = std::move(impl_->posted.front());
            impl_->posted.pop_front();
            return true;
        }
    }
    VirtualClock& clock = impl_->clock;
    std::deque<TScripted>& scripted = impl_->scripted;
    uint32_t now = clock.Now();
    // Worked out in 64 bits so that a long timeout near the top of the range cannot wrap
    // below an event that is not due yet.
    uint64_t limit = static_cast<uint64_t>(now) + timeoutMs;
    if (scripted.empty() || scripted.front().at > limit) {
        clock.Advance(timeoutMs);
        return false;
    }
    if (scripted.front().at > now) {
        clock.Set(scripted.front().at);
    }
    event = std::move(scripted.front().event);
    scripted.pop_front();
    return true;
}

void HeadlessDisplay::PostEvent(std::function<void()> work) {
    std::lock_guard<std::mutex> lock(impl_->postedMutex);
    impl_->posted.push_back(std::move(work));
}

void HeadlessDisplay::SetCursor(CursorKind kind) {
    impl_->cursor = kind;
}

CursorKind HeadlessDisplay::Cursor() const {
    return impl_->cursor;
}

void HeadlessDisplay::SetFastForwardCursor(const TCursorImage& image) {
    fastForwardCursor = image;
}

void HeadlessDisplay::WarpPointer(int x, int y) {
    pointerX = x;
    pointerY = y;
}

uint32_t HeadlessDisplay::WindowId() const {
    return 1;
}

void HeadlessDisplay::Schedule(uint32_t at, TInputEvent event) {
    std::deque<TScripted>& scripted = impl_->scripted;
    auto pos = std::upper_bound(scripted.begin(), scripted.end(), at,
                                [](uint32_t due, const TScripted& s) { return due < s.at; });
    scripted.insert(pos, TScripted{at, std::move(event)});
}

void HeadlessDisplay::Click(int x, int y, MouseButton button) {
    uint8_t held = button == MouseButton::Left    ? SsLeft
                   : button == MouseButton::Right ? SsRight
                                                  : SsMiddle;
    TInputEvent down;
    down.kind = TInputEvent::Kind::MouseDown;
    down.x = x;
    down.y = y;
    down.button = button;
    down.shift = held;
    TInputEvent up = down;
    up.kind = TInputEvent::Kind::MouseUp;
    up.shift = 0;
    uint32_t now = impl_->clock.Now();
    Schedule(now, std::move(down));
    Schedule(now, std::move(up));
}

void HeadlessDisplay::Key(int key) {
    TInputEvent down;
    down.kind = TInputEvent::Kind::KeyDown;
    down.key = key;
    TInputEvent up = down;
    up.kind = TInputEvent::Kind::KeyUp;
    uint32_t now = impl_->clock.Now();
    Schedule(now, std::move(down));
    Schedule(now, std::move(up));
}

size_t HeadlessDisplay::PendingScripted() const {
    return impl_->scripted.size();
}

}  // namespace tavri::platform
