// Replacing a file whole without ever leaving it half written: write a sibling, flush it, rename
// it over the old one (rename is atomic within a file system), flush the folder.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <system_error>

#include "platform/FileSystem.h"

namespace tavri::platform {
namespace {

// Linux gives up following links after 40 of them; so do we.
constexpr int kMaxLinkHops = 40;

// The seam: 0 when off, otherwise (step + 1) << 16 | errno, in one word so that a step and its
// error are always read together.
std::atomic<uint32_t> gInjectedFailure{0};

int InjectedError(testing::TReplaceStep step) {
    const uint32_t packed = gInjectedFailure.load(std::memory_order_relaxed);
    if (packed == 0 || (packed >> 16) != static_cast<uint32_t>(step) + 1) {
        return 0;
    }
    return static_cast<int>(packed & 0xffff);
}

// Records a failure: "what: reason".
bool Fail(std::string* error, const std::string& what, int err) {
    if (error != nullptr) {
        *error = what + ": " + std::system_category().message(err);
    }
    return false;
}

// Follows `path` through symbolic links to the name that holds (or is to hold) the file itself.
// A dangling link is followed to the missing name, so that replacing through it creates the file
// where the link points. Returns 0 or the errno that stopped the walk.
int ResolveTarget(const std::string& path, std::string& target, struct stat& st, bool& exists) {
    target = path;
    for (int hops = 0;; ++hops) {
        if (lstat(target.c_str(), &st) != 0) {
            if (errno != ENOENT) {
                return errno;
            }
            exists = false;
            return 0;
        }
        if (!S_ISLNK(st.st_mode)) {
            exists = true;
            return 0;
        }
        if (hops == kMaxLinkHops) {
            return ELOOP;
        }
        char buf[PATH_MAX];
        const ssize_t n = readlink(target.c_str(), buf, sizeof buf);
        if (n < 0) {
            return errno;
        }
        if (static_cast<size_t>(n) == sizeof buf) {
            return ENAMETOOLONG;
        }
        const std::string next(buf, static_cast<size_t>(n));
        // A relative link is relative to the folder holding the link.
        target = !next.empty() && next[0] == '/' ? next : NativeFolderOf(target) + next;
    }
}

// The process's umask without changing it: the kernel shows it in /proc/self/status; only
// without /proc does it take setting and restoring it, a moment in which another thread creating
// a file would get no umask at all.
mode_t CurrentUmask() {
    const int fd = open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        std::string status;
        char block[1024];
        ssize_t n;
        while ((n = read(fd, block, sizeof block)) > 0 || (n < 0 && errno == EINTR)) {
            if (n > 0) {
                status.append(block, static_cast<size_t>(n));
            }
        }
        close(fd);
        const size_t at = status.find("\nUmask:");
        if (at != std::string::npos) {
            const char* digits = status.c_str() + at + 7;
            char* end = nullptr;
            const unsigned long mask = std::strtoul(digits, &end, 8);
            if (end != digits) {
                return static_cast<mode_t>(mask & 0777);
            }
        }
    }
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
}

// Writes all of [data, data + size) to fd, through short writes and interruptions; 0 or errno.
int WriteAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (n == 0) {
            return EIO;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return 0;
}

int SyncFile(int fd) {
    while (fsync(fd) != 0) {
        if (errno != EINTR) {
            return errno;
        }
    }
    return 0;
}

// The new contents in a temporary file beside the target; on failure the file is closed and
// removed again.
class TTemporaryFile {
  public:
    ~TTemporaryFile() {
        Close();
        if (!path_.empty()) {
            unlink(path_.c_str());
        }
    }

    // 0 or errno.
    int Create(const std::string& folder, const std::string& name) {
        path_ = folder + "." + name + ".XXXXXX";
        if (const int err = InjectedError(testing::TReplaceStep::Create)) {
            path_.clear();
            return err;
        }
        fd_ = mkostemp(path_.data(), O_CLOEXEC);
        if (fd_ < 0) {
            const int err = errno;
            path_.clear();
            return err;
        }
        return 0;
    }

    int Close() {
        if (fd_ < 0) {
            return 0;
        }
        const int result = close(fd_);
        fd_ = -1;
        // Linux frees the descriptor even when close is interrupted, and the data were already
        // flushed, so only a real error counts.
        return result != 0 && errno != EINTR ? errno : 0;
    }

    // Once renamed, the file is no longer ours to remove.
    void Release() { path_.clear(); }

    int fd() const { return fd_; }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
    int fd_ = -1;
};

}  // namespace

bool ReplaceFileContents(const std::string& nativePath, const std::vector<uint8_t>& bytes,
                         std::string* error) {
    using testing::TReplaceStep;
    std::string target;
    struct stat st {};
    bool exists = false;
    if (nativePath.empty()) {
        return Fail(error, "cannot replace a file without a name", ENOENT);
    }
    if (const int err = ResolveTarget(nativePath, target, st, exists)) {
        return Fail(error, "cannot read " + nativePath, err);
    }
    const std::string name = NativeFileNameOf(target);
    if (exists && S_ISDIR(st.st_mode)) {
        return Fail(error, "cannot replace " + target, EISDIR);
    }
    if (exists && !S_ISREG(st.st_mode)) {
        // A device or a pipe would be swapped for a plain file rather than written to.
        return Fail(error, "cannot replace " + target + ", which is not a regular file", EINVAL);
    }
    if (name.empty() || name == "." || name == "..") {
        return Fail(error, "cannot replace " + target, EISDIR);
    }
    const mode_t mode = exists ? (st.st_mode & 07777) : (0666 & ~CurrentUmask());

    // Beside the target, so that the rename stays within one file system.
    const std::string folder = NativeFolderOf(target);
    TTemporaryFile temporary;
    if (const int err = temporary.Create(folder, name)) {
        return Fail(error, "cannot create a temporary file beside " + target, err);
    }
    if (const int injected = InjectedError(TReplaceStep::Write)) {
        WriteAll(temporary.fd(), bytes.data(), bytes.size() / 2);
        return Fail(error, "cannot write " + temporary.path(), injected);
    }
    if (const int err = WriteAll(temporary.fd(), bytes.data(), bytes.size())) {
        return Fail(error, "cannot write " + temporary.path(), err);
    }
    // The mode before the flush, so that the flush makes it durable with the data: a crash must
    // not leave the new contents readable by others, or unreadable by their owner.
    if (const int injected = InjectedError(TReplaceStep::Permissions)) {
        return Fail(error, "cannot set the permissions of " + temporary.path(), injected);
    }
    if (fchmod(temporary.fd(), mode) != 0) {
        return Fail(error, "cannot set the permissions of " + temporary.path(), errno);
    }
    if (const int injected = InjectedError(TReplaceStep::Sync)) {
        return Fail(error, "cannot flush " + temporary.path() + " to disk", injected);
    }
    if (const int err = SyncFile(temporary.fd())) {
        return Fail(error, "cannot flush " + temporary.path() + " to disk", err);
    }
    if (const int err = temporary.Close()) {
        return Fail(error, "cannot write " + temporary.path(), err);
    }
    if (const int injected = InjectedError(TReplaceStep::Rename)) {
        return Fail(error, "cannot move " + temporary.path() + " to " + target, injected);
    }
    if (rename(temporary.path().c_str(), target.c_str()) != 0) {
        return Fail(error, "cannot move " + temporary.path() + " to " + target, errno);
    }
    temporary.Release();

    // The rename is durable once the folder is flushed. Failing here cannot undo the rename, and
    // the promise (old or new contents, whole, even after a crash) holds either way, so this is
    // no failure: see the header.
    if (InjectedError(TReplaceStep::SyncFolder) == 0) {
        const int dir =
            open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            SyncFile(dir);
            close(dir);
        }
    }
    return true;
}

namespace testing {

void FailReplaceAt(std::optional<TReplaceStep> step, int error) {
    // An error of 0 would be no failure at all; EIO stands in for it.
    const uint32_t code = static_cast<uint32_t>(error == 0 ? EIO : error) & 0xffff;
    const uint32_t packed = step ? (static_cast<uint32_t>(*step) + 1) << 16 | code : 0;
    gInjectedFailure.store(packed, std::memory_order_relaxed);
}

}  // namespace testing

}  // namespace tavri::platform
