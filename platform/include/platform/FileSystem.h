#pragma once

// Native paths are file-system bytes (UTF-8 on today's systems) and stay native end to end.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavri::platform {

bool FileExists(const std::string& nativePath);  // a regular file (links followed)
bool DirectoryExists(const std::string& nativePath);
// Whether the file could be replaced there: it (when it exists) may be written, and its folder
// may take a new file. A read-only mount says no even to the superuser.
bool IsWritableLocation(const std::string& nativePath);
// The user's folder for data a program keeps: $XDG_DATA_HOME, else ~/.local/share; with a
// trailing "/", or empty when neither is known.
std::string UserDataFolder();
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

// Replaces the file's contents as one step that a crash cannot split: the bytes go to a new
// file beside it, reach the disk, and only then take the old file's place, so whoever reads the
// file (now, or after the program or the machine stopped at any moment) finds either the old
// contents or the new ones, whole. The file keeps its permission bits (a new one gets 0666 less
// the umask). Through a symbolic link (or a chain of them) the file it points at is replaced,
// or created when the link dangles, and the link stays as it was. Other names hard-linked to the
// file keep the old contents; folders, devices and pipes are refused. A crash can leave the new
// file behind unused, named "." + the file's name + "." + six characters.
// Returns true on success; on failure `error` (when given) receives a short English description
// with the OS's reason (strerror), and the file at nativePath is exactly as it was before.
// Once the new file has taken the old one's place, a failure to flush the folder still counts as
// success: the contents are in place, and only whether a power cut could bring the old ones back
// is uncertain, which the promise of "old or new, whole" allows.
bool ReplaceFileContents(const std::string& nativePath, const std::vector<uint8_t>& bytes,
                         std::string* error = nullptr);

// Native path helpers ("/" separators).
std::string NativeFolderOf(const std::string& path);  // with trailing "/", or "" without one
std::string NativeFileNameOf(const std::string& path);
// The file-name rule: replaces the text from the last "." of the last component, or appends.
std::string NativeChangeExt(const std::string& path, const std::string& ext);

namespace testing {

// The steps of ReplaceFileContents. Permissions are set before the sync, so that the flush that
// makes the data durable covers the file's mode as well.
enum class TReplaceStep { Create, Write, Sync, Permissions, Rename, SyncFolder };
// The next ReplaceFileContents calls fail at `step` with the OS error `error` (an errno value,
// for example ENOSPC) as if the system had refused; std::nullopt turns the seam off. A failed
// Write has written half the bytes first, as a full disk would.
void FailReplaceAt(std::optional<TReplaceStep> step, int error);

}  // namespace testing

}  // namespace tavri::platform
