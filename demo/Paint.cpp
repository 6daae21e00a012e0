#include "Paint.h"

#include <algorithm>
#include <cmath>

namespace demo {
namespace {

uint8_t ToByte(float v) {
    return uint8_t(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
}

uint32_t Hash(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}

float Lattice(int x, int y, unsigned seed) {
    return float(Hash(uint32_t(x) * 0x9E3779B1u ^ Hash(uint32_t(y) + seed * 0x85EBCA77u)) >> 8) /
           float(1 << 24);
}

}  // namespace

TRgb Mix(TRgb a, TRgb b, float t) {
    return {a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t};
}

float Hash01(int n, unsigned seed) {
    return Lattice(n, 0, seed);
}

float Noise(float x, float y, float scale, unsigned seed) {
    const float fx = x / scale, fy = y / scale;
    const int ix = int(std::floor(fx)), iy = int(std::floor(fy));
    float tx = fx - float(ix), ty = fy - float(iy);
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    const float top =
        Lattice(ix, iy, seed) + (Lattice(ix + 1, iy, seed) - Lattice(ix, iy, seed)) * tx;
    const float bottom = Lattice(ix, iy + 1, seed) +
                         (Lattice(ix + 1, iy + 1, seed) - Lattice(ix, iy + 1, seed)) * tx;
    return top + (bottom - top) * ty;
}

TPaint::TPaint(int width, int height, TRgb background, float alpha)
    : width_(width),
      height_(height),
      pixels_(size_t(width) * size_t(height), {background.R, background.G, background.B, alpha}) {}

void TPaint::Blend(int x, int y, TRgb colour, float alpha) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_ || alpha <= 0) {
        return;
    }
    auto& p = pixels_[size_t(y) * size_t(width_) + size_t(x)];
    const float under = p[3] * (1 - alpha);
    const float total = alpha + under;
    if (total <= 0) {
        return;
    }
    p[0] = (colour.R * alpha + p[0] * under) / total;
    p[1] = (colour.G * alpha + p[1] * under) / total;
    p[2] = (colour.B * alpha + p[2] * under) / total;
    p[3] = total;
}

void TPaint::Fill(float x0, float y0, float x1, float y1, const TInside& inside, TRgb colour,
                  float alpha) {
    const int left = std::max(0, int(std::floor(x0))), top = std::max(0, int(std::floor(y0)));
    const int right = std::min(width_, int(std::ceil(x1))),
              bottom = std::min(height_, int(std::ceil(y1)));
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            float coverage = 0;
            if (Hard) {
                coverage = inside(float(x) + 0.5f, float(y) + 0.5f) ? 1.0f : 0.0f;
            } else {
                for (int sy = 0; sy < 4; ++sy) {
                    for (int sx = 0; sx < 4; ++sx) {
                        coverage += inside(float(x) + (float(sx) + 0.5f) / 4,
                                           float(y) + (float(sy) + 0.5f) / 4)
                                        ? 1.0f / 16
                                        : 0.0f;
                    }
                }
            }
            Blend(x, y, colour, alpha * coverage);
        }
    }
}

void TPaint::Ellipse(float cx, float cy, float rx, float ry, TRgb colour, float alpha) {
    Fill(
        cx - rx, cy - ry, cx + rx + 1, cy + ry + 1,
        [=](float x, float y) {
            const float dx = (x - cx) / rx, dy = (y - cy) / ry;
            return dx * dx + dy * dy <= 1;
        },
        colour, alpha);
}

void TPaint::Polygon(const std::vector<std::array<float, 2>>& points, TRgb colour, float alpha) {
    float x0 = 1e9f, y0 = 1e9f, x1 = -1e9f, y1 = -1e9f;
    for (const auto& p : points) {
        x0 = std::min(x0, p[0]);
        y0 = std::min(y0, p[1]);
        x1 = std::max(x1, p[0]);
        y1 = std::max(y1, p[1]);
    }
    Fill(
        x0, y0, x1 + 1, y1 + 1,
        [&points](float x, float y) {
            bool in = false;
            for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
                const auto& a = points[i];
                const auto& b = points[j];
                if ((a[1] > y) != (b[1] > y) &&
                    x < (b[0] - a[0]) * (y - a[1]) / (b[1] - a[1]) + a[0]) {
                    in = !in;
                }
            }
            return in;
        },
        colour, alpha);
}

void TPaint::Rect(float x0, float y0, float x1, float y1, TRgb colour, float alpha) {
    Fill(
        x0, y0, x1, y1, [=](float x, float y) { return x >= x0 && x < x1 && y >= y0 && y < y1; },
        colour, alpha);
}

void TPaint::VerticalGradient(int y0, int y1, TRgb top, TRgb bottom) {
    for (int y = std::max(0, y0); y <= std::min(height_ - 1, y1); ++y) {
        const TRgb c = Mix(top, bottom, y1 > y0 ? float(y - y0) / float(y1 - y0) : 0.0f);
        for (int x = 0; x < width_; ++x) {
            pixels_[size_t(y) * size_t(width_) + size_t(x)] = {c.R, c.G, c.B, 1.0f};
        }
    }
}

void TPaint::Glow(float cx, float cy, float radius, TRgb colour, float alpha) {
    const int left = std::max(0, int(cx - radius)), right = std::min(width_, int(cx + radius) + 1);
    const int top = std::max(0, int(cy - radius)), bottom = std::min(height_, int(cy + radius) + 1);
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            const float d = std::hypot(float(x) + 0.5f - cx, float(y) + 0.5f - cy) / radius;
            if (d < 1) {
                const float t = 1 - d;
                Blend(x, y, colour, alpha * t * t * (3 - 2 * t));
            }
        }
    }
}

void TPaint::Grain(float scale, float amount, unsigned seed) {
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            auto& p = pixels_[size_t(y) * size_t(width_) + size_t(x)];
            const float f = 1 + amount * (Noise(float(x), float(y), scale, seed) - 0.5f);
            for (int c = 0; c < 3; ++c) {
                p[size_t(c)] = std::clamp(p[size_t(c)] * f, 0.0f, 1.0f);
            }
        }
    }
}

tavri::TImage TPaint::ToImage() const {
    tavri::TImage image(width_, height_);
    for (int y = 0; y < height_; ++y) {
        uint8_t* row = image.ScanLine(y);
        for (int x = 0; x < width_; ++x) {
            const auto& p = pixels_[size_t(y) * size_t(width_) + size_t(x)];
            row[x * 3] = ToByte(p[2]);
            row[x * 3 + 1] = ToByte(p[1]);
            row[x * 3 + 2] = ToByte(p[0]);
        }
    }
    return image;
}

tavri::TRgbaPicture TPaint::ToRgba() const {
    tavri::TRgbaPicture picture(width_, height_);
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            const auto& p = pixels_[size_t(y) * size_t(width_) + size_t(x)];
            uint8_t* out = picture.At(x, y);
            const uint8_t alpha = ToByte(p[3]);
            for (int c = 0; c < 3; ++c) {
                out[c] = alpha == 0 ? 0 : ToByte(p[size_t(c)]);
            }
            out[3] = alpha;
        }
    }
    return picture;
}

}  // namespace demo
