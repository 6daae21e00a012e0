#pragma once

// A small painter for the demo novel's pictures: a floating-point RGBA canvas, shapes with
// supersampled (or, for colour-keyed sprites, hard) edges, gradients and a hashed value noise.
// Everything is a pure function of its arguments, so the pictures come out the same each run.

#include <array>
#include <functional>
#include <vector>

#include "graphics/Image.h"
#include "graphics/PictureEncode.h"

namespace demo {

struct TRgb {
    float R = 0, G = 0, B = 0;
};
constexpr TRgb Rgb(int r, int g, int b) {
    return {r / 255.0f, g / 255.0f, b / 255.0f};
}
TRgb Mix(TRgb a, TRgb b, float t);

// A point inside a shape, in pixel coordinates (the centre of pixel (x, y) is (x + .5, y + .5)).
using TInside = std::function<bool(float x, float y)>;

class TPaint {
  public:
    TPaint(int width, int height, TRgb background, float alpha = 1.0f);

    int Width() const { return width_; }
    int Height() const { return height_; }

    // Straight-alpha "over" of one colour at one pixel.
    void Blend(int x, int y, TRgb colour, float alpha);
    // The shape within [x0, x1) × [y0, y1), its edges smoothed with 4 × 4 samples per pixel
    // (or taken at the pixel centre alone when Hard is set).
    void Fill(float x0, float y0, float x1, float y1, const TInside& inside, TRgb colour,
              float alpha = 1.0f);
    void Ellipse(float cx, float cy, float rx, float ry, TRgb colour, float alpha = 1.0f);
    void Polygon(const std::vector<std::array<float, 2>>& points, TRgb colour, float alpha = 1.0f);
    void Rect(float x0, float y0, float x1, float y1, TRgb colour, float alpha = 1.0f);
    // Rows y0 … y1 (clipped) blended from top to bottom.
    void VerticalGradient(int y0, int y1, TRgb top, TRgb bottom);
    // A glow: alpha falls from `alpha` at the centre to 0 at the radius, smoothly.
    void Glow(float cx, float cy, float radius, TRgb colour, float alpha);
    // Multiplies every colour by 1 + amount × (noise − ½), for texture.
    void Grain(float scale, float amount, unsigned seed);

    bool Hard = false;

    tavri::TImage ToImage() const;  // 24-bit, alpha ignored
    tavri::TRgbaPicture ToRgba() const;

  private:
    int width_, height_;
    std::vector<std::array<float, 4>> pixels_;
};

// Smooth value noise in [0, 1] from an integer hash; scale is the feature size in pixels.
float Noise(float x, float y, float scale, unsigned seed);
// A hashed number in [0, 1) for an integer and a seed.
float Hash01(int n, unsigned seed);

}  // namespace demo
