// Saving a full bookmark file (about 600 KB) the crash-safe way (ours: temporary file, fsync,
// rename, folder fsync), beside the same temporary file and rename without any flush
// (write_rename, safe against a crashing program but not against a power cut), and beside
// writing over the file in place (write_truncate, what a naive program does, which leaves a
// short or empty file when stopped midway). The difference is what the disk's flushes cost.
//
//   build/bin/tavri-bench --benchmark_filter=SafeReplace

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchFiles.h"
#include "platform/FileSystem.h"

namespace tavri {
namespace {

using bench::TBenchFolder;
using bench::WriteAll;

constexpr size_t kBookmarkFileSize = 600 * 1024;

std::vector<uint8_t> Contents() {
    std::vector<uint8_t> bytes(kBookmarkFileSize);
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<uint8_t>(i * 13 + i / 4093);
    }
    return bytes;
}

void SafeReplaceOurs(benchmark::State& state) {
    const std::vector<uint8_t> bytes = Contents();
    TBenchFolder folder;
    const std::string path = folder.path() + "novel.qkb";
    for (auto _ : state) {
        std::string error;
        if (!platform::ReplaceFileContents(path, bytes, &error)) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

void SafeReplaceWriteRename(benchmark::State& state) {
    const std::vector<uint8_t> bytes = Contents();
    TBenchFolder folder;
    const std::string path = folder.path() + "novel.qkb", temporary = path + ".new";
    for (auto _ : state) {
        const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const bool written = fd >= 0 && WriteAll(fd, bytes);
        if (fd < 0 || close(fd) != 0 || !written || rename(temporary.c_str(), path.c_str()) != 0) {
            state.SkipWithError("writing and renaming failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

void SafeReplaceWriteTruncate(benchmark::State& state) {
    const std::vector<uint8_t> bytes = Contents();
    TBenchFolder folder;
    const std::string path = folder.path() + "novel.qkb";
    for (auto _ : state) {
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const bool written = fd >= 0 && WriteAll(fd, bytes);
        if (fd < 0 || close(fd) != 0 || !written) {
            state.SkipWithError("writing in place failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

[[maybe_unused]] const bool kRegistered = [] {
    benchmark::RegisterBenchmark("SafeReplace/ours", SafeReplaceOurs)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("SafeReplace/write_rename", SafeReplaceWriteRename)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("SafeReplace/write_truncate", SafeReplaceWriteTruncate)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    return true;
}();

}  // namespace
}  // namespace tavri
