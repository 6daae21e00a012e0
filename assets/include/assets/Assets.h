#pragma once

// The pictures the player carries inside itself, drawn by tavri-assets at build time
// (assets/AssetArt.cpp, BookmarkArt.cpp and MenuArt.cpp) and compiled in, in the formats the
// player's own decoders read (graphics/Picture.h). The bytes are the same on every build made with
// the same fonts.

#include <cstdint>
#include <vector>

namespace tavri::assets {

// The click-wait marker: a 48 × 24 uncompressed 24-bit BMP holding two 24 × 24 frames side by
// side (frame 0 bright, frame 1 dimmed). Pure white (0xFFFFFF) stands for transparent; no pixel
// of the marker itself is pure white. Decode with DecodeBmp.
const std::vector<uint8_t>& ClickMarkBmp();

// The opening screen's logo: a 280 × 48 RGBA PNG (8 bits per channel) to be blended pixel by
// pixel through its alpha. Everything at x >= 210 is fully transparent, so text drawn to its
// right stays clear. Decode with DecodePng (HasAlpha is set).
const std::vector<uint8_t>& LogoPng();

// The bookmark screen's bookmarks: 154 × 272 RGBA PNGs (8 bits per channel) to be blended pixel
// by pixel through their alpha, so that neighbours drawn 140 px apart overlap cleanly. A paper
// strip leaning along the direction (cos 67°, sin 67°), the one its text is written in, with a
// cord and tassel at its top; everything else is fully transparent. Highlighted is pink paper,
// normal cream; the two differ only in the paper. Decode with DecodePng (HasAlpha is set).
const std::vector<uint8_t>& BookmarkHighlightedPng();
const std::vector<uint8_t>& BookmarkNormalPng();

// The bookmark screen's page arrows: 34 × 48 uncompressed 24-bit BMPs, a red triangle pointing
// outwards on a pink half-disc, on pure white (0xFFFFFF, not part of the arrow). The right
// arrows are the left ones mirrored; hover is brighter. Decode with DecodeBmp.
const std::vector<uint8_t>& ArrowLeftHoverBmp();
const std::vector<uint8_t>& ArrowLeftNormalBmp();
const std::vector<uint8_t>& ArrowRightHoverBmp();
const std::vector<uint8_t>& ArrowRightNormalBmp();

// The bookmark screen's cancel button: a 224 × 32 uncompressed 24-bit BMP, a pink bar with round
// ends on pure white, without a label (the player writes it). Hover is the lighter pink.
// Decode with DecodeBmp.
const std::vector<uint8_t>& CancelBarHoverBmp();
const std::vector<uint8_t>& CancelBarNormalBmp();

// The system menu's items: 224 × 32 uncompressed 24-bit BMPs without a label (the player writes
// it from (40, 6)). A 24-px icon in the 32 × 32 square at the left, on pure white (0xFFFFFF)
// when normal; hovered, the same icon on a light blue bar RGB(200, 220, 255) with semicircular
// ends spanning the whole picture, pure white outside the ends. From x = 40 on, the pictures
// show nothing but white or the bar. The icons: a pink bookmark with a red cord (Mark), a
// bookmark with a return arrow (Open), two overlapping windows (Window, the display mode), "▶▶"
// (Skip), a circled i (About) and a closed book (Close). The menu's cancel item is the bookmark
// screen's cancel bar. Decode with DecodeBmp.
const std::vector<uint8_t>& MenuMarkHoverBmp();
const std::vector<uint8_t>& MenuMarkNormalBmp();
const std::vector<uint8_t>& MenuOpenHoverBmp();
const std::vector<uint8_t>& MenuOpenNormalBmp();
const std::vector<uint8_t>& MenuWindowHoverBmp();
const std::vector<uint8_t>& MenuWindowNormalBmp();
const std::vector<uint8_t>& MenuSkipHoverBmp();
const std::vector<uint8_t>& MenuSkipNormalBmp();
const std::vector<uint8_t>& MenuAboutHoverBmp();
const std::vector<uint8_t>& MenuAboutNormalBmp();
const std::vector<uint8_t>& MenuCloseHoverBmp();
const std::vector<uint8_t>& MenuCloseNormalBmp();

// The version form's close button: a 92 × 24 uncompressed 24-bit BMP, a button with rounded
// corners, RGB(160, 160, 255) when hovered and RGB(230, 230, 255) otherwise, on pure white,
// with "閉じる" written in black in its middle. Decode with DecodeBmp.
const std::vector<uint8_t>& AboutCloseHoverBmp();
const std::vector<uint8_t>& AboutCloseNormalBmp();

// The version form's icon: a 32 × 32 uncompressed 24-bit BMP, an open pink book with a red cord
// hanging from it, on pure white. Decode with DecodeBmp.
const std::vector<uint8_t>& AboutIconBmp();

}  // namespace tavri::assets
