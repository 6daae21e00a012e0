// The bookmark screen's pictures, drawn with the shading of ArtShading.h.

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "ArtShading.h"
#include "assets/AssetArt.h"

namespace tavri::assets {
namespace {

// ---- The bookmark ----

// The strip's own axes: along runs down the strip in the direction its text is written,
// across points from its left edge to its right one (towards the top of the text).
const double kTilt = 67.0 * std::numbers::pi / 180.0;
const TPoint kAlong = {std::cos(kTilt), std::sin(kTilt)};
const TPoint kAcross = {kAlong.Y, -kAlong.X};

// The strip's centre line runs through the middle of the picture; the text's first line sits
// 14 px right of it and the second 7 px left, so the block of text is roughly centred on the
// paper. The ends are where the picture's corners leave room, the top one lower for the cord.
constexpr TPoint kStripOrigin = {77, 136};
constexpr double kStripTop = -106, kStripBottom = 123;  // along the strip, from the origin
constexpr double kStripHalfWidth = 28, kStripCorner = 5;
constexpr double kPaperEdge = 1.4;

TPoint OnStrip(double along, double across) {
    return kStripOrigin + along * kAlong + across * kAcross;
}

// The punched hole the cord goes through, near the top end.
const TPoint kHole = OnStrip(kStripTop + 12, 0);
constexpr double kHoleRadius = 3.6, kEyeletWidth = 1.3;

// The cord leaves the hole up the strip, arcs over the top right corner and drops to the knot
// of the tassel hanging in the room the leaning strip leaves at the picture's top right.
constexpr TPoint kKnot = {104, 27};
constexpr double kCordRadius = 1.7;
constexpr int kCordSteps = 48;

struct TCord {
    std::array<TPoint, kCordSteps + 1> Path;
    TPoint Min, Max;  // the box the cord stays in, so most of the picture skips it at once
};

TCord CordPath() {
    const TPoint p0 = kHole, p1 = kHole - 34 * kAlong, p2 = {80, -12}, p3 = kKnot;
    TCord cord;
    cord.Min = cord.Max = p0;
    for (int i = 0; i <= kCordSteps; ++i) {
        const double t = double(i) / kCordSteps, s = 1 - t;
        const TPoint p = s * s * s * p0 + 3 * s * s * t * p1 + 3 * s * t * t * p2 + t * t * t * p3;
        cord.Path[size_t(i)] = p;
        cord.Min = {std::min(cord.Min.X, p.X - kCordRadius),
                    std::min(cord.Min.Y, p.Y - kCordRadius)};
        cord.Max = {std::max(cord.Max.X, p.X + kCordRadius),
                    std::max(cord.Max.Y, p.Y + kCordRadius)};
    }
    return cord;
}

// The tassel hangs straight down from the knot, flaring a little, with a wrapped band below
// the knot and its threads running down.
constexpr double kTasselTop = kKnot.Y + 2, kTasselBottom = kKnot.Y + 46;
constexpr double kTasselTopHalf = 3.0, kTasselBottomHalf = 8.0;
constexpr double kBandTop = kKnot.Y + 6, kBandBottom = kKnot.Y + 10;

TShade Tassel(TPoint p) {
    const double dx = p.X - kKnot.X, dy = p.Y - kKnot.Y;
    if (dx * dx / (5.0 * 5.0) + dy * dy / (4.2 * 4.2) <= 1) {
        return CordColour(std::hypot(dx + 1.5, dy + 1.5), 7.0);  // lit from the top left
    }
    if (p.Y < kTasselTop || p.Y > kTasselBottom) {
        return std::nullopt;
    }
    const double down = (p.Y - kTasselTop) / (kTasselBottom - kTasselTop);
    const double half = kTasselTopHalf + (kTasselBottomHalf - kTasselTopHalf) * std::sqrt(down);
    // The threads end in a soft curve rather than a ruler line.
    const double across = dx / half;
    if (std::abs(across) > 1 || p.Y > kTasselBottom - 3 * across * across) {
        return std::nullopt;
    }
    if (p.Y >= kBandTop && p.Y <= kBandBottom) {
        return Mix(CordColour(std::abs(across), 1.0), kCordDark, 0.55);
    }
    const double thread = 0.5 + 0.5 * std::cos(across * 6 * std::numbers::pi);
    return Mix(CordColour(std::abs(across), 1.2), kCordDark, 0.4 * thread);
}

struct TBookmarkColours {
    TRgb Paper, Edge, Eyelet;
};

TShade ShadeBookmark(TPoint p, const TBookmarkColours& colours, const TCord& cord) {
    if (const TShade tassel = Tassel(p)) {
        return tassel;
    }
    if (p.X >= cord.Min.X && p.X <= cord.Max.X && p.Y >= cord.Min.Y && p.Y <= cord.Max.Y) {
        double distance = kCordRadius + 1;
        for (size_t i = 0; i + 1 < cord.Path.size(); ++i) {
            distance = std::min(distance, SegmentDistance(p, cord.Path[i], cord.Path[i + 1]));
        }
        if (distance <= kCordRadius) {
            return CordColour(distance, kCordRadius);
        }
    }
    const TPoint fromOrigin = p - kStripOrigin;
    const double along = Dot(fromOrigin, kAlong), across = Dot(fromOrigin, kAcross);
    const double paper =
        RoundedBoxDistance(along - (kStripTop + kStripBottom) / 2, across,
                           (kStripBottom - kStripTop) / 2, kStripHalfWidth, kStripCorner);
    if (paper > 0) {
        return std::nullopt;
    }
    const TPoint fromHole = p - kHole;
    const double hole = std::sqrt(Dot(fromHole, fromHole));
    if (hole <= kHoleRadius) {
        return kCordDark;  // the cord's loop at the back of the strip
    }
    if (hole <= kHoleRadius + kEyeletWidth) {
        return colours.Eyelet;
    }
    return paper > -kPaperEdge ? colours.Edge : colours.Paper;
}

// ---- The arrows and the cancel bar ----

constexpr double kArrowRadius = 22;  // the half-disc's
constexpr double kArrowInner = 33;   // the flat side of the left arrow, 1 px in from the edge
constexpr double kArrowFlat = 9;     // straight run between the round part and the flat side
constexpr double kRim = 1.2;

struct TButtonColours {
    TRgb Face, Rim, Mark;
};

const TButtonColours kArrowNormal = {{246, 172, 196}, {222, 128, 160}, {206, 36, 62}};
const TButtonColours kArrowHover = {{255, 204, 220}, {246, 150, 180}, {244, 62, 90}};
const TButtonColours kCancelNormal = {{244, 166, 192}, {220, 124, 156}, {}};
const TButtonColours kCancelHover = {{255, 206, 222}, {244, 156, 184}, {}};

// The left arrow; the right one is its mirror image.
TShade ShadeLeftArrow(TPoint p, const TButtonColours& colours) {
    const TPoint centre = {kArrowInner - kArrowFlat, kArrowHeight / 2.0};
    // A half-disc drawn out into a D: round towards the screen's edge, flat towards its middle,
    // the corners of the flat side eased a little. The straight part's box reaches into the
    // round part so that only its corners on the flat side show.
    const double dy = p.Y - centre.Y;
    constexpr double kBoxLeft = kArrowInner - 2 * kArrowFlat;
    const double face = p.X < centre.X
                            ? std::hypot(p.X - centre.X, dy) - kArrowRadius
                            : RoundedBoxDistance(p.X - (kBoxLeft + kArrowInner) / 2, dy,
                                                 (kArrowInner - kBoxLeft) / 2, kArrowRadius, 3);
    if (face > 0) {
        return std::nullopt;
    }
    // Rounded corners: the distance to a smaller triangle, less the rounding.
    const std::array<TPoint, 3> corners = {TPoint{9.5, centre.Y}, TPoint{23.5, centre.Y + 10.5},
                                           TPoint{23.5, centre.Y - 10.5}};
    if (TriangleDistance(p, corners) <= 1.3) {
        return colours.Mark;
    }
    return face > -kRim ? colours.Rim : colours.Face;
}

TShade ShadeCancelBar(TPoint p, const TButtonColours& colours) {
    constexpr double kRadius = 14, kMiddle = kCancelBarHeight / 2.0;
    const double bar =
        SegmentDistance(p, {2 + kRadius, kMiddle}, {kCancelBarWidth - 2 - kRadius, kMiddle}) -
        kRadius;
    if (bar > 0) {
        return std::nullopt;
    }
    return bar > -kRim ? colours.Rim : colours.Face;
}

}  // namespace

TRgbaPicture DrawBookmark(bool highlighted) {
    const TBookmarkColours colours =
        highlighted
            ? TBookmarkColours{Rgb(kBookmarkHighlightedPaper), {214, 140, 166}, {190, 116, 142}}
            : TBookmarkColours{Rgb(kBookmarkNormalPaper), {204, 182, 138}, {176, 152, 110}};
    const auto cord = CordPath();
    return Supersample(kBookmarkWidth, kBookmarkHeight,
                       [&](TPoint p) { return ShadeBookmark(p, colours, cord); });
}

TImage DrawArrow(bool right, bool hover) {
    const TButtonColours& colours = hover ? kArrowHover : kArrowNormal;
    const TImage left = OverWhite(Supersample(
        kArrowWidth, kArrowHeight, [&](TPoint p) { return ShadeLeftArrow(p, colours); }));
    if (!right) {
        return left;
    }
    TImage mirrored(kArrowWidth, kArrowHeight);
    for (int y = 0; y < kArrowHeight; ++y) {
        for (int x = 0; x < kArrowWidth; ++x) {
            mirrored.SetPixel(kArrowWidth - 1 - x, y, left.Pixel(x, y));
        }
    }
    return mirrored;
}

TImage DrawCancelBar(bool hover) {
    const TButtonColours& colours = hover ? kCancelHover : kCancelNormal;
    return OverWhite(Supersample(kCancelBarWidth, kCancelBarHeight,
                                 [&](TPoint p) { return ShadeCancelBar(p, colours); }));
}

std::vector<uint8_t> MakeBookmarkPng(bool highlighted) {
    return EncodePngRgba(DrawBookmark(highlighted));
}

std::vector<uint8_t> MakeArrowBmp(bool right, bool hover) {
    return EncodeBmp24(DrawArrow(right, hover));
}

std::vector<uint8_t> MakeCancelBarBmp(bool hover) {
    return EncodeBmp24(DrawCancelBar(hover));
}

}  // namespace tavri::assets
