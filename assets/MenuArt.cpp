// The system menu's items and the version form's pictures, drawn with the shading of
// ArtShading.h. Every menu icon fills about 24 px of its 32-px cell and has a dark outline, so
// it reads on the white of a resting item as well as on the light blue of a hovered one.

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "ArtShading.h"
#include "assets/AssetArt.h"
#include "graphics/AntiAliasTextout.h"
#include "graphics/Canvas.h"
#include "platform/TextEncoding.h"

namespace tavri::assets {
namespace {

constexpr double kOutline = 1.1;

// A shape with its outline inside its edge, so the outline never grows the shape.
TShade Outlined(double distance, TRgb fill, TRgb outline) {
    if (distance > 0) {
        return std::nullopt;
    }
    return distance > -kOutline ? outline : fill;
}

// Signed distance to a closed polygon (negative inside, by the even-odd rule).
double PolygonDistance(TPoint p, const std::vector<TPoint>& corners) {
    double distance = 1e9;
    bool inside = false;
    for (size_t i = 0, j = corners.size() - 1; i < corners.size(); j = i++) {
        const TPoint a = corners[j], b = corners[i];
        distance = std::min(distance, SegmentDistance(p, a, b));
        if ((a.Y > p.Y) != (b.Y > p.Y) && p.X < a.X + (p.Y - a.Y) * (b.X - a.X) / (b.Y - a.Y)) {
            inside = !inside;
        }
    }
    return inside ? -distance : distance;
}

double PathDistance(TPoint p, const std::vector<TPoint>& path) {
    double distance = 1e9;
    for (size_t i = 0; i + 1 < path.size(); ++i) {
        distance = std::min(distance, SegmentDistance(p, path[i], path[i + 1]));
    }
    return distance;
}

std::vector<TPoint> Bezier(TPoint p0, TPoint p1, TPoint p2, TPoint p3, int steps) {
    std::vector<TPoint> path;
    for (int i = 0; i <= steps; ++i) {
        const double t = double(i) / steps, s = 1 - t;
        path.push_back(s * s * s * p0 + 3 * s * s * t * p1 + 3 * s * t * t * p2 + t * t * t * p3);
    }
    return path;
}

// ---- The bookmark icons ----

const TRgb kPaper = Rgb(kBookmarkHighlightedPaper);
constexpr TRgb kPaperOutline = {164, 72, 106};

// A small paper strip leaning as the bookmark screen's do, its top end to the left.
struct TStrip {
    TPoint Centre;
    double HalfLength, HalfWidth;
};

const double kStripTilt = 67.0 * std::numbers::pi / 180.0;
const TPoint kStripAlong = {std::cos(kStripTilt), std::sin(kStripTilt)};
const TPoint kStripAcross = {kStripAlong.Y, -kStripAlong.X};

TPoint StripTop(const TStrip& strip, double inset) {
    return strip.Centre - (strip.HalfLength - inset) * kStripAlong;
}

// The strip, dark through the hole punched near its top end for the cord.
TShade ShadeStrip(TPoint p, const TStrip& strip, double holeRadius) {
    const TPoint d = p - strip.Centre;
    const double paper = RoundedBoxDistance(Dot(d, kStripAlong), Dot(d, kStripAcross),
                                            strip.HalfLength, strip.HalfWidth, 1.6);
    if (paper > 0) {
        return std::nullopt;
    }
    const TPoint fromHole = p - StripTop(strip, 3.4);
    if (std::sqrt(Dot(fromHole, fromHole)) <= holeRadius) {
        return kCordDark;
    }
    return Outlined(paper, kPaper, kPaperOutline);
}

TShade ShadeCord(TPoint p, const std::vector<TPoint>& path, double radius) {
    const double distance = PathDistance(p, path);
    if (distance > radius) {
        return std::nullopt;
    }
    return CordColour(distance, radius);
}

// A knot with threads hanging from it, bound just below the knot and flaring towards their
// ends; wider than the cord, so that it reads as a tassel and not as the cord's end.
TShade ShadeTassel(TPoint p, TPoint knot, double length) {
    const double dx = p.X - knot.X, dy = p.Y - knot.Y;
    if (std::hypot(dx, dy) <= 1.8) {
        return CordColour(std::hypot(dx + 0.6, dy + 0.6), 2.6);
    }
    if (dy < 0 || dy > length) {
        return std::nullopt;
    }
    const double half = 1.1 + 1.9 * std::sqrt(dy / length);
    const double across = dx / half;
    if (std::abs(across) > 1 || dy > length - 1.5 * across * across) {
        return std::nullopt;
    }
    if (dy < 3.0) {
        return Mix(CordColour(std::abs(across), 1.0), kCordDark, 0.5);
    }
    const double thread = 0.5 + 0.5 * std::cos(across * 3 * std::numbers::pi);
    return Mix(CordColour(std::abs(across), 1.2), kCordDark, 0.35 * thread);
}

const TStrip kMarkStrip = {{14.0, 17.6}, 10.6, 5.0};
constexpr TPoint kMarkKnot = {24.2, 8.2};

TShade ShadeMark(TPoint p, const std::vector<TPoint>& cord) {
    if (const TShade tassel = ShadeTassel(p, kMarkKnot, 10.5)) {
        return tassel;
    }
    if (const TShade shade = ShadeCord(p, cord, 0.9)) {
        return shade;
    }
    return ShadeStrip(p, kMarkStrip, 1.3);
}

std::vector<TPoint> MarkCord() {
    const TPoint hole = StripTop(kMarkStrip, 3.4);
    return Bezier(hole, hole - 7 * kStripAlong, {22.5, 1.8}, kMarkKnot, 24);
}

// The return arrow: out to the right along the top, round and back to the left along the
// bottom, where it points at the strip it returns to.
const TStrip kOpenStrip = {{11.0, 14.2}, 9.6, 4.6};
constexpr TRgb kArrowFill = {72, 178, 92}, kArrowOutline = {22, 92, 42};

std::vector<TPoint> ReturnPath() {
    constexpr TPoint kCentre = {21.6, 17.6};
    constexpr double kRadius = 5.6;
    std::vector<TPoint> path = {{16.2, kCentre.Y - kRadius}};
    for (int i = 0; i <= 16; ++i) {
        const double angle = std::numbers::pi * (-0.5 + i / 16.0);
        path.push_back(
            {kCentre.X + kRadius * std::cos(angle), kCentre.Y + kRadius * std::sin(angle)});
    }
    path.push_back({17.0, kCentre.Y + kRadius});
    return path;
}

TShade ShadeOpen(TPoint p, const std::vector<TPoint>& arrow) {
    const TPoint tail = arrow.back();
    const double head =
        TriangleDistance(p, {TPoint{tail.X - 6.2, tail.Y}, TPoint{tail.X, tail.Y - 4.2},
                             TPoint{tail.X, tail.Y + 4.2}}) -
        0.4;
    const double shaft = PathDistance(p, arrow) - 1.5;
    if (const TShade shade = Outlined(std::min(head, shaft), kArrowFill, kArrowOutline)) {
        return shade;
    }
    return ShadeStrip(p, kOpenStrip, 1.2);
}

// ---- The other menu icons ----

constexpr TRgb kFrame = {34, 44, 86};

struct TWindow {
    double Left, Top, Right, Bottom;
    TRgb Title;
};

// A window frame with a title bar across its top.
TShade ShadeWindow(TPoint p, const TWindow& window) {
    const double hx = (window.Right - window.Left) / 2, hy = (window.Bottom - window.Top) / 2;
    const double frame =
        RoundedBoxDistance(p.X - window.Left - hx, p.Y - window.Top - hy, hx, hy, 1.5);
    if (frame > 0) {
        return std::nullopt;
    }
    if (frame > -kOutline) {
        return kFrame;
    }
    const double title = p.Y - window.Top - 4.6;
    if (title < 0) {
        return window.Title;
    }
    return title < 0.9 ? kFrame : TRgb{238, 242, 250};
}

TShade ShadeWindows(TPoint p) {
    if (const TShade front = ShadeWindow(p, {11.0, 12.0, 28.5, 27.5, {56, 104, 206}})) {
        return front;
    }
    return ShadeWindow(p, {3.5, 4.5, 21.0, 20.0, {128, 154, 206}});
}

TShade ShadeSkip(TPoint p) {
    const auto triangle = [&](double left) {
        return TriangleDistance(p, {TPoint{left, 8.8}, TPoint{left, 23.2}, TPoint{left + 11, 16}}) -
               0.5;
    };
    return Outlined(std::min(triangle(4.8), triangle(15.8)), {250, 150, 46}, {150, 72, 10});
}

// The letter i is two shapes, so its look does not hang on a font.
TShade ShadeAbout(TPoint p) {
    const double disc = std::hypot(p.X - 16, p.Y - 16) - 11.6;
    if (disc > 0) {
        return std::nullopt;
    }
    constexpr TRgb kLetter = {250, 252, 255};
    if (std::hypot(p.X - 16, p.Y - 10.0) <= 1.9 ||
        RoundedBoxDistance(p.X - 16, p.Y - 18.6, 1.7, 5.2, 0.7) <= 0) {
        return kLetter;
    }
    return Outlined(disc, {42, 112, 214}, {16, 48, 122});
}

// A closed book seen from the front: its cover, with the edges of the pages showing at the
// right and at the bottom, and a label on the cover.
TShade ShadeClose(TPoint p) {
    constexpr TRgb kCover = {204, 62, 84}, kSpine = {160, 36, 58}, kCoverOutline = {104, 18, 36};
    const double cover = RoundedBoxDistance(p.X - 14.8, p.Y - 15.0, 8.8, 11.0, 1.6);
    if (cover <= 0) {
        if (cover > -kOutline) {
            return kCoverOutline;
        }
        if (RoundedBoxDistance(p.X - 16.6, p.Y - 10.4, 4.0, 2.0, 0.6) <= 0) {
            return TRgb{252, 238, 204};
        }
        if (p.X < 9.0) {
            return p.X > 8.2 ? kCoverOutline : kSpine;
        }
        return kCover;
    }
    const double pages = RoundedBoxDistance(p.X - 16.4, p.Y - 16.4, 9.6, 11.6, 1.6);
    if (pages > 0) {
        return std::nullopt;
    }
    if (pages > -kOutline) {
        return TRgb{122, 88, 56};
    }
    return TRgb{250, 240, 212};
}

TRgbaPicture DrawIcon(TMenuIcon icon) {
    const int side = kMenuIconCell;
    switch (icon) {
        case TMenuIcon::Mark: {
            const auto cord = MarkCord();
            return Supersample(side, side, [&](TPoint p) { return ShadeMark(p, cord); });
        }
        case TMenuIcon::Open: {
            const auto arrow = ReturnPath();
            return Supersample(side, side, [&](TPoint p) { return ShadeOpen(p, arrow); });
        }
        case TMenuIcon::Window:
            return Supersample(side, side, ShadeWindows);
        case TMenuIcon::Skip:
            return Supersample(side, side, ShadeSkip);
        case TMenuIcon::About:
            return Supersample(side, side, ShadeAbout);
        case TMenuIcon::Close:
            return Supersample(side, side, ShadeClose);
    }
    return TRgbaPicture(side, side);
}

// Puts picture over what image shows, pixel by pixel through its alpha.
void Blend(TImage& image, const TRgbaPicture& picture) {
    for (int y = 0; y < picture.Height; ++y) {
        for (int x = 0; x < picture.Width; ++x) {
            const uint8_t* p = picture.At(x, y);
            const double a = p[3] / 255.0;
            const TColor under = image.Pixel(x, y);
            image.SetPixel(x, y,
                           RGB(Channel(p[0] * a + RedOf(under) * (1 - a)),
                               Channel(p[1] * a + GreenOf(under) * (1 - a)),
                               Channel(p[2] * a + BlueOf(under) * (1 - a))));
        }
    }
}

// ---- The version form ----

constexpr double kCloseCorner = 9;

// The label's ink is centred on the button, found from a trial drawing: the font's cell does
// not frame the characters evenly, so centring the cell would leave them off the middle.
void WriteCloseLabel(TImage& button) {
    TAntiAliasTextout text;
    text.AntiAlias = true;
    text.Factor = 4;
    text.Decoration = 0;
    text.TextColor = RGB(0, 0, 0);
    text.Font.Face = platform::Cp932("ＭＳ Ｐゴシック");
    text.Font.Height = -13;
    const std::string label = platform::Cp932("閉じる");

    constexpr int kTrial = 4;
    TImage trial(kAboutCloseWidth, kAboutCloseHeight);
    FillRect(trial, {0, 0, trial.Width(), trial.Height()}, RGB(255, 255, 255));
    text.Target = &trial;
    text.TextOut(kTrial, 0, label);
    int left = trial.Width(), top = trial.Height(), right = -1, bottom = -1;
    for (int y = 0; y < trial.Height(); ++y) {
        for (int x = 0; x < trial.Width(); ++x) {
            if (trial.Pixel(x, y) != RGB(255, 255, 255)) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right < 0) {
        return;  // no face could be opened: a plain button beats a crash at build time
    }
    text.Target = &button;
    const int x = kTrial + (kAboutCloseWidth - (right - left + 1)) / 2 - left;
    const int y = (kAboutCloseHeight - (bottom - top + 1)) / 2 - top;
    text.TextOut(x, y, label);
}

// An open book facing the reader: two pink pages whose top edges rise from the gutter, on a
// cover that shows below and beside them, with the ribbon of a cord hanging out of the gutter.
constexpr double kBookSpine = 16, kPageWidth = 13.4;
constexpr TPoint kBookKnot = {17.2, 26.0};

double PageTop(double u) {
    return 9.2 - 4.6 * (1 - (1 - u) * (1 - u));
}
double PageBottom(double u) {
    return 23.8 - 3.0 * (1 - (1 - u) * (1 - u));
}

struct TOpenBook {
    std::array<std::vector<TPoint>, 2> Pages, Covers;  // left, right
    std::vector<TPoint> Ribbon;
};

TOpenBook OpenBook() {
    TOpenBook book;
    constexpr int kSteps = 16;
    for (size_t side = 0; side < 2; ++side) {
        const double s = side == 0 ? -1 : 1;
        auto& page = book.Pages[side];
        auto& cover = book.Covers[side];
        for (int i = 0; i <= kSteps; ++i) {
            const double u = double(i) / kSteps;
            page.push_back({kBookSpine + s * kPageWidth * u, PageTop(u)});
        }
        cover.push_back({kBookSpine, PageTop(0) + 1.0});
        cover.push_back({kBookSpine + s * (kPageWidth + 1.4), PageTop(1) + 1.6});
        for (int i = kSteps; i >= 0; --i) {
            const double u = double(i) / kSteps;
            page.push_back({kBookSpine + s * kPageWidth * u, PageBottom(u)});
            cover.push_back({kBookSpine + s * (kPageWidth + 1.4) * u, PageBottom(u) + 2.2});
        }
    }
    book.Ribbon = Bezier({16.0, 12.0}, {16.0, 18.0}, {15.4, 22.5}, kBookKnot, 24);
    return book;
}

TShade ShadeOpenBook(TPoint p, const TOpenBook& book) {
    if (const TShade tassel = ShadeTassel(p, kBookKnot, 4.4)) {
        return tassel;
    }
    if (const TShade ribbon = ShadeCord(p, book.Ribbon, 1.0)) {
        return ribbon;
    }
    const size_t side = p.X < kBookSpine ? 0 : 1;
    const double page = PolygonDistance(p, book.Pages[side]);
    if (page <= 0) {
        if (page > -kOutline || std::abs(p.X - kBookSpine) < 0.5) {
            return kPaperOutline;
        }
        // Three lines of writing on each page, following its top edge.
        const double u = std::abs(p.X - kBookSpine) / kPageWidth;
        for (int line = 0; line < 3 && u > 0.16 && u < 0.86; ++line) {
            if (std::abs(p.Y - (PageTop(u) + 3.8 + 3.4 * line)) < 0.45) {
                return TRgb{226, 146, 176};
            }
        }
        return kPaper;
    }
    return Outlined(PolygonDistance(p, book.Covers[side]), {228, 122, 158}, {150, 56, 92});
}

}  // namespace

TRgbaPicture DrawMenuIcon(TMenuIcon icon) {
    return DrawIcon(icon);
}

TImage DrawMenuItem(TMenuIcon icon, bool hover) {
    const TRgb bar = Rgb(kMenuBar);
    constexpr double kRadius = kMenuItemHeight / 2.0;
    TImage item = OverWhite(Supersample(kMenuItemWidth, kMenuItemHeight, [&](TPoint p) -> TShade {
        if (!hover ||
            SegmentDistance(p, {kRadius, kRadius}, {kMenuItemWidth - kRadius, kRadius}) > kRadius) {
            return std::nullopt;
        }
        return bar;
    }));
    Blend(item, DrawIcon(icon));
    return item;
}

TImage DrawAboutClose(bool hover) {
    const TRgb face = Rgb(hover ? kAboutCloseHoverFace : kAboutCloseNormalFace);
    constexpr double hx = kAboutCloseWidth / 2.0, hy = kAboutCloseHeight / 2.0;
    TImage button =
        OverWhite(Supersample(kAboutCloseWidth, kAboutCloseHeight, [&](TPoint p) -> TShade {
            if (RoundedBoxDistance(p.X - hx, p.Y - hy, hx, hy, kCloseCorner) > 0) {
                return std::nullopt;
            }
            return face;
        }));
    WriteCloseLabel(button);
    return button;
}

TImage DrawAboutIcon() {
    const TOpenBook book = OpenBook();
    return OverWhite(Supersample(kAboutIconSide, kAboutIconSide,
                                 [&](TPoint p) { return ShadeOpenBook(p, book); }));
}

std::vector<uint8_t> MakeMenuItemBmp(TMenuIcon icon, bool hover) {
    return EncodeBmp24(DrawMenuItem(icon, hover));
}

std::vector<uint8_t> MakeAboutCloseBmp(bool hover) {
    return EncodeBmp24(DrawAboutClose(hover));
}

std::vector<uint8_t> MakeAboutIconBmp() {
    return EncodeBmp24(DrawAboutIcon());
}

}  // namespace tavri::assets
