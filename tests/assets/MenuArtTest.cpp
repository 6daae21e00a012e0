#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "assets/AssetArt.h"
#include "assets/Assets.h"
#include "graphics/Picture.h"

namespace tavri::assets {
namespace {

constexpr TColor kWhite = RGB(255, 255, 255);

struct TMenuItem {
    TMenuIcon Icon;
    const char* Name;
    const std::vector<uint8_t>& Hover;
    const std::vector<uint8_t>& Normal;
};

std::vector<TMenuItem> MenuItems() {
    return {
        {TMenuIcon::Mark, "Mark", MenuMarkHoverBmp(), MenuMarkNormalBmp()},
        {TMenuIcon::Open, "Open", MenuOpenHoverBmp(), MenuOpenNormalBmp()},
        {TMenuIcon::Window, "Window", MenuWindowHoverBmp(), MenuWindowNormalBmp()},
        {TMenuIcon::Skip, "Skip", MenuSkipHoverBmp(), MenuSkipNormalBmp()},
        {TMenuIcon::About, "About", MenuAboutHoverBmp(), MenuAboutNormalBmp()},
        {TMenuIcon::Close, "Close", MenuCloseHoverBmp(), MenuCloseNormalBmp()},
    };
}

TImage DecodeBmpImage(const std::vector<uint8_t>& bytes) {
    const TDecodedPicture picture = DecodeBmp(bytes.data(), bytes.size());
    EXPECT_FALSE(picture.HasAlpha);
    EXPECT_EQ(picture.Image.PixelFormat(), TPixelFormat::Pf24bit);
    return picture.Image;
}

int AlphaOf(const TRgbaPicture& picture, int x, int y) {
    return picture.At(x, y)[3];
}

TColor ColourOf(const TRgbaPicture& picture, int x, int y) {
    const uint8_t* p = picture.At(x, y);
    return RGB(p[0], p[1], p[2]);
}

bool Red(TColor c) {
    return RedOf(c) >= 180 && GreenOf(c) <= 90 && BlueOf(c) <= 110;
}

// Whether c lies between white and the bar's colour, as the bar's smoothed ends do.
bool BetweenWhiteAndBar(TColor c) {
    const auto within = [](int v, int bar) { return v >= bar && v <= 255; };
    return within(RedOf(c), RedOf(kMenuBar)) && within(GreenOf(c), GreenOf(kMenuBar)) &&
           within(BlueOf(c), BlueOf(kMenuBar));
}

// TAVRI_ART_DUMP=directory writes the pictures out to be looked at.
TEST(MenuArt, EveryPictureDecodesToItsSizeAndIsDrawnTheSameAgain) {
    struct TCarried {
        std::string Name;
        const std::vector<uint8_t>& Bytes;
        std::vector<uint8_t> Drawn;
        int Width, Height;
    };
    std::vector<TCarried> carried;
    for (const TMenuItem& item : MenuItems()) {
        carried.push_back({std::string("Menu") + item.Name + "Hover", item.Hover,
                           MakeMenuItemBmp(item.Icon, true), kMenuItemWidth, kMenuItemHeight});
        carried.push_back({std::string("Menu") + item.Name + "Normal", item.Normal,
                           MakeMenuItemBmp(item.Icon, false), kMenuItemWidth, kMenuItemHeight});
    }
    carried.push_back({"AboutCloseHover", AboutCloseHoverBmp(), MakeAboutCloseBmp(true),
                       kAboutCloseWidth, kAboutCloseHeight});
    carried.push_back({"AboutCloseNormal", AboutCloseNormalBmp(), MakeAboutCloseBmp(false),
                       kAboutCloseWidth, kAboutCloseHeight});
    carried.push_back(
        {"AboutIcon", AboutIconBmp(), MakeAboutIconBmp(), kAboutIconSide, kAboutIconSide});
    const char* dump = std::getenv("TAVRI_ART_DUMP");
    for (const TCarried& picture : carried) {
        SCOPED_TRACE(picture.Name);
        const TImage image = DecodeBmpImage(picture.Bytes);
        EXPECT_EQ(image.Width(), picture.Width);
        EXPECT_EQ(image.Height(), picture.Height);
        EXPECT_EQ(picture.Drawn, picture.Bytes);
        if (dump != nullptr) {
            std::ofstream(std::string(dump) + "/" + picture.Name + ".bmp", std::ios::binary)
                .write(reinterpret_cast<const char*>(picture.Bytes.data()),
                       std::streamsize(picture.Bytes.size()));
        }
    }
}

TEST(MenuArt, TheIconsAreAboutTwentyFourPixelsInTheMiddleOfTheirCellAndNeverPureWhite) {
    std::vector<TRgbaPicture> icons;
    for (const TMenuItem& item : MenuItems()) {
        SCOPED_TRACE(item.Name);
        const TRgbaPicture icon = DrawMenuIcon(item.Icon);
        ASSERT_EQ(icon.Width, kMenuIconCell);
        ASSERT_EQ(icon.Height, kMenuIconCell);
        int left = kMenuIconCell, top = kMenuIconCell, right = -1, bottom = -1, opaque = 0,
            partial = 0;
        for (int y = 0; y < kMenuIconCell; ++y) {
            for (int x = 0; x < kMenuIconCell; ++x) {
                const int alpha = AlphaOf(icon, x, y);
                if (alpha == 0) {
                    continue;
                }
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
                partial += alpha < 255;
                if (alpha == 255) {
                    ++opaque;
                    EXPECT_NE(ColourOf(icon, x, y), kWhite) << x << "," << y;
                }
            }
        }
        const int width = right - left + 1, height = bottom - top + 1;
        EXPECT_GE(std::max(width, height), 21);
        EXPECT_LE(std::max(width, height), 28);
        EXPECT_GE(left, 1);
        EXPECT_GE(top, 1);
        EXPECT_LE(right, kMenuIconCell - 2);
        EXPECT_LE(bottom, kMenuIconCell - 2);
        EXPECT_NEAR((left + right + 1) / 2.0, kMenuIconCell / 2.0, 2.5);
        EXPECT_NEAR((top + bottom + 1) / 2.0, kMenuIconCell / 2.0, 2.5);
        EXPECT_GT(opaque, 120);
        EXPECT_GT(partial, 8);  // smoothed edges, round corners at least
        icons.push_back(icon);
    }
    for (size_t i = 0; i < icons.size(); ++i) {
        for (size_t j = i + 1; j < icons.size(); ++j) {
            EXPECT_NE(icons[i].Pixels, icons[j].Pixels) << i << " and " << j;
        }
    }
}

TEST(MenuArt, NormalIsTheIconOnWhiteAndHoverTheSameIconOnTheBar) {
    constexpr int w = kMenuItemWidth, h = kMenuItemHeight;
    constexpr double kRadius = h / 2.0;
    for (const TMenuItem& item : MenuItems()) {
        SCOPED_TRACE(item.Name);
        const TImage hover = DecodeBmpImage(item.Hover), normal = DecodeBmpImage(item.Normal);
        const TRgbaPicture icon = DrawMenuIcon(item.Icon);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const TColor n = normal.Pixel(x, y), o = hover.Pixel(x, y);
                const int alpha = x < kMenuIconCell ? AlphaOf(icon, x, y) : 0;
                if (alpha == 255) {
                    // The icon covers the bar entirely: both show the icon itself.
                    ASSERT_EQ(n, ColourOf(icon, x, y)) << x << "," << y;
                    ASSERT_EQ(o, n) << x << "," << y;
                    continue;
                }
                if (alpha > 0) {
                    continue;  // the icon's smoothed edge, over white or over the bar
                }
                ASSERT_EQ(n, kWhite) << x << "," << y;
                // Inside the bar, away from its smoothed ends, nothing but the bar's colour.
                const double cx = std::clamp(x + 0.5, kRadius, w - kRadius);
                const double reach = std::hypot(x + 0.5 - cx, y + 0.5 - kRadius);
                if (reach < kRadius - 0.8) {
                    ASSERT_EQ(o, kMenuBar) << x << "," << y;
                } else if (reach > kRadius + 0.8) {
                    ASSERT_EQ(o, kWhite) << x << "," << y;
                } else {
                    ASSERT_TRUE(BetweenWhiteAndBar(o)) << x << "," << y;
                }
            }
        }
        // The label's room is the plain bar from end to end of its straight part.
        for (int y = 0; y < h; ++y) {
            for (int x = kMenuLabelLeft; x < w - h / 2; ++x) {
                ASSERT_EQ(hover.Pixel(x, y), kMenuBar) << x << "," << y;
            }
        }
        for (const auto& [x, y] : {std::pair{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}}) {
            EXPECT_EQ(hover.Pixel(x, y), kWhite) << x << "," << y;
        }
    }
}

// How many opaque pixels of an icon are of a kind.
template <class Kind>
int CountOpaque(const TRgbaPicture& icon, Kind kind) {
    int count = 0;
    for (int y = 0; y < icon.Height; ++y) {
        for (int x = 0; x < icon.Width; ++x) {
            count += AlphaOf(icon, x, y) == 255 && kind(ColourOf(icon, x, y), x, y);
        }
    }
    return count;
}

int OpaqueInColumn(const TRgbaPicture& icon, int x) {
    int count = 0;
    for (int y = 0; y < icon.Height; ++y) {
        count += AlphaOf(icon, x, y) == 255;
    }
    return count;
}

TEST(MenuArt, EachIconShowsWhatItsItemDoes) {
    const auto pink = [](TColor c, int, int) { return c == kBookmarkHighlightedPaper; };
    const auto red = [](TColor c, int, int) { return Red(c); };
    // A pink bookmark with its red cord, to place one and to read from one; the latter with a
    // green arrow.
    const TRgbaPicture mark = DrawMenuIcon(TMenuIcon::Mark);
    EXPECT_GT(CountOpaque(mark, pink), 50);
    EXPECT_GT(CountOpaque(mark, red), 25);
    const TRgbaPicture open = DrawMenuIcon(TMenuIcon::Open);
    EXPECT_GT(CountOpaque(open, pink), 30);
    EXPECT_GT(CountOpaque(open,
                          [](TColor c, int, int) {
                              return GreenOf(c) > RedOf(c) + 60 && GreenOf(c) > BlueOf(c) + 60;
                          }),
              30);
    // ▶▶: two triangles pointing right, each column taller at a base than near a point.
    const TRgbaPicture skip = DrawMenuIcon(TMenuIcon::Skip);
    EXPECT_GT(OpaqueInColumn(skip, 6), OpaqueInColumn(skip, 13) + 6);
    EXPECT_GT(OpaqueInColumn(skip, 17), OpaqueInColumn(skip, 24) + 6);
    EXPECT_GT(OpaqueInColumn(skip, 17), OpaqueInColumn(skip, 15));
    // A blue disc with a light i in its middle column: dot, gap, stem.
    const TRgbaPicture about = DrawMenuIcon(TMenuIcon::About);
    const auto light = [&](int y) {
        return BlueOf(ColourOf(about, 16, y)) > 240 && RedOf(ColourOf(about, 16, y)) > 240;
    };
    EXPECT_TRUE(light(10));
    EXPECT_FALSE(light(13));
    EXPECT_TRUE(light(18));
    EXPECT_TRUE(light(22));
    EXPECT_GT(CountOpaque(about, [](TColor c, int, int) { return BlueOf(c) > RedOf(c) + 100; }),
              200);
    // Two windows: dark frames and two title bars of different blues.
    const TRgbaPicture window = DrawMenuIcon(TMenuIcon::Window);
    EXPECT_NE(ColourOf(window, 8, 7), ColourOf(window, 20, 14));
    EXPECT_GT(BlueOf(ColourOf(window, 20, 14)), RedOf(ColourOf(window, 20, 14)) + 80);
    EXPECT_GT(CountOpaque(window, [](TColor c, int,
                                     int) { return RedOf(c) + GreenOf(c) + BlueOf(c) < 250; }),
              40);
    // A closed book: a red cover with light page edges showing at the right and the bottom.
    const TRgbaPicture close = DrawMenuIcon(TMenuIcon::Close);
    EXPECT_GT(CountOpaque(close,
                          [](TColor c, int, int) {
                              return RedOf(c) > 180 && GreenOf(c) < 90 && BlueOf(c) < 110;
                          }),
              150);
    const TColor pageEdge = ColourOf(close, 24, 16);
    EXPECT_GT(RedOf(pageEdge), 230);
    EXPECT_GT(GreenOf(pageEdge), 220);
}

TEST(AboutArt, TheCloseButtonIsRoundedAndLabelledInTheMiddleTheSameWayInBoth) {
    constexpr int w = kAboutCloseWidth, h = kAboutCloseHeight;
    const TImage hover = DecodeBmpImage(AboutCloseHoverBmp());
    const TImage normal = DecodeBmpImage(AboutCloseNormalBmp());
    for (const auto& [x, y] : {std::pair{0, 0},
                               {1, 1},
                               {w - 1, 0},
                               {w - 2, 1},
                               {0, h - 1},
                               {1, h - 2},
                               {w - 1, h - 1},
                               {w - 2, h - 2}}) {
        EXPECT_EQ(hover.Pixel(x, y), kWhite) << x << "," << y;
        EXPECT_EQ(normal.Pixel(x, y), kWhite) << x << "," << y;
    }
    // The face, left and right of the label and above and below it.
    for (const auto& [x, y] : {std::pair{6, h / 2}, {w - 7, h / 2}, {w / 2, 1}, {w / 2, h - 2}}) {
        EXPECT_EQ(hover.Pixel(x, y), kAboutCloseHoverFace) << x << "," << y;
        EXPECT_EQ(normal.Pixel(x, y), kAboutCloseNormalFace) << x << "," << y;
    }
    // Both faces and the white are full blue and the label is black, so the blue channel is the
    // label alone, which must be the same in both.
    int left = w, top = h, right = -1, bottom = -1, darkest = 255;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            ASSERT_EQ(BlueOf(hover.Pixel(x, y)), BlueOf(normal.Pixel(x, y))) << x << "," << y;
            const int blue = BlueOf(normal.Pixel(x, y));
            darkest = std::min(darkest, blue);
            if (blue < 160) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    EXPECT_LT(darkest, 60);
    const int labelHeight = bottom - top + 1, labelWidth = right - left + 1;
    EXPECT_GE(labelHeight, 10);
    EXPECT_LE(labelHeight, 14);
    EXPECT_GE(labelWidth, 30);
    EXPECT_LE(labelWidth, 48);
    EXPECT_NEAR((left + right + 1) / 2.0, w / 2.0, 1.5);
    EXPECT_NEAR((top + bottom + 1) / 2.0, h / 2.0, 1.5);
}

TEST(AboutArt, TheIconIsAnOpenPinkBookWithARedCordOnWhite) {
    const TImage icon = DecodeBmpImage(AboutIconBmp());
    constexpr int side = kAboutIconSide;
    int pink = 0, redBelow = 0, leftInk = 0, rightInk = 0;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const TColor c = icon.Pixel(x, y);
            if (x == 0 || y == 0 || x == side - 1 || y == side - 1) {
                EXPECT_EQ(c, kWhite) << x << "," << y;
            }
            pink += c == kBookmarkHighlightedPaper;
            redBelow += Red(c) && y >= 26;  // the cord hangs out below the pages
            (x < side / 2 ? leftInk : rightInk) += c != kWhite;
        }
    }
    EXPECT_GT(pink, 150);
    EXPECT_GT(redBelow, 4);
    // Two pages, one each side of the gutter.
    EXPECT_GT(leftInk, 250);
    EXPECT_NEAR(leftInk, rightInk, leftInk / 8);
    // Open, not closed: white above the gutter, where the pages dip, and paper beside it.
    EXPECT_EQ(icon.Pixel(side / 2, 5), kWhite);
    EXPECT_NE(icon.Pixel(side / 2 - 8, 7), kWhite);
    EXPECT_NE(icon.Pixel(side / 2 + 8, 7), kWhite);
}

}  // namespace
}  // namespace tavri::assets
