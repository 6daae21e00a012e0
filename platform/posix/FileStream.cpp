#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

#include "platform/Stream.h"

namespace tavri::platform {

namespace {
class PosixFileStream final : public TStream {
  public:
    explicit PosixFileStream(int fd) : fd_(fd) {}
    ~PosixFileStream() override { close(fd_); }

    size_t Read(void* buffer, size_t count) override {
        size_t done = 0;
        while (done < count) {
            ssize_t n = read(fd_, static_cast<char*>(buffer) + done, count - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                break;
            }
            done += static_cast<size_t>(n);
        }
        return done;
    }
    size_t Write(const void* buffer, size_t count) override {
        size_t done = 0;
        while (done < count) {
            ssize_t n = write(fd_, static_cast<const char*>(buffer) + done, count - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                break;
            }
            done += static_cast<size_t>(n);
        }
        return done;
    }
    int64_t Seek(int64_t offset, SeekOrigin origin) override {
        int whence = origin == SeekOrigin::Begin     ? SEEK_SET
                     : origin == SeekOrigin::Current ? SEEK_CUR
                                                     : SEEK_END;
        off_t r = lseek(fd_, static_cast<off_t>(offset), whence);
        return r < 0 ? -1 : static_cast<int64_t>(r);
    }
    int64_t Size() override {
        struct stat st {};
        return fstat(fd_, &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
    }

  private:
    int fd_;
};
}  // namespace

std::unique_ptr<TStream> OpenFileStream(const std::string& nativePath, FileMode mode) {
    int flags = mode == FileMode::Read ? O_RDONLY : (O_WRONLY | O_CREAT | O_TRUNC);
    int fd = open(nativePath.c_str(), flags | O_CLOEXEC, 0644);
    if (fd >= 0 && mode == FileMode::Read) {
        struct stat st {};
        // A directory opens read-only on Linux but is no file to read a novel from.
        if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            close(fd);
            errno = EISDIR;
            fd = -1;
        }
    }
    if (fd < 0) {
        throw EFOpenError("Cannot open file \"" + nativePath + "\". " + std::strerror(errno));
    }
    return std::make_unique<PosixFileStream>(fd);
}

}  // namespace tavri::platform
