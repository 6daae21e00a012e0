#pragma once

// Crash safety for real: a writer process replaces a file again and again and is killed at
// random moments, as a power cut or a crash would stop it. Whatever moment the kill lands on, the
// file must hold one of the two versions whole, and nothing but temporary files may be left
// beside it.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/FileSystem.h"

namespace tavri::test {

struct TKilledWriters {
    int switches = 0;  // how often the file was found holding the other version
    int strays = 0;    // temporary files a killed writer left
};

// Each writer is killed up to `maxDelayMicroseconds` after it starts, which should cover a few
// replaces. `replace(true)` writes the version whose bytes are `first`, `replace(false)` the one
// whose bytes are `second`; it runs in forked children only and returns false on failure. The file,
// `folder` + `name`, must already hold `first`. After every kill `check` (if given) may look at
// the file further.
inline void KillWritersRepeatedly(const std::string& folder, const std::string& name, int kills,
                                  int maxDelayMicroseconds,
                                  const std::function<bool(bool first)>& replace,
                                  const std::vector<uint8_t>& first,
                                  const std::vector<uint8_t>& second, TKilledWriters& report,
                                  const std::function<void(bool holdsFirst)>& check = {}) {
    const std::string path = folder + name;
    const std::string strayPrefix = "." + name + ".";
    bool holdsFirst = true;
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> delayMicroseconds(0, maxDelayMicroseconds);
    for (int round = 0; round < kills; ++round) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        // Each writer starts with the version the file does not hold, so that every replace it
        // finishes changes what the next check sees.
        const bool startWith = !holdsFirst;
        const pid_t pid = fork();
        ASSERT_GE(pid, 0) << "fork: " << std::strerror(errno);
        if (pid == 0) {
            // Nothing here may need the parent's other state (no gtest).
            close(ready[0]);
            const char byte = 1;
            if (write(ready[1], &byte, 1) != 1) {
                _exit(3);
            }
            for (bool useFirst = startWith;; useFirst = !useFirst) {
                if (!replace(useFirst)) {
                    _exit(2);
                }
            }
        }
        close(ready[1]);
        // The delay counts from the writer running, not from the fork, whose cost varies.
        char byte = 0;
        ssize_t n;
        while ((n = read(ready[0], &byte, 1)) < 0 && errno == EINTR) {
        }
        close(ready[0]);
        std::this_thread::sleep_for(std::chrono::microseconds(delayMicroseconds(random)));
        kill(pid, SIGKILL);
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        ASSERT_EQ(n, 1) << "the writer never started";
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "the writer stopped by itself with status " << status << " at kill " << round;

        const std::optional<std::vector<uint8_t>> contents = platform::ReadWholeFile(path);
        ASSERT_TRUE(contents) << "the file is gone after kill " << round;
        const bool isFirst = *contents == first, isSecond = *contents == second;
        ASSERT_TRUE(isFirst || isSecond) << "after kill " << round << " the file holds "
                                         << contents->size() << " bytes that are neither version";
        report.switches += isFirst != holdsFirst;
        holdsFirst = isFirst;
        if (check) {
            check(holdsFirst);
        }

        // A writer killed between creating its temporary file and renaming it leaves the file
        // behind; it must carry the temporary name, never the file's.
        for (const std::string& entry : platform::ListDirectory(folder)) {
            if (entry == name) {
                continue;
            }
            ASSERT_EQ(entry.rfind(strayPrefix, 0), 0u) << "unexpected " << entry;
            ++report.strays;
            ASSERT_TRUE(platform::RemoveFile(folder + entry));
        }
    }
}

}  // namespace tavri::test
