#include "media/MediaFinder.h"

#include "PackageFile2.h"
#include "platform/FileSystem.h"
#include "platform/NovelPath.h"

namespace tavri {

std::vector<std::string> NameVariants(const std::string& name,
                                      std::initializer_list<const char*> extensions) {
    std::vector<std::string> variants{name};
    for (const char* extension : extensions) {
        variants.push_back(platform::ChangeFileExt(name, extension));
    }
    return variants;
}

namespace {

TMediaFile MissingFile(const std::vector<std::string>& variants) {
    TMediaFile missing;
    missing.Name = variants.empty() ? std::string() : variants.front();
    return missing;
}

}  // namespace

TMediaFile FindInPackage(const TMediaSource& media, const std::vector<std::string>& variants,
                         const TEntryFilter& accept) {
    if (media.Package == nullptr) {
        return MissingFile(variants);
    }
    for (const std::string& candidate : variants) {
        // An entry whose bytes lie outside the file counts as missing.
        const int64_t position = media.Package->EntryPosition(candidate);
        if (position < 0) {
            continue;
        }
        TMediaFile found;
        found.Place = TMediaFile::TPlace::Package;
        found.Name = candidate;
        found.Position = position;
        found.Size = media.Package->GetEntry(media.Package->IndexOf(candidate)).Size;
        if (!accept || accept(found)) {
            return found;
        }
    }
    return MissingFile(variants);
}

TMediaFile FindOnDisk(const TMediaSource& media, const std::vector<std::string>& variants) {
    for (const std::string& candidate : variants) {
        if (auto path = platform::ResolveNovelPath(media.Folder, candidate)) {
            TMediaFile found;
            found.Place = TMediaFile::TPlace::Disk;
            found.Name = candidate;
            found.DiskPath = *path;
            return found;
        }
    }
    return MissingFile(variants);
}

TMediaFile FindMedia(const TMediaSource& media, const std::vector<std::string>& variants) {
    TMediaFile found = FindInPackage(media, variants);
    return found.Found() ? found : FindOnDisk(media, variants);
}

std::optional<std::vector<uint8_t>> ReadMedia(const TMediaSource& media, const TMediaFile& file) {
    switch (file.Place) {
        case TMediaFile::TPlace::Package: {
            std::vector<uint8_t> bytes;
            if (media.Package != nullptr && media.Package->ReadEntry(file.Name, bytes)) {
                return bytes;
            }
            return std::nullopt;
        }
        case TMediaFile::TPlace::Disk:
            return platform::ReadWholeFile(file.DiskPath);
        case TMediaFile::TPlace::Missing:
            break;
    }
    return std::nullopt;
}

bool LoadMedia(const TMediaSource& media, const std::string& name,
               const std::function<bool(const std::vector<uint8_t>&)>& use) {
    const TMediaFile entry = FindInPackage(media, {name});
    if (entry.Found()) {
        const auto bytes = ReadMedia(media, entry);
        if (bytes && use(*bytes)) {
            return true;
        }
        // A damaged entry may still have a good twin on disk.
    }
    const auto bytes = ReadMedia(media, FindOnDisk(media, {name}));
    return bytes && use(*bytes);
}

}  // namespace tavri
