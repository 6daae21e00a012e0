// Finding and decoding the pictures a novel names: in its archive first, then on disk, each time
// also under the ".PNG" and ".BMP" variants of the name.

#include "graphics/DIBTools.h"
#include "platform/MessageBox.h"
#include "platform/NovelPath.h"
#include "platform/TextEncoding.h"

namespace tavri {

namespace {

std::string UpperExtension(const std::string& name) {
    std::string withoutExt = platform::ChangeFileExt(name, "");
    return platform::AnsiUpperCase(name.substr(withoutExt.size()));
}

}  // namespace

TMediaFile LookupPicture(const std::string& name, const TMediaSource& media) {
    return FindMedia(media, NameVariants(name, {".PNG", ".BMP"}));
}

bool LoadLookedUpPicture(const TMediaFile& found, const TMediaSource& media,
                         TDecodedPicture& picture) {
    const std::string extension = UpperExtension(found.Name);
    if (extension != ".PNG" && extension != ".BMP") {
        return false;
    }
    return LoadMedia(media, found.Name, [&](const std::vector<uint8_t>& bytes) {
        try {
            picture = extension == ".PNG" ? DecodePng(bytes.data(), bytes.size())
                                          : DecodeBmp(bytes.data(), bytes.size());
            return true;
        } catch (const EPictureError&) {
            return false;
        }
    });
}

bool DibLoadImageFile(TImage& target, const std::string& name, const TMediaSource& media) {
    const TMediaFile found = LookupPicture(name, media);
    if (!found.Found() && media.Messages != nullptr) {
        media.Messages->Show(
            platform::Cp932("ファイル ") + name + platform::Cp932(" がありません."),
            platform::Cp932("画像ファイル読み込みエラー"), platform::MsgIcon::Error,
            platform::MsgButtons::Ok);
    }
    TDecodedPicture picture;
    if (!LoadLookedUpPicture(found, media, picture)) {
        return false;
    }
    return DibAssignGraphic(target, picture.Image);
}

}  // namespace tavri
