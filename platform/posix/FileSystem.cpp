#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "platform/FileSystem.h"

namespace tavri::platform {

bool FileExists(const std::string& nativePath) {
    struct stat st {};
    return !nativePath.empty() && stat(nativePath.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& nativePath) {
    struct stat st {};
    return !nativePath.empty() && stat(nativePath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsWritableLocation(const std::string& nativePath) {
    if (nativePath.empty()) {
        return false;
    }
    const std::string folder = NativeFolderOf(nativePath);
    struct stat st {};
    if (lstat(nativePath.c_str(), &st) == 0 && access(nativePath.c_str(), W_OK) != 0) {
        return false;
    }
    return access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) == 0;
}

std::string UserDataFolder() {
    const auto withSlash = [](const char* path) {
        std::string folder(path);
        if (folder.back() != '/') {
            folder.push_back('/');
        }
        return folder;
    };
    // Only an absolute path counts, as the base-directory rules say.
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/') {
        return withSlash(data);
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return withSlash(home).append(".local/share/");
    }
    return {};
}

std::string CurrentDirectory() {
    std::string buf(PATH_MAX, '\0');
    if (getcwd(buf.data(), buf.size()) == nullptr) {
        return ".";
    }
    buf.resize(std::char_traits<char>::length(buf.c_str()));
    return buf;
}

std::string MakeAbsolute(const std::string& path, const std::string& base) {
    if (!path.empty() && path[0] == '/') {
        return path;
    }
    std::string folder = base.empty() ? CurrentDirectory() : base;
    if (folder.empty() || folder.back() != '/') {
        folder += '/';
    }
    return folder + path;
}

std::string ExecutablePath() {
    std::string buf(PATH_MAX, '\0');
    ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0) {
        return {};
    }
    buf.resize(static_cast<size_t>(n));
    return buf;
}

std::vector<std::string> ListDirectory(const std::string& nativePath) {
    std::vector<std::string> names;
    DIR* dir = opendir(nativePath.empty() ? "." : nativePath.c_str());
    if (dir == nullptr) {
        return names;
    }
    while (dirent* e = readdir(dir)) {
        std::string name = e->d_name;
        if (name != "." && name != "..") {
            names.push_back(std::move(name));
        }
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

bool CreateDirectories(const std::string& nativePath) {
    if (nativePath.empty() || DirectoryExists(nativePath)) {
        return true;
    }
    std::string trimmed = nativePath;
    while (trimmed.size() > 1 && trimmed.back() == '/') {
        trimmed.pop_back();
    }
    size_t slash = trimmed.rfind('/');
    if (slash != std::string::npos && slash > 0 && !CreateDirectories(trimmed.substr(0, slash))) {
        return false;
    }
    return mkdir(trimmed.c_str(), 0755) == 0 || DirectoryExists(trimmed);
}

bool WriteWholeFile(const std::string& nativePath, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(nativePath.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& nativePath) {
    if (!FileExists(nativePath)) {
        return std::nullopt;
    }
    FILE* f = std::fopen(nativePath.c_str(), "rb");
    if (f == nullptr) {
        return std::nullopt;
    }
    std::vector<uint8_t> bytes;
    uint8_t block[65536];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, f)) > 0) {
        bytes.insert(bytes.end(), block, block + n);
    }
    bool ok = !std::ferror(f);
    std::fclose(f);
    if (!ok) {
        return std::nullopt;
    }
    return bytes;
}

bool SetExecutable(const std::string& nativePath) {
    return chmod(nativePath.c_str(), 0755) == 0;
}

bool RemoveFile(const std::string& nativePath) {
    return unlink(nativePath.c_str()) == 0;
}

std::string NativeFolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NativeFileNameOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string NativeChangeExt(const std::string& path, const std::string& ext) {
    size_t slash = path.rfind('/');
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return path + ext;
    }
    return path.substr(0, dot) + ext;
}

}  // namespace tavri::platform
