#include "run/HeadlessReader.h"

#include <algorithm>
#include <cstdio>

#include "platform/FileSystem.h"

namespace tavri {

namespace {

// How long the reader looks at a page before it clicks, in novel time.
constexpr uint32_t kReadingPause = 400;

void PutLe(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(uint8_t(value >> (8 * i)));
    }
}

}  // namespace

std::vector<uint8_t> BmpBytes(const TImage& picture) {
    TImage p = picture;
    p.SetPixelFormat(TPixelFormat::Pf24bit);
    const uint32_t rowBytes = (uint32_t(p.Width()) * 3 + 3) & ~3u;
    const uint32_t dataBytes = rowBytes * uint32_t(p.Height());
    std::vector<uint8_t> out;
    out.reserve(54 + dataBytes);
    out.push_back('B');
    out.push_back('M');
    PutLe(out, 54 + dataBytes, 4);
    PutLe(out, 0, 4);
    PutLe(out, 54, 4);
    PutLe(out, 40, 4);
    PutLe(out, uint32_t(p.Width()), 4);
    PutLe(out, uint32_t(p.Height()), 4);
    PutLe(out, 1, 2);
    PutLe(out, 24, 2);
    PutLe(out, 0, 4);
    PutLe(out, dataBytes, 4);
    PutLe(out, 2835, 4);
    PutLe(out, 2835, 4);
    PutLe(out, 0, 4);
    PutLe(out, 0, 4);
    for (int y = p.Height() - 1; y >= 0; --y) {
        const uint8_t* row = p.ScanLine(y);
        out.insert(out.end(), row, row + p.RowBytes());
        out.insert(out.end(), rowBytes - p.RowBytes(), 0);
    }
    return out;
}

THeadlessReader::THeadlessReader(platform::VirtualClock& clock, platform::HeadlessDisplay& display,
                                 TMainForm& main, int firstChoice)
    : clock_(clock), display_(display), main_(main), choice_(firstChoice) {}

void THeadlessReader::Shoot() {
    ++result_.Pages;
    if (folder_.empty()) {
        return;
    }
    char name[32];
    std::snprintf(name, sizeof name, "/page-%04d.bmp", result_.Pages);
    const TImage& frame = main_.Application.Frame();
    platform::WriteWholeFile(folder_ + name,
                             BmpBytes(frame.Empty() ? main_.State.ScreenImage : frame));
}

void THeadlessReader::Act() {
    TRunCommon& state = main_.State;
    const bool idle = !main_.TransitionActive && !main_.Waiting && !state.PendingClick.Pending &&
                      display_.PendingScripted() == 0;
    bool wantsClick = false;
    int x = 320, y = 240;
    if (idle && state.RunMode == RmTitle && main_.TitleFrame > 141) {
        if (started_) {
            result_.Finished = true;
            return;
        }
        wantsClick = true;
    } else if (idle && state.RunMode == RmClickWait) {
        wantsClick = true;
    } else if (idle && state.RunMode == RmLinks && main_.ChoicesBuilt && main_.ChoiceCount > 0) {
        // Row e of the menu is under y = 26 + lh × e (see the hover rule); aim at its middle.
        const int lh = std::max(1, state.GlyphSize.Height * 140 / 100);
        const int e = choice_ % main_.ChoiceCount;
        x = 200;
        y = 26 + lh * e + lh / 2;
        wantsClick = true;
    }
    if (!wantsClick) {
        waiting_ = false;
        return;
    }
    if (!waiting_) {
        waiting_ = true;
        waitingSince_ = clock_.Now();
        return;
    }
    if (clock_.Now() - waitingSince_ < kReadingPause) {
        return;
    }
    waiting_ = false;
    if (state.RunMode == RmTitle) {
        started_ = true;
    } else {
        Shoot();
    }
    if (state.RunMode == RmLinks) {
        ++choice_;
    }
    platform::TInputEvent move;
    move.kind = platform::TInputEvent::Kind::MouseMove;
    move.x = x;
    move.y = y;
    display_.Schedule(clock_.Now(), move);
    // Give the menu a tick to see the pointer before the click.
    platform::TInputEvent down = move;
    down.kind = platform::TInputEvent::Kind::MouseDown;
    down.button = platform::MouseButton::Left;
    down.shift = platform::SsLeft;
    display_.Schedule(clock_.Now() + 100, down);
    platform::TInputEvent up = down;
    up.kind = platform::TInputEvent::Kind::MouseUp;
    up.shift = 0;
    display_.Schedule(clock_.Now() + 100, up);
}

THeadlessReadResult THeadlessReader::Read(const std::string& shotsFolder, uint32_t limitMs) {
    folder_ = shotsFolder;
    if (!folder_.empty()) {
        platform::CreateDirectories(folder_);
    }
    const uint32_t end = clock_.Now() + limitMs;
    ui::TApplication& app = main_.Application;
    while (!app.Terminated() && !result_.Finished && int32_t(end - clock_.Now()) > 0) {
        app.HandleMessage();
        Act();
    }
    return result_;
}

}  // namespace tavri
