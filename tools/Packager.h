#pragma once

// Packing a novel into a copy of the player, and reading such packages back.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "PackageFile2.h"

namespace tavri::tool {

class EToolError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct TPackOptions {
    std::string Folder;            // the novel's files; names become cp932 paths with "\"
    std::string OutputPath;        // the finished program
    std::string PlayerPath;        // the player to copy
    std::string ScenarioPath;      // optional: a .qke or a source; otherwise Folder's autorun.qke
    std::optional<uint32_t> Seed;  // the scramble seed; random when not given
};

struct TPackReport {
    std::vector<TPackageEntry> Entries;
    int64_t ArchiveStart = 0;
};

// Throws EToolError with a message fit for the user.
TPackReport PackNovel(const TPackOptions& options);

struct TArchiveListing {
    int64_t ArchiveStart = 0;
    int64_t DataBase = 0;
    int64_t FileSize = 0;
    std::vector<TPackageEntry> Entries;
    bool Readable(const TPackageEntry& e) const {
        return e.Offset >= 0 && e.Size >= 0 && DataBase + e.Offset + e.Size <= FileSize;
    }
};

// A packaged program, or a bare archive file. Throws EToolError when neither.
TArchiveListing ListArchive(const std::string& path);

// Writes every entry below `folder` (the scenario descrambled). Entries whose names would leave
// the folder, or whose bytes lie outside the file, are skipped and named in the result.
std::vector<std::string> UnpackArchive(const std::string& path, const std::string& folder);

// "a\b.png" with double-byte characters stepped over, as UTF-8 path components.
std::vector<std::string> ArchiveNameComponents(const std::string& cp932Name);

}  // namespace tavri::tool
