#include "forms/FormPictures.h"

#include "assets/Assets.h"
#include "graphics/AntiAliasTextout.h"
#include "graphics/Canvas.h"
#include "platform/TextEncoding.h"

namespace tavri {

namespace {

// Forms are drawn on the main thread only; one renderer serves every button.
TAntiAliasTextout& Renderer() {
    static TAntiAliasTextout renderer;
    return renderer;
}

bool IsPng(const std::vector<uint8_t>& bytes) {
    return bytes.size() >= 4 && bytes[0] == 0x89 && bytes[1] == 'P';
}

}  // namespace

TFont FormFont(std::string_view utf8Face, int pixels, bool bold) {
    TFont font;
    font.Face = platform::Cp932(utf8Face);
    font.Height = -pixels;
    font.Bold = bold;
    return font;
}

void WriteOutlinedLabel(TImage& picture, int x, int y, std::string_view cp932, const TFont& font) {
    TAntiAliasTextout& text = Renderer();
    text.Target = &picture;
    text.Factor = 3;
    text.Font = font;
    text.TextColor = RGB(255, 255, 255);
    text.EdgeColor = 0;
    text.Decoration = 1;
    text.AntiAlias = false;
    text.TextOut(x, y, cp932);
    text.Target = nullptr;
}

TImage RoundedButton(int width, int height, int corner, TColor colour, int x, int y,
                     std::string_view cp932, const TFont& font) {
    TImage picture(width, height);
    FillRect(picture, TRect{0, 0, width, height}, RGB(255, 255, 255));
    FillRoundRect(picture, TRect{0, 0, width, height}, corner, corner, colour);
    WriteOutlinedLabel(picture, x, y, cp932, font);
    return picture;
}

TDecodedPicture CarriedPicture(const std::vector<uint8_t>& bytes) {
    try {
        return IsPng(bytes) ? DecodePng(bytes.data(), bytes.size())
                            : DecodeBmp(bytes.data(), bytes.size());
    } catch (const EPictureError&) {
        return {};
    }
}

void SetCarriedPictures(ui::THotImage& image, const std::vector<uint8_t>& hover,
                        const std::vector<uint8_t>& normal) {
    image.SetPictureOnEnter(CarriedPicture(hover).Image);
    image.SetPictureOnLeave(CarriedPicture(normal).Image);
    image.SetPicture(image.PictureOnLeave());
}

void MakeCancelButton(ui::THotImage& image, int labelX) {
    const std::string cancel = platform::Cp932("キャンセル");
    const TFont font = FormFont("ＭＳ Ｐゴシック", 18, true);
    image.SetPictureOnEnter(CarriedPicture(assets::CancelBarHoverBmp()).Image);
    image.SetPictureOnLeave(CarriedPicture(assets::CancelBarNormalBmp()).Image);
    WriteOutlinedLabel(image.EnterPicture(), labelX, 6, cancel, font);
    WriteOutlinedLabel(image.LeavePicture(), labelX, 6, cancel, font);
    image.SetPicture(image.PictureOnLeave());
}

}  // namespace tavri
