#include "sound/SoundNovel.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "Packager.h"
#include "ScenarioFile.h"
#include "ScenarioSource.h"
#include "platform/FileSystem.h"
#include "platform/TextEncoding.h"
#include "run/RunFixture.h"
#include "sound/SoundSupport.h"

namespace tavri::test {

namespace {

const char* const kSource = R"(
[header]
NovelTitle = "Sound"
StartItemName = "start"
TextSpeed = 30
BookmarkMode = 0

[item "start"]
Text:
| the first page
)";

}  // namespace

SoundNovel::SoundNovel(NovelForm form, const std::map<std::string, std::vector<uint8_t>>& files,
                       const char* driver) {
    InstallSoundEngineBeside(dir.path(), driver);
    const std::string data = form == NovelForm::Packaged ? "data/" : "novel/";
    for (const auto& [name, bytes] : files) {
        dir.Write(data + name, bytes);
    }
    if (form == NovelForm::Packaged) {
        dir.Write("novel.src", kSource);
        // Any executable image will do as the program the package is appended to.
        const auto engine = platform::ReadWholeFile(BuiltSoundEnginePath());
        EXPECT_TRUE(engine.has_value());
        dir.Write("data/QKSound.qkx", engine.value_or(std::vector<uint8_t>{}));
        tool::TPackOptions options;
        options.Folder = dir.path() + "/data";
        options.OutputPath = dir.path() + "/Novel";
        // Only the package's copy may be loaded.
        platform::RemoveFile(dir.path() + "/QKSound.qkx");
        options.PlayerPath = FakeSoundEnginePath("revision2");
        options.ScenarioPath = dir.path() + "/novel.src";
        options.Seed = 7;
        tool::PackNovel(options);
        programPath = options.OutputPath;
    } else {
        dir.Write("novel/test.qke", tool::CompileSource(kSource, "test.src").ToBytes());
        arguments = {dir.path() + "/novel/test.qke"};
        programPath = dir.path() + "/TavriNovelRun";
        if (form == NovelForm::FileWithoutEngine) {
            platform::RemoveFile(dir.path() + "/QKSound.qkx");
        }
    }
}

void SoundNovel::Start() {
    const std::string startDirectory = arguments.empty() ? dir.path() : dir.path() + "/novel";
    TStartupEnvironment env{arguments, programPath, startDirectory, clock, messages};
    ASSERT_EQ(StartNovel(env, session), 0);
    OpenNovelWindows(*this);
}

SoundNovel::~SoundNovel() {
    Stop();
}

void SoundNovel::Command(const std::string& utf8Line) {
    main->RunCommandLine(platform::Cp932(utf8Line));
}

bool SoundNovel::IsPlaying(const char* track) const {
    return main->IsSoundTrackPlaying(track);
}

bool SoundNovel::RunUntil(const std::function<bool()>& done, uint32_t limitMs) {
    return RunLoopUntil(*this, done, limitMs);
}

void SoundNovel::Click(int x, int y) {
    ClickAt(*this, x, y, platform::MouseButton::Left);
}

void SoundNovel::Stop() {
    if (main) {
        main->Close();
        CloseNovelWindows(*this);
    }
}

std::vector<std::string> SoundNovel::Shown() const {
    std::vector<std::string> shown;
    for (const auto& record : messages.records) {
        shown.push_back(platform::Cp932ToUtf8(record.caption) + ": " +
                        platform::Cp932ToUtf8(record.text));
    }
    return shown;
}

bool WaitUntil(const std::function<bool()>& done, int limitMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace tavri::test
