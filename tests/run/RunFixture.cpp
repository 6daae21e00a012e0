#include "run/RunFixture.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "ScenarioFile.h"
#include "ScenarioSource.h"
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
    arguments = {dir.path() + "/novel/test.qke"};
    arguments.insert(arguments.end(), extraArguments.begin(), extraArguments.end());
    InstallSoundEngineBeside(dir.path());
    Start();
}

void RunFixture::Start() {
    TStartupEnvironment env{arguments, dir.path() + "/TavriNovelRun", dir.path() + "/novel", clock,
                            messages};
    startStatus = StartNovel(env, session);
    EXPECT_EQ(startStatus, 0);
    OpenNovelWindows(*this);
}

void RunFixture::Restart() {
    CloseNovelWindows(*this);
    session = TNovelSession{};
    Start();
}

RunFixture::~RunFixture() {
    CloseNovelWindows(*this);
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
    ASSERT_TRUE(RunUntil([&] { return main->AcceptsTitleClick(); }));
    auto alive = std::make_shared<bool>(true);
    ClickWhenModal(*this, windows->Bookmarks(), kStartOverButton.X, kStartOverButton.Y, alive);
    ClickWhenModal(*this, *yesNo, kYesNoOkButton.X, kYesNoOkButton.Y, alive);
    Click(320, 300);
    ASSERT_TRUE(RunUntil([&] { return state->RunMode != RmTitle; }));
    ASSERT_TRUE(RunUntil([&] { return !main->IsTransitionActive(); }));
    *alive = false;
}

uint32_t NoteOnMessage(int key, int velocity) {
    return 0x90u | uint32_t(key) << 8 | uint32_t(velocity) << 16;
}

int CountSent(const platform::RecordingMidiSystem& midi, uint32_t message) {
    const auto messages = midi.Messages();
    return int(std::count_if(messages.begin(), messages.end(),
                             [&](const platform::TRecordedMidi& m) { return m.Short == message; }));
}

bool Sent(const platform::RecordingMidiSystem& midi, uint32_t message) {
    return CountSent(midi, message) > 0;
}

bool EndsSilenced(const platform::RecordingMidiSystem& midi) {
    const auto messages = midi.Messages();
    if (messages.size() < 64) {
        return false;
    }
    for (int channel = 0; channel < 16; ++channel) {
        const uint8_t controllers[] = {7, 120, 123, 121};
        for (int k = 0; k < 4; ++k) {
            const auto& m = messages[messages.size() - 64 + size_t(channel * 4 + k)];
            if (m.Short != (0xB0u | uint32_t(channel) | uint32_t(controllers[k]) << 8)) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace tavri::test
