#pragma once

// The button pictures of the bookmark screen, its popup and the system menu: a rounded bar with
// a label in white with a black outline, drawn plain (no smoothing), and the pictures the player
// carries decoded for the forms.

#include <cstdint>
#include <string_view>
#include <vector>

#include "graphics/Fonts.h"
#include "graphics/Image.h"
#include "graphics/Picture.h"
#include "ui/HotImage.h"

namespace tavri {

// A face of the forms' own, `pixels` high (em height).
TFont FormFont(std::string_view utf8Face, int pixels, bool bold = false);

// Writes the label at (x, y): white, a one-pixel black outline, no smoothing.
void WriteOutlinedLabel(TImage& picture, int x, int y, std::string_view cp932, const TFont& font);

// width × height, white, then a rounded rectangle with `corner` × `corner` corners over all of
// it in `colour`, with the label at (x, y).
TImage RoundedButton(int width, int height, int corner, TColor colour, int x, int y,
                     std::string_view cp932, const TFont& font);

// One of the carried pictures; an undecodable one (never expected) gives an empty picture.
TDecodedPicture CarriedPicture(const std::vector<uint8_t>& bytes);

// A hot image showing two carried pictures, the normal one at first.
void SetCarriedPictures(ui::THotImage& image, const std::vector<uint8_t>& hover,
                        const std::vector<uint8_t>& normal);

// The pink "キャンセル" bar of the bookmark forms, its label at (labelX, 6).
void MakeCancelButton(ui::THotImage& image, int labelX);

}  // namespace tavri
