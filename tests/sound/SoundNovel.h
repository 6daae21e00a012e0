#pragma once

// A novel with sound, started the way a user starts one: packed into a program together with
// QKSound.qkx (the package holds the sound files), or as a scenario file with its files in a
// data folder and the engine beside the program (or missing). The main window runs on the
// headless display; the sound engine plays through SDL's dummy or disk audio driver.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Startup.h"
#include "forms/NovelWindows.h"
#include "platform/Clock.h"
#include "platform/Display.h"
#include "platform/MessageBox.h"
#include "platform/Midi.h"
#include "run/RunCommon.h"
#include "run/RunFixture.h"
#include "run/RunMain.h"
#include "support/TestSupport.h"
#include "ui/Application.h"
#include "ui/RunYesNo.h"

namespace tavri::test {

enum class NovelForm { Packaged, FileWithEngine, FileWithoutEngine };

struct SoundNovel : THeadlessNovelHost {
    // `files` are the novel's files (relative paths with "/").
    SoundNovel(NovelForm form, const std::map<std::string, std::vector<uint8_t>>& files,
               const char* driver = "dummy");
    ~SoundNovel();

    // Starts the program: start-up, then the main window (which loads the sound engine).
    void Start();
    // Runs one command line (UTF-8) on the main window.
    void Command(const std::string& utf8Line);
    bool IsPlaying(const char* track) const;
    // Runs loop turns until `done` holds, at most `limitMs` of virtual time.
    bool RunUntil(const std::function<bool()>& done, uint32_t limitMs = 600000);
    void Click(int x, int y);
    // Closes and destroys the main window, as the program's end does.
    void Stop();
    // The recorded message boxes as "caption: text" in UTF-8.
    std::vector<std::string> Shown() const;

    TempDir dir;
    std::string programPath;
    std::vector<std::string> arguments;
};

// Waits (in real time, polling) until `done` holds; false when it did not within `limitMs`.
bool WaitUntil(const std::function<bool()>& done, int limitMs = 10000);

}  // namespace tavri::test
