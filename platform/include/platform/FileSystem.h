#pragma once

// Native paths are file-system bytes (UTF-8 on today's systems) and stay native end to end.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavri::platform {

bool FileExists(const std::string& nativePath);  // a regular file (links followed)
bool DirectoryExists(const std::string& nativePath);
std::string CurrentDirectory();  // no trailing "/"
// An absolute path stays; a relative one is joined to base (default: the current directory).
std::string MakeAbsolute(const std::string& path, const std::string& base = {});
// The running program's own file, resolved (on Linux /proc/self/exe).
std::string ExecutablePath();
// Entry names of a directory (not "." or ".."), sorted bytewise; empty when unreadable.
std::vector<std::string> ListDirectory(const std::string& nativePath);
bool CreateDirectories(const std::string& nativePath);
bool WriteWholeFile(const std::string& nativePath, const std::vector<uint8_t>& bytes);
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& nativePath);
bool SetExecutable(const std::string& nativePath);
bool RemoveFile(const std::string& nativePath);

// Native path helpers ("/" separators).
std::string NativeFolderOf(const std::string& path);  // with trailing "/", or "" without one
std::string NativeFileNameOf(const std::string& path);
// The file-name rule: replaces the text from the last "." of the last component, or appends.
std::string NativeChangeExt(const std::string& path, const std::string& ext);

}  // namespace tavri::platform
