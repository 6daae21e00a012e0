#pragma once

// Code loaded at run time: a shared library opened by path, its exports found by name, and the
// private copy a library carried inside a package is loaded from.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tavri::platform {

// An opaque handle of a loaded library; null when nothing is loaded.
using LibraryHandle = void*;

// Loads the library at an absolute native path, binding every symbol now and keeping them to
// itself, so no search path is consulted and a missing dependency fails here rather than later.
// Null on failure, with the system's reason in `error` when given.
LibraryHandle LoadDynamicLibrary(const std::string& nativePath, std::string* error = nullptr);
// The address of an export, or null when the library has none of that name.
void* FindLibraryExport(LibraryHandle library, const char* name);
// Unloads; a null handle is ignored.
void UnloadDynamicLibrary(LibraryHandle library);

// How a private library copy is kept.
enum class PrivateFileKind {
    Automatic,   // an anonymous memory file, else a file in a private folder
    MemoryFile,  // an anonymous memory file only
    TempFolder,  // a file in a new folder below the temporary folder, open to this user only
};

// A copy of some bytes that only this process can have written: either an anonymous memory
// file, which has no name any other process could reach, or a file created exclusively in a
// new folder of mode 0700. Nothing of it is left once the object is destroyed.
class TPrivateFile {
  public:
    // Null on failure, with the reason in `error`.
    static std::unique_ptr<TPrivateFile> Create(const std::vector<uint8_t>& bytes,
                                                const std::string& fileName, PrivateFileKind kind,
                                                std::string& error);
    ~TPrivateFile();
    TPrivateFile(const TPrivateFile&) = delete;
    TPrivateFile& operator=(const TPrivateFile&) = delete;

    // A native path that opens the copy while this object lives.
    const std::string& Path() const { return path_; }
    PrivateFileKind Kind() const { return kind_; }
    // The private folder, for a TempFolder copy; empty otherwise.
    const std::string& Folder() const { return folder_; }

  private:
    TPrivateFile() = default;
    int fd_ = -1;
    PrivateFileKind kind_ = PrivateFileKind::MemoryFile;
    std::string path_;
    std::string folder_;
};

// The prefix of the private folders below the temporary folder.
inline constexpr const char* kPrivateFolderPrefix = "tavri-private.";

// The temporary folder: $TMPDIR when it names a folder, else /tmp. No trailing "/".
std::string TemporaryFolder();

// Removes private folders that a crashed run of ours left below the temporary folder: only
// real folders (no links) owned by this user, of mode 0700, named by the prefix with the
// number of a process that no longer runs. Returns how many were removed.
int RemoveAbandonedPrivateFolders();

}  // namespace tavri::platform
