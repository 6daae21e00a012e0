#pragma once

// Finding a file a novel names: an entry of its archive, or a file on disk found through the
// path resolver. Pictures, masks, sprites, MIDI and sounds all find their files here; each
// caller brings the name variants it accepts and keeps its own messages.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace tavri {

class TReadPackageFile;
namespace platform {
class IMessageBoxService;
}

// Where the novel's files are: the archive (or none) and the folder that names resolve against
// on disk; messages about them go to `Messages`.
struct TMediaSource {
    TReadPackageFile* Package = nullptr;
    std::string Folder;  // native
    platform::IMessageBoxService* Messages = nullptr;
};

// What a search found.
struct TMediaFile {
    enum class TPlace { Missing, Package, Disk };
    TPlace Place = TPlace::Missing;
    std::string Name;       // cp932: the variant found, or the first one asked for
    std::string DiskPath;   // native, when found on disk
    int64_t Position = -1;  // in the archive: where the entry's bytes start in the archive's file
    int32_t Size = 0;       // in the archive: the entry's size

    bool Found() const { return Place != TPlace::Missing; }
    bool InPackage() const { return Place == TPlace::Package; }
};

// `name` itself, then `name` with each extension in turn put in place of its own (the text from
// its last dot), e.g. {".PNG", ".BMP"}.
std::vector<std::string> NameVariants(const std::string& name,
                                      std::initializer_list<const char*> extensions = {});

// Takes or refuses an archive entry that was found (the caller's own conditions).
using TEntryFilter = std::function<bool(const TMediaFile&)>;

// The first variant the archive holds with all its bytes inside the file (and that `accept`
// takes, when given). Missing when there is no archive.
TMediaFile FindInPackage(const TMediaSource& media, const std::vector<std::string>& variants,
                         const TEntryFilter& accept = {});
// The first variant that resolves to an existing file below the folder.
TMediaFile FindOnDisk(const TMediaSource& media, const std::vector<std::string>& variants);
// Every variant in the archive first, then every variant on disk.
TMediaFile FindMedia(const TMediaSource& media, const std::vector<std::string>& variants);

// The whole file that was found; nothing when it is missing or cannot be read.
std::optional<std::vector<uint8_t>> ReadMedia(const TMediaSource& media, const TMediaFile& file);

// Reads `name` from the archive and hands its bytes to `use`; when the archive has no such
// entry, or `use` refuses its bytes (a damaged entry), the file of that name on disk is handed
// over instead. True when `use` took some bytes.
bool LoadMedia(const TMediaSource& media, const std::string& name,
               const std::function<bool(const std::vector<uint8_t>&)>& use);

}  // namespace tavri
