#include "platform/DynamicLibrary.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace tavri::platform {

LibraryHandle LoadDynamicLibrary(const std::string& nativePath, std::string* error) {
    // A name without a "/" would be searched for along the library path.
    if (nativePath.empty() || nativePath[0] != '/') {
        if (error != nullptr) {
            *error = "not an absolute path: " + nativePath;
        }
        return nullptr;
    }
    dlerror();
    LibraryHandle handle = dlopen(nativePath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr && error != nullptr) {
        const char* reason = dlerror();
        *error = reason != nullptr ? reason : "cannot load " + nativePath;
    }
    return handle;
}

void* FindLibraryExport(LibraryHandle library, const char* name) {
    if (library == nullptr) {
        return nullptr;
    }
    return dlsym(library, name);
}

void UnloadDynamicLibrary(LibraryHandle library) {
    if (library != nullptr) {
        dlclose(library);
    }
}

namespace {

bool WriteAll(int fd, const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += size_t(n);
    }
    return true;
}

std::string SystemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

// A plain name: no folder can be reached through it.
bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

}  // namespace

std::string TemporaryFolder() {
    const char* env = std::getenv("TMPDIR");
    std::string folder = env != nullptr ? env : "";
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    struct stat st {};
    if (folder.empty() || folder[0] != '/' || stat(folder.c_str(), &st) != 0 ||
        !S_ISDIR(st.st_mode)) {
        return "/tmp";
    }
    return folder;
}

std::unique_ptr<TPrivateFile> TPrivateFile::Create(const std::vector<uint8_t>& bytes,
                                                   const std::string& fileName,
                                                   PrivateFileKind kind, std::string& error) {
    if (!IsPlainName(fileName)) {
        error = "not a plain file name: " + fileName;
        return nullptr;
    }
    std::unique_ptr<TPrivateFile> file(new TPrivateFile);
    if (kind != PrivateFileKind::TempFolder) {
        int fd = memfd_create(fileName.c_str(), MFD_CLOEXEC);
        if (fd >= 0) {
            file->fd_ = fd;
            file->kind_ = PrivateFileKind::MemoryFile;
            file->path_ = "/proc/self/fd/" + std::to_string(fd);
            if (!WriteAll(fd, bytes)) {
                error = SystemError("writing the memory file");
                return nullptr;
            }
            return file;
        }
        if (kind == PrivateFileKind::MemoryFile) {
            error = SystemError("memfd_create");
            return nullptr;
        }
    }

    // The process number in the name lets a later run tell a crashed run's folder from a
    // running one's.
    std::string folder =
        TemporaryFolder() + "/" + kPrivateFolderPrefix + std::to_string(getpid()) + ".XXXXXX";
    if (mkdtemp(folder.data()) == nullptr) {
        error = SystemError("mkdtemp");
        return nullptr;
    }
    file->kind_ = PrivateFileKind::TempFolder;
    file->folder_ = folder;
    const std::string path = folder + "/" + fileName;
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = SystemError("creating the private file");
        return nullptr;
    }
    file->fd_ = fd;
    file->path_ = path;
    if (!WriteAll(fd, bytes)) {
        error = SystemError("writing the private file");
        return nullptr;
    }
    return file;
}

TPrivateFile::~TPrivateFile() {
    if (fd_ >= 0) {
        close(fd_);
    }
    if (!folder_.empty()) {
        if (!path_.empty()) {
            unlink(path_.c_str());
        }
        rmdir(folder_.c_str());
    }
}

namespace {

// The process number in a private folder's name, or -1 when the name is not one of ours.
long FolderOwnerProcess(const char* name) {
    const size_t prefix = std::strlen(kPrivateFolderPrefix);
    if (std::strncmp(name, kPrivateFolderPrefix, prefix) != 0) {
        return -1;
    }
    char* end = nullptr;
    errno = 0;
    long pid = std::strtol(name + prefix, &end, 10);
    if (errno != 0 || end == name + prefix || *end != '.' || pid <= 0 ||
        std::strlen(end + 1) != 6) {
        return -1;
    }
    return pid;
}

bool ProcessRuns(long pid) {
    return kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

// Empties and removes one abandoned folder, through a handle on the folder itself so that a
// link swapped in on the way is never followed.
bool RemovePrivateFolder(int parent, const char* name) {
    int dirFd = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dirFd < 0) {
        return false;
    }
    struct stat st {};
    if (fstat(dirFd, &st) != 0 || st.st_uid != geteuid() || (st.st_mode & 0777) != 0700) {
        close(dirFd);
        return false;
    }
    DIR* dir = fdopendir(dirFd);
    if (dir == nullptr) {
        close(dirFd);
        return false;
    }
    while (dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
            unlinkat(dirfd(dir), entry->d_name, 0);
        }
    }
    closedir(dir);
    return unlinkat(parent, name, AT_REMOVEDIR) == 0;
}

}  // namespace

int RemoveAbandonedPrivateFolders() {
    const std::string folder = TemporaryFolder();
    int parent = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parent < 0) {
        return 0;
    }
    DIR* dir = fdopendir(parent);
    if (dir == nullptr) {
        close(parent);
        return 0;
    }
    int removed = 0;
    while (dirent* entry = readdir(dir)) {
        const long pid = FolderOwnerProcess(entry->d_name);
        if (pid < 0 || ProcessRuns(pid)) {
            continue;
        }
        struct stat st {};
        if (fstatat(dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISDIR(st.st_mode)) {
            continue;
        }
        removed += RemovePrivateFolder(dirfd(dir), entry->d_name) ? 1 : 0;
    }
    closedir(dir);
    return removed;
}

}  // namespace tavri::platform
