// Crash safety for real: a writer process replaces the file again and again and is killed at
// random moments, as a power cut or a crash would stop it. Whatever moment the kill lands on, the
// file must hold one of the two versions whole.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/FileSystem.h"
#include "support/TestSupport.h"

namespace tavri::platform {

// Recognisable contents: the bytes of a seeded generator, so two payloads of any sizes differ
// from their first byte on and a mix of them matches neither.
static std::vector<uint8_t> Payload(uint32_t seed, size_t size) {
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(size);
    for (uint8_t& b : bytes) {
        b = static_cast<uint8_t>(random() >> 24);
    }
    return bytes;
}

namespace {

constexpr int kKills = 400;

// The writer, in the forked child: says it runs, then replaces the file with `first`, `second`,
// `first`... until killed. Nothing here may need the parent's other state (no gtest).
[[noreturn]] void Writer(int ready, const std::string& path, const std::vector<uint8_t>& first,
                         const std::vector<uint8_t>& second) {
    const char byte = 1;
    if (write(ready, &byte, 1) != 1) {
        _exit(3);
    }
    for (bool useFirst = true;; useFirst = !useFirst) {
        if (!ReplaceFileContents(path, useFirst ? first : second)) {
            _exit(2);
        }
    }
}

TEST(SafeReplaceCrash, AKilledWriterLeavesOneVersionWhole) {
    test::TempDir dir;
    const std::string path = dir.path() + "novel.qkb";
    const std::string strayPrefix = ".novel.qkb.";
    const std::vector<uint8_t> a = Payload(1, 600 * 1024), b = Payload(2, 600 * 1024 + 1777);
    ASSERT_TRUE(ReplaceFileContents(path, a));
    bool holdsA = true;

    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> delayMicroseconds(0, 3000);
    int switches = 0, strays = 0;
    for (int round = 0; round < kKills; ++round) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        // Each writer starts with the version the file does not hold, so that every replace it
        // finishes changes what the next check sees.
        const pid_t pid = fork();
        ASSERT_GE(pid, 0) << "fork: " << std::strerror(errno);
        if (pid == 0) {
            close(ready[0]);
            Writer(ready[1], path, holdsA ? b : a, holdsA ? a : b);
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

        const std::optional<std::vector<uint8_t>> contents = ReadWholeFile(path);
        ASSERT_TRUE(contents) << "the file is gone after kill " << round;
        const bool isA = *contents == a, isB = *contents == b;
        ASSERT_TRUE(isA || isB) << "after kill " << round << " the file holds " << contents->size()
                                << " bytes that are neither version";
        switches += isA != holdsA;
        holdsA = isA;

        // A writer killed between creating its temporary file and renaming it leaves the file
        // behind; it must carry the temporary name, never the file's.
        for (const std::string& name : ListDirectory(dir.path())) {
            if (name == "novel.qkb") {
                continue;
            }
            ASSERT_EQ(name.rfind(strayPrefix, 0), 0u) << "unexpected " << name;
            ++strays;
            ASSERT_TRUE(RemoveFile(dir.path() + name));
        }
    }
    std::printf("%d writers killed: the file changed version %d times, %d temporary files left\n",
                kKills, switches, strays);
    RecordProperty("switches", switches);
    RecordProperty("strays", strays);
}

}  // namespace
}  // namespace tavri::platform
