// Finding and decoding the pictures a novel names: in its archive first, then on disk, each time
// also under the ".PNG" and ".BMP" variants of the name.

#include "PackageFile2.h"
#include "graphics/DIBTools.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/NovelPath.h"
#include "platform/TextEncoding.h"

namespace tavri {

namespace {

std::string UpperExtension(const std::string& name) {
    std::string withoutExt = platform::ChangeFileExt(name, "");
    return platform::AnsiUpperCase(name.substr(withoutExt.size()));
}

TDecodedPicture Decode(const std::string& extension, const std::vector<uint8_t>& bytes) {
    if (extension == ".PNG") {
        return DecodePng(bytes.data(), bytes.size());
    }
    return DecodeBmp(bytes.data(), bytes.size());
}

}  // namespace

TPictureLookup LookupPicture(const std::string& name, const TMediaSource& media) {
    const std::string candidates[] = {name, platform::ChangeFileExt(name, ".PNG"),
                                      platform::ChangeFileExt(name, ".BMP")};
    TPictureLookup found;
    found.Name = name;
    if (media.Package != nullptr) {
        for (const std::string& candidate : candidates) {
            // An entry whose bytes lie outside the file counts as missing.
            if (media.Package->EntryPosition(candidate) >= 0) {
                found.Found = true;
                found.FromPackage = true;
                found.Name = candidate;
                return found;
            }
        }
    }
    for (const std::string& candidate : candidates) {
        if (auto path = platform::ResolveNovelPath(media.Folder, candidate)) {
            found.Found = true;
            found.Name = candidate;
            found.DiskPath = *path;
            return found;
        }
    }
    return found;
}

bool LoadLookedUpPicture(const TPictureLookup& found, const TMediaSource& media,
                         TDecodedPicture& picture) {
    const std::string extension = UpperExtension(found.Name);
    if (extension != ".PNG" && extension != ".BMP") {
        return false;
    }
    if (found.FromPackage) {
        std::vector<uint8_t> bytes;
        if (media.Package->ReadEntry(found.Name, bytes)) {
            try {
                picture = Decode(extension, bytes);
                return true;
            } catch (const EPictureError&) {
                // A damaged entry may still have a good twin on disk.
            }
        }
    }
    std::string path = found.DiskPath;
    if (path.empty()) {
        path = platform::ResolveNovelPath(media.Folder, found.Name).value_or("");
    }
    auto bytes = path.empty() ? std::nullopt : platform::ReadWholeFile(path);
    if (!bytes) {
        return false;
    }
    try {
        picture = Decode(extension, *bytes);
        return true;
    } catch (const EPictureError&) {
        return false;
    }
}

bool DibLoadImageFile(TImage& target, const std::string& name, const TMediaSource& media) {
    TPictureLookup found = LookupPicture(name, media);
    if (!found.Found && media.Messages != nullptr) {
        media.Messages->Show(platform::Cp932("ファイル ") + name + platform::Cp932(" がありません."),
                             platform::Cp932("画像ファイル読み込みエラー"),
                             platform::MsgIcon::Error, platform::MsgButtons::Ok);
    }
    TDecodedPicture picture;
    if (!LoadLookedUpPicture(found, media, picture)) {
        return false;
    }
    return DibAssignGraphic(target, picture.Image);
}

}  // namespace tavri
