#include "run/RunFixture.h"

#include <gtest/gtest.h>

#include "ScenarioFile.h"
#include "ScenarioSource.h"
#include "WindowPictures.h"
#include "platform/TextEncoding.h"
#include "sound/SoundSupport.h"

namespace tavri::test {

RunFixture::RunFixture(const std::string& source,
                       const std::map<std::string, std::vector<uint8_t>>& files,
                       std::vector<std::string> extraArguments) {
    const tool::TScenarioFile scenario = tool::CompileSource(source, "test.src");
    dir.Write("novel/test.qke", scenario.ToBytes());
    for (const auto& [name, bytes] : files) {
        dir.Write("novel/" + name, bytes);
    }
    std::vector<std::string> args{dir.path() + "/novel/test.qke"};
    args.insert(args.end(), extraArguments.begin(), extraArguments.end());
    InstallSoundEngineBeside(dir.path());
    TStartupEnvironment env{args, dir.path() + "/TavriNovelRun", dir.path() + "/novel", clock,
                            messages};
    startStatus = StartNovel(env, session);
    EXPECT_EQ(startStatus, 0);
    OpenNovelWindows(*this);
}

RunFixture::~RunFixture() {
    // The main window's destruction releases what it holds.
    if (main) {
        app->SetMainWindow(nullptr);
    }
}

void RunFixture::RunFor(uint32_t ms) {
    const uint32_t end = clock.Now() + ms;
    while (!app->Terminated() && int32_t(end - clock.Now()) > 0) {
        app->HandleMessage();
    }
}

bool RunFixture::RunUntil(const std::function<bool()>& done, uint32_t limitMs) {
    return RunLoopUntil(*this, done, limitMs);
}

void RunFixture::Click(int x, int y, platform::MouseButton button) {
    ClickAt(*this, x, y, button);
}

void RunFixture::Key(int key) {
    display.Key(key);
}

void RunFixture::StartReading() {
    ASSERT_TRUE(RunUntil([&] { return main->TitleFrame > 141; }));
    Click(320, 300);
    ASSERT_TRUE(RunUntil([&] { return state->RunMode != RmTitle; }));
    ASSERT_TRUE(RunUntil([&] { return !main->TransitionActive; }));
}

}  // namespace tavri::test
