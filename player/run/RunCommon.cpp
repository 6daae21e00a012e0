#include "run/RunCommon.h"

namespace tavri {

TRunCommon::TRunCommon(TNovelSession& session, platform::IMessageBoxService& messages)
    : Session(session),
      Media{session.Package.get(), session.NameFolder, &messages},
      SpriteLayer(true, &Media),
      SnapshotSprites(false) {}

}  // namespace tavri

namespace tavri {

void TRunCommon::LoadPicture(const std::string&) {}
void TRunCommon::LoadBackground(const std::string&) {}

}  // namespace tavri
