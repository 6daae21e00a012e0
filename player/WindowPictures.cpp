#include "WindowPictures.h"

#include "assets/Assets.h"
#include "graphics/Picture.h"
#include "run/RunMain.h"

namespace tavri {

void LoadWindowPictures(TMainForm& main) {
    const std::vector<uint8_t>& marker = assets::ClickMarkBmp();
    main.KeyWaitImages = DecodeBmp(marker.data(), marker.size()).Image;
    const std::vector<uint8_t>& logo = assets::LogoPng();
    TDecodedPicture decoded = DecodePng(logo.data(), logo.size());
    main.PowerdByImage = std::move(decoded.Image);
    main.PowerdByMask = std::move(decoded.AlphaMask);
}

}  // namespace tavri
