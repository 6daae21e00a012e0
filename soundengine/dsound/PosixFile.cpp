#include "PosixFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace morwick::posix {

int OpenFile(const std::string& name, uint32_t accessMode) {
    int flags = O_CLOEXEC;
    switch (accessMode) {
        case 1:
            flags |= O_RDONLY;
            break;
        case 3:
            flags |= O_RDWR | O_CREAT;
            break;
        case 0:
        case 2:
            flags |= O_WRONLY | O_CREAT | O_TRUNC;
            break;
        default:
            errno = EINVAL;
            return -1;
    }
    int fd;
    do {
        fd = ::open(name.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

void CloseFile(int fd) {
    if (fd >= 0) {
        ::close(fd);
    }
}

int64_t ReadFile(int fd, void* buffer, int64_t n) {
    ssize_t got;
    do {
        got = ::read(fd, buffer, static_cast<size_t>(n));
    } while (got < 0 && errno == EINTR);
    return got;
}

int64_t WriteFile(int fd, const void* buffer, int64_t n) {
    ssize_t put;
    do {
        put = ::write(fd, buffer, static_cast<size_t>(n));
    } while (put < 0 && errno == EINTR);
    return put;
}

int64_t SeekFile(int fd, int64_t offset, int whence) {
    const int how = whence == 0 ? SEEK_SET : whence == 1 ? SEEK_CUR : SEEK_END;
    return ::lseek(fd, static_cast<off_t>(offset), how);
}

int64_t FileSize(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return -1;
    }
    return info.st_size;
}

bool TruncateFile(int fd, int64_t size) {
    return ::ftruncate(fd, static_cast<off_t>(size)) == 0;
}

std::string LastErrorText() {
    return std::strerror(errno);
}

}  // namespace morwick::posix
