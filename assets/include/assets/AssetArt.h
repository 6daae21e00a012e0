#pragma once

// The drawing of the pictures the player carries (assets/Assets.h holds the finished bytes).
// Kept apart so that the tests can draw them again and compare.

#include <cstdint>
#include <vector>

#include "graphics/Image.h"
#include "graphics/PictureEncode.h"

namespace tavri::assets {

constexpr int kClickMarkFrame = 24;  // each frame is square
constexpr int kLogoWidth = 280, kLogoHeight = 48;
constexpr int kLogoTextWidth = 210;  // the logo's ink stays left of this column

constexpr TColor kClickMarkOutline = RGB(64, 64, 64);
constexpr TColor kClickMarkBright = RGB(255, 224, 96);
constexpr TColor kClickMarkDim = RGB(160, 140, 60);

// The bookmark screen (assets/BookmarkArt.cpp). Neighbouring bookmarks are drawn 140 px apart,
// so each picture overlaps the next by 14 px and must stay transparent off the paper and cord.
constexpr int kBookmarkWidth = 154, kBookmarkHeight = 272;
constexpr int kArrowWidth = 34, kArrowHeight = 48;
constexpr int kCancelBarWidth = 224, kCancelBarHeight = 32;

constexpr TColor kBookmarkHighlightedPaper = RGB(255, 200, 220);
constexpr TColor kBookmarkNormalPaper = RGB(250, 240, 210);

// The system menu and the version form (assets/MenuArt.cpp). The player writes each menu item's
// label from (kMenuLabelLeft, 6), so the item shows nothing but its bar from there on.
constexpr int kMenuItemWidth = 224, kMenuItemHeight = 32;
constexpr int kMenuIconCell = 32;  // the icon's square at the item's left
constexpr int kMenuLabelLeft = 40;
constexpr TColor kMenuBar = RGB(200, 220, 255);
constexpr int kAboutCloseWidth = 92, kAboutCloseHeight = 24;
constexpr TColor kAboutCloseNormalFace = RGB(230, 230, 255);
constexpr TColor kAboutCloseHoverFace = RGB(160, 160, 255);
constexpr int kAboutIconSide = 32;

enum class TMenuIcon { Mark, Open, Window, Skip, About, Close };

// The 48 × 24 marker on pure white.
TImage DrawClickMark();
// Whether pixel (x, y) of a frame belongs to the marker (outline or fill).
bool ClickMarkCovers(int x, int y);
// "Powered by" over "Tavri! Novel", white with a soft dark outline.
TRgbaPicture DrawLogo();

// A paper strip leaning 23° from upright, its top end to the left, running along the direction
// (cos 67°, sin 67°) that the player writes the bookmark's lines in; a red cord through a hole at
// its top ends in a tassel. Pink paper when highlighted, cream otherwise; only the paper differs.
TRgbaPicture DrawBookmark(bool highlighted);
// A red triangle pointing outwards on a pink half-disc whose flat side faces the middle of the
// screen, on pure white; the right arrow is the left one mirrored, hover is brighter.
TImage DrawArrow(bool right, bool hover);
// A pink bar with round ends on pure white, lighter when hovered; the player writes its label.
TImage DrawCancelBar(bool hover);

// A menu item's icon alone, kMenuIconCell square, transparent around it: a bookmark (Mark), a
// bookmark with a return arrow (Open), two overlapping windows (Window), "▶▶" (Skip), a circled
// i (About), a closed book (Close). None of its fully opaque pixels is pure white.
TRgbaPicture DrawMenuIcon(TMenuIcon icon);
// The icon at the item's left on pure white; hovered, over a kMenuBar bar with semicircular ends
// spanning the whole item (pure white outside the ends).
TImage DrawMenuItem(TMenuIcon icon, bool hover);
// A rounded button in kAboutCloseHoverFace or kAboutCloseNormalFace on pure white, "閉じる" in
// black in its middle, at the same place in both.
TImage DrawAboutClose(bool hover);
// An open pink book with a red cord hanging from its gutter, on pure white.
TImage DrawAboutIcon();

std::vector<uint8_t> MakeClickMarkBmp();
std::vector<uint8_t> MakeLogoPng();
std::vector<uint8_t> MakeBookmarkPng(bool highlighted);
std::vector<uint8_t> MakeArrowBmp(bool right, bool hover);
std::vector<uint8_t> MakeCancelBarBmp(bool hover);
std::vector<uint8_t> MakeMenuItemBmp(TMenuIcon icon, bool hover);
std::vector<uint8_t> MakeAboutCloseBmp(bool hover);
std::vector<uint8_t> MakeAboutIconBmp();

}  // namespace tavri::assets
