#pragma once

// What the file benchmarks share: a folder of their own and the plain write the peers use.
// The folder is made under $TAVRI_BENCH_DIR (default /tmp), so that a disk whose flushes cost
// something can be measured where /tmp is kept in memory.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace tavri::bench {

// A fresh folder for one benchmark, removed after it.
class TBenchFolder {
  public:
    TBenchFolder() {
        const char* base = std::getenv("TAVRI_BENCH_DIR");
        const std::string parent = base != nullptr && *base != '\0' ? base : "/tmp";
        std::error_code ignored;
        std::filesystem::create_directories(parent, ignored);
        std::string pattern = parent + "/tavri-bench-XXXXXX";
        if (mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern + "/";
        }
    }
    ~TBenchFolder() {
        if (!path_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(path_, ignored);
        }
    }
    TBenchFolder(const TBenchFolder&) = delete;
    TBenchFolder& operator=(const TBenchFolder&) = delete;
    // Empty when the folder could not be made.
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

inline bool WriteAll(int fd, const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace tavri::bench
