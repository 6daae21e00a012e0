#pragma once

// A headless application with a main window whose picture is a known pattern, for the tests of
// the forms host, the loop and the dialogs.

#include <algorithm>
#include <vector>

#include "graphics/Image.h"
#include "graphics/TestBitmaps.h"
#include "platform/Clock.h"
#include "platform/Display.h"
#include "platform/MessageBox.h"
#include "ui/Application.h"

namespace tavri::test {

// The main window: a picture whose every pixel differs from its neighbours, and a log of the
// input that reached it.
class TestMainWindow : public ui::IMainWindow {
  public:
    TestMainWindow();
    const TImage& Picture() const override { return picture; }
    void MouseDown(platform::MouseButton, uint8_t, int x, int y) override;
    void KeyDown(int& key, uint8_t) override;
    TImage picture;
    std::vector<int> keys;
    std::vector<std::pair<int, int>> clicks;
};

struct UiFixture {
    UiFixture();
    ~UiFixture();
    // Scripts press and release of the left button at (x, y) at the clock's present time, the
    // pointer moving there first.
    void ClickAt(int x, int y, uint32_t after = 0);
    void MoveTo(int x, int y, uint32_t after = 0);
    void Press(int x, int y, uint8_t shift, uint32_t after = 0);
    void Release(int x, int y, uint32_t after = 0);
    // Runs loop turns until the scripted input is used up (bounded).
    void Drain();

    platform::VirtualClock clock{1000};
    platform::HeadlessDisplay display{clock};
    platform::RecordingMessageBoxService messages;
    ui::TApplication app{display, clock, messages};
    TestMainWindow main;
};

}  // namespace tavri::test
