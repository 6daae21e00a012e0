// Frames a transition puts on a real screen: the main window runs on the SDL display as in the
// player, with a display in between that counts the pictures handed over, and the loop turns
// until the transition ends. A transition draws one step per timer tick, so frames per second
// show how much of each millisecond tick its drawing and presenting take.

#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "PlayerBench.h"
#include "ScenarioFile.h"
#include "ScenarioSource.h"
#include "Startup.h"
#include "forms/NovelWindows.h"
#include "graphics/Canvas.h"
#include "graphics/Image.h"
#include "platform/Clock.h"
#include "platform/Display.h"
#include "platform/MessageBox.h"
#include "run/RunCommon.h"
#include "run/RunMain.h"
#include "ui/Application.h"
#include "ui/RunYesNo.h"

namespace tavri::bench {
namespace {

const char* const kSource = R"(
[header]
NovelTitle = "Transition frames"
StartItemName = "start"

[item "start"]
Text:
| hello
)";

class TCountingDisplay final : public platform::IDisplay {
  public:
    explicit TCountingDisplay(std::unique_ptr<platform::IDisplay> inner)
        : inner_(std::move(inner)) {}

    void SetTitle(std::string_view cp932) override { inner_->SetTitle(cp932); }
    std::vector<platform::TDisplayMode> DisplayModes() override { return inner_->DisplayModes(); }
    bool EnterFullScreen(const platform::TDisplayMode& mode) override {
        return inner_->EnterFullScreen(mode);
    }
    bool EnterWindowMode() override { return inner_->EnterWindowMode(); }
    bool IsFullScreen() const override { return inner_->IsFullScreen(); }
    bool IsShown() const override { return inner_->IsShown(); }
    bool IsActive() const override { return inner_->IsActive(); }
    void Present(const uint8_t* bgr, size_t stride) override {
        ++presents;
        inner_->Present(bgr, stride);
    }
    bool WaitEvent(platform::TInputEvent& event, uint32_t timeoutMs) override {
        return inner_->WaitEvent(event, timeoutMs);
    }
    void PostEvent(std::function<void()> work) override { inner_->PostEvent(std::move(work)); }
    void SetCursor(platform::CursorKind kind) override { inner_->SetCursor(kind); }
    platform::CursorKind Cursor() const override { return inner_->Cursor(); }
    void SetFastForwardCursor(const platform::TCursorImage& image) override {
        inner_->SetFastForwardCursor(image);
    }
    void WarpPointer(int x, int y) override { inner_->WarpPointer(x, y); }
    uint32_t WindowId() const override { return inner_->WindowId(); }

    uint64_t presents = 0;

  private:
    std::unique_ptr<platform::IDisplay> inner_;
};

// The novel's folder for the length of a measurement.
class TNovelFolder {
  public:
    TNovelFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tavri-bench-XXXXXX");
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        path_ = pattern;
        std::filesystem::create_directories(path_ + "/novel");
        const std::vector<uint8_t> bytes = tool::CompileSource(kSource, "bench.src").ToBytes();
        std::ofstream(path_ + "/novel/bench.qke", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    ~TNovelFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TNovelFolder(const TNovelFolder&) = delete;
    TNovelFolder& operator=(const TNovelFolder&) = delete;

    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

bool RunUntil(ui::TApplication& app, const std::function<bool()>& done, double limitSeconds) {
    const auto end = std::chrono::steady_clock::now() +
                     std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                         std::chrono::duration<double>(limitSeconds));
    while (!done()) {
        if (app.Terminated() || std::chrono::steady_clock::now() > end) {
            return false;
        }
        app.HandleMessage();
    }
    return true;
}

}  // namespace

std::vector<double> TransitionFramesPerSecond(const std::string& effect, int runs) {
    TNovelFolder folder;
    auto clock = platform::CreateSystemClock();
    platform::RecordingMessageBoxService messages;
    TStartupEnvironment env{{folder.Path() + "/novel/bench.qke"},
                            folder.Path() + "/TavriNovelRun",
                            folder.Path() + "/novel",
                            *clock,
                            messages};
    TNovelSession session;
    if (StartNovel(env, session) != 0) {
        throw std::runtime_error("the novel did not start");
    }
    TCountingDisplay display(platform::CreateSdlDisplay());
    TNovelWindows windows(session, display, *clock, messages);
    ui::TApplication& app = windows.Application();
    TRunCommon& state = windows.State();
    TMainForm& main = windows.Main();
    windows.Show();

    std::vector<double> samples;
    // The first tick shows the window and starts the logo's fade-in; ours follow it at once, so
    // the opening does not move on in between.
    if (RunUntil(
            app, [&] { return display.IsShown() && !main.IsTransitionActive(); }, 10)) {
        for (int run = 0; run < runs; ++run) {
            FillRect(state.NextFrameImage, TRect{0, 0, 640, 480},
                     run % 2 == 0 ? RGB(230, 240, 250) : RGB(20, 30, 40));
            main.PrepareTransition(effect, "", "500");
            main.BeginTransition();
            const uint64_t before = display.presents;
            const auto start = std::chrono::steady_clock::now();
            if (!RunUntil(
                    app, [&] { return !main.IsTransitionActive(); }, 10)) {
                break;
            }
            const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
            samples.push_back(double(display.presents - before) / elapsed.count());
        }
    }
    for (const auto& record : messages.records) {
        std::fprintf(stderr, "message: %s\n", record.text.c_str());
    }
    return samples;
}

}  // namespace tavri::bench
