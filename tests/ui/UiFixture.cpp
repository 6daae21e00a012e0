#include "ui/UiFixture.h"

namespace tavri::test {

using platform::TInputEvent;

TestMainWindow::TestMainWindow() : picture(640, 480) {
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            picture.SetPixel(x, y, RGB(uint8_t(x * 7 + y), uint8_t(y * 3), uint8_t(x ^ y)));
        }
    }
}

void TestMainWindow::MouseDown(platform::MouseButton, uint8_t, int x, int y) {
    clicks.emplace_back(x, y);
}

void TestMainWindow::KeyDown(int& key, uint8_t) {
    keys.push_back(key);
}

UiFixture::UiFixture() {
    app.SetMainWindow(&main);
}

UiFixture::~UiFixture() {
    app.SetMainWindow(nullptr);
}

namespace {

TInputEvent Mouse(TInputEvent::Kind kind, int x, int y, uint8_t shift) {
    TInputEvent e;
    e.kind = kind;
    e.x = x;
    e.y = y;
    e.shift = shift;
    e.button = platform::MouseButton::Left;
    return e;
}

}  // namespace

void UiFixture::MoveTo(int x, int y, uint32_t after) {
    display.Schedule(clock.Now() + after, Mouse(TInputEvent::Kind::MouseMove, x, y, 0));
}

void UiFixture::Press(int x, int y, uint8_t shift, uint32_t after) {
    display.Schedule(clock.Now() + after, Mouse(TInputEvent::Kind::MouseDown, x, y, shift));
}

void UiFixture::Release(int x, int y, uint32_t after) {
    display.Schedule(clock.Now() + after, Mouse(TInputEvent::Kind::MouseUp, x, y, 0));
}

void UiFixture::ClickAt(int x, int y, uint32_t after) {
    MoveTo(x, y, after);
    Press(x, y, platform::SsLeft, after);
    Release(x, y, after);
}

void UiFixture::Drain() {
    for (int turn = 0; turn < 10000 && display.PendingScripted() > 0; ++turn) {
        app.HandleMessage();
    }
    app.HandleMessage();
}

}  // namespace tavri::test
