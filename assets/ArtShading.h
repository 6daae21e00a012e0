#pragma once

// What the drawn pictures share: shapes described by where they lie (a signed distance or an
// inside test), sampled 4 × 4 times per pixel so that the edges come out smooth without a
// rasteriser and the bytes depend on nothing but our own code.

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "graphics/Image.h"
#include "graphics/PictureEncode.h"

namespace tavri::assets {

struct TPoint {
    double X = 0, Y = 0;
};

inline TPoint operator+(TPoint a, TPoint b) {
    return {a.X + b.X, a.Y + b.Y};
}
inline TPoint operator-(TPoint a, TPoint b) {
    return {a.X - b.X, a.Y - b.Y};
}
inline TPoint operator*(double k, TPoint a) {
    return {k * a.X, k * a.Y};
}
inline double Dot(TPoint a, TPoint b) {
    return a.X * b.X + a.Y * b.Y;
}

struct TRgb {
    double R = 0, G = 0, B = 0;
};

inline TRgb Rgb(TColor c) {
    return {double(RedOf(c)), double(GreenOf(c)), double(BlueOf(c))};
}

inline TRgb Mix(TRgb a, TRgb b, double t) {
    return {a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t};
}

inline uint8_t Channel(double v) {
    return uint8_t(std::clamp(std::lround(v), 0L, 255L));
}

// What a picture shows at a point, or nothing where it is transparent.
using TShade = std::optional<TRgb>;

constexpr int kSamples = 4;  // per side of a pixel

// Coverage is the share of samples something covers; the colour is the mean of what covers
// them, kept straight (not premultiplied) as the PNG stores it.
template <class Shader>
TRgbaPicture Supersample(int width, int height, const Shader& shade) {
    TRgbaPicture picture(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            TRgb sum;
            int covered = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const TShade s =
                        shade(TPoint{x + (sx + 0.5) / kSamples, y + (sy + 0.5) / kSamples});
                    if (s) {
                        sum = {sum.R + s->R, sum.G + s->G, sum.B + s->B};
                        ++covered;
                    }
                }
            }
            if (covered == 0) {
                continue;
            }
            uint8_t* out = picture.At(x, y);
            out[0] = Channel(sum.R / covered);
            out[1] = Channel(sum.G / covered);
            out[2] = Channel(sum.B / covered);
            out[3] = Channel(255.0 * covered / (kSamples * kSamples));
        }
    }
    return picture;
}

inline TImage OverWhite(const TRgbaPicture& picture) {
    TImage image(picture.Width, picture.Height);
    for (int y = 0; y < picture.Height; ++y) {
        for (int x = 0; x < picture.Width; ++x) {
            const uint8_t* p = picture.At(x, y);
            const double a = p[3] / 255.0;
            image.SetPixel(x, y,
                           RGB(Channel(p[0] * a + 255 * (1 - a)), Channel(p[1] * a + 255 * (1 - a)),
                               Channel(p[2] * a + 255 * (1 - a))));
        }
    }
    return image;
}

inline double SegmentDistance(TPoint p, TPoint a, TPoint b) {
    const TPoint ab = b - a;
    const double t = std::clamp(Dot(p - a, ab) / Dot(ab, ab), 0.0, 1.0);
    const TPoint d = p - (a + t * ab);
    return std::sqrt(Dot(d, d));
}

// Signed distance to a rectangle of half sides hx, hy centred on the origin, corners rounded
// with radius r (negative inside).
inline double RoundedBoxDistance(double x, double y, double hx, double hy, double r) {
    const double qx = std::abs(x) - (hx - r), qy = std::abs(y) - (hy - r);
    const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
    return outside + std::min(std::max(qx, qy), 0.0) - r;
}

// Signed distance to a triangle (negative inside).
inline double TriangleDistance(TPoint p, const std::array<TPoint, 3>& corners) {
    double distance = 1e9;
    int left = 0, right = 0;  // of the edges, either way round
    for (size_t i = 0; i < 3; ++i) {
        const TPoint a = corners[i], b = corners[(i + 1) % 3];
        distance = std::min(distance, SegmentDistance(p, a, b));
        const TPoint edge = b - a, to = p - a;
        const double side = edge.X * to.Y - edge.Y * to.X;
        left += side >= 0;
        right += side <= 0;
    }
    return left == 3 || right == 3 ? -distance : distance;
}

// The bookmarks' red cord, wherever it is drawn, so that every picture shows the same cord.
constexpr TRgb kCordLight = {226, 58, 46}, kCordDark = {138, 20, 18};

// A round cord: light along its middle, darker towards its sides.
inline TRgb CordColour(double distanceFromMiddle, double radius) {
    const double t = std::clamp(distanceFromMiddle / radius, 0.0, 1.0);
    return Mix(kCordLight, kCordDark, t * t);
}

}  // namespace tavri::assets
