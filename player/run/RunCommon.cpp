#include "run/RunCommon.h"

#include <vector>

#include "graphics/Canvas.h"
#include "graphics/Picture.h"
#include "platform/NovelPath.h"
#include "platform/TextEncoding.h"

namespace tavri {

TRunCommon::TRunCommon(TNovelSession& session, platform::IMessageBoxService& messages)
    : Session(session),
      Media{session.Package.get(), session.NameFolder, &messages},
      SpriteLayer(true, &Media),
      SnapshotSprites(false) {}

}  // namespace tavri

namespace tavri {

namespace {

enum class TPictureKind { None, Jpeg, Png, Bmp };

// Only the three extensions the authoring tool offers are decoded; anything else (".jpeg"
// included) is left alone, as a background that silently does not change.
TPictureKind KindOfName(const std::string& name) {
    const std::string stem = platform::ChangeFileExt(name, "");
    const std::string extension = platform::AnsiUpperCase(name.substr(stem.size()));
    if (extension == ".JPG") {
        return TPictureKind::Jpeg;
    }
    if (extension == ".PNG") {
        return TPictureKind::Png;
    }
    if (extension == ".BMP") {
        return TPictureKind::Bmp;
    }
    return TPictureKind::None;
}

bool DecodeAs(TPictureKind kind, const std::vector<uint8_t>& bytes, TDecodedPicture& picture) {
    try {
        switch (kind) {
            case TPictureKind::Jpeg:
                picture = DecodeJpeg(bytes.data(), bytes.size());
                return true;
            case TPictureKind::Png:
                picture = DecodePng(bytes.data(), bytes.size());
                return true;
            case TPictureKind::Bmp:
                picture = DecodeBmp(bytes.data(), bytes.size());
                return true;
            case TPictureKind::None:
                break;
        }
    } catch (const EPictureError&) {
        // Damaged or oversized data counts as a picture that is not there.
    }
    return false;
}

}  // namespace

void TRunCommon::LoadPicture(const std::string& name) {
    const TPictureKind kind = KindOfName(name);
    if (kind == TPictureKind::None) {
        return;
    }
    TDecodedPicture picture;
    if (!LoadMedia(Media, name, [&](const std::vector<uint8_t>& bytes) {
            return DecodeAs(kind, bytes, picture);
        })) {
        return;
    }
    if (picture.Image.Width() == kCanvasWidth && picture.Image.Height() == kCanvasHeight) {
        NextFrameImage.Assign(picture.Image);
        NextFrameImage.SetPixelFormat(TPixelFormat::Pf24bit);
        return;
    }
    // A smaller picture is framed by what the frame held; a larger one is clipped.
    DrawImage(NextFrameImage, kCanvasWidth / 2 - picture.Image.Width() / 2,
              kCanvasHeight / 2 - picture.Image.Height() / 2, picture.Image);
}

void TRunCommon::LoadBackground(const std::string& name) {
    CurrentBackgroundName = name;
    // A bookmark taken on this page must name the new background.
    PageSnapshot.SnapshotBackground = name;
    LoadPicture(name);
    BackgroundImage.Assign(NextFrameImage);
    SpriteLayer.Draw(NextFrameImage);
}

}  // namespace tavri
