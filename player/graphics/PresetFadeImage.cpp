#include "graphics/PresetFadeImage.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <utility>
#include <vector>

#include "Crypt.h"
#include "graphics/CommandStrings.h"

// Every formula below fixes the look of a shipped effect: changing one changes the wipe of every
// novel that names it. All of them are exact integer arithmetic except the angle and the
// distance of the rotating shutters and the iris, whose floating-point results never come close
// enough to a level boundary for rounding to matter: apart from whole distances and the vertical
// axis, which come out exact, no pixel's true level lies within 2·10⁻⁵ of a whole number, while a
// double's error here is below 10⁻¹². So the pictures are the same on every machine.

namespace tavri {
namespace {

constexpr int W = kCanvasWidth;
constexpr int H = kCanvasHeight;
constexpr int kCentreX = W / 2;
constexpr int kCentreY = H / 2;

// Draws from the scenario keystream's recurrence (state := state × 1812433253 + 1 modulo 2^32),
// using the whole 32-bit state since the masks draw from ranges wider than a byte.
class TMaskRandom {
  public:
    explicit TMaskRandom(uint32_t seed) : keys_(seed) {}
    // A value in 0 … n − 1: the state is advanced first, then scaled as state × n div 2^32, which
    // keeps the high bits, the well-mixed ones of this recurrence.
    uint32_t Below(uint32_t n) { return uint32_t((uint64_t(keys_.NextState()) * n) >> 32); }

  private:
    TKeystream keys_;
};

TImage NewMask() {
    // An 8-bit picture comes with the grey palette, so index = level.
    return TImage(W, H, TPixelFormat::Pf8bit);
}

template <typename F>
TImage Generate(F levelAt) {
    TImage mask = NewMask();
    for (int y = 0; y < H; ++y) {
        uint8_t* row = mask.ScanLine(y);
        for (int x = 0; x < W; ++x) {
            row[x] = levelAt(x, y);
        }
    }
    return mask;
}

// Rows (or columns) that only depend on one coordinate are built once and copied.
TImage FromColumns(const std::vector<uint8_t>& byColumn) {
    TImage mask = NewMask();
    for (int y = 0; y < H; ++y) {
        std::copy(byColumn.begin(), byColumn.end(), mask.ScanLine(y));
    }
    return mask;
}

TImage FromRows(const std::vector<uint8_t>& byRow) {
    TImage mask = NewMask();
    for (int y = 0; y < H; ++y) {
        std::fill_n(mask.ScanLine(y), W, byRow[size_t(y)]);
    }
    return mask;
}

template <typename F>
std::vector<uint8_t> Table(int count, F level) {
    std::vector<uint8_t> table(size_t(count), 0);
    for (int i = 0; i < count; ++i) {
        table[size_t(i)] = level(i);
    }
    return table;
}

// The profile's 32 values plus a closing 255 are 33 knots placed evenly over columns 0 … 639
// (knot i at column i × 639 / 32); between knots the level is interpolated linearly and rounded
// down. Column 0 is 0, column 639 is 255, column 320 is 128.
uint8_t ShutterL2RLevel(int column) {
    constexpr int kSpan = W - 1;
    constexpr int kSteps = int(kFadeProfile.size());
    auto knot = [](int i) { return i < kSteps ? int(kFadeProfile[size_t(i)]) : 255; };
    const int position = column * kSteps;  // in 1/639 of a knot interval
    const int i = position / kSpan;
    const int fraction = position % kSpan;
    if (fraction == 0) {
        return uint8_t(knot(i));
    }
    return uint8_t(knot(i) + (knot(i + 1) - knot(i)) * fraction / kSpan);
}

// The rotating shutters and the iris depend on a pixel's offset from the centre (320, 240) only
// through |dx|, |dy| and the quadrant, so their costly part (an arc tangent, a square root) is
// evaluated once per (|dx|, |dy|) and shared by the up to four pixels that mirror each other.
// Index: |dy| × 321 + |dx|, |dx| 0 … 320, |dy| 0 … 240.
constexpr int kQuadrantWidth = kCentreX + 1;
constexpr int kQuadrantHeight = kCentreY + 1;

template <typename T, typename F>
std::vector<T> QuadrantTable(F valueAt) {
    std::vector<T> table(size_t(kQuadrantWidth) * kQuadrantHeight);
    for (int ay = 0; ay < kQuadrantHeight; ++ay) {
        for (int ax = 0; ax < kQuadrantWidth; ++ax) {
            table[size_t(ay) * kQuadrantWidth + size_t(ax)] = valueAt(ax, ay);
        }
    }
    return table;
}

template <typename T>
T FromQuadrant(const std::vector<T>& table, int dx, int dy) {
    return table[size_t(std::abs(dy)) * kQuadrantWidth + size_t(std::abs(dx))];
}

// Clockwise shutter: level ⌊θ ÷ 360° × 253⌋ (0 … 252), θ being the clockwise angle of the pixel
// seen from the centre, 0 pointing straight up; the centre pixel itself is 0. The table holds q,
// the angle between the pixel and the vertical axis in the same units (0 … 63.25), and the level
// is q up-right, 126.5 − q down-right, 126.5 + q down-left and 253 − q up-left.
TImage RotatingShutter() {
    constexpr double kTurn = 6.283185307179586476925286766559;
    const auto quarter = QuadrantTable<double>(
        [](int ax, int ay) { return std::atan2(double(ax), double(ay)) * 253.0 / kTurn; });
    return Generate([&](int x, int y) {
        const int right = x - kCentreX, up = kCentreY - y;
        const double q = FromQuadrant(quarter, right, up);
        const double level =
            right >= 0 ? (up >= 0 ? q : 126.5 - q) : (up < 0 ? 126.5 + q : 253.0 - q);
        return uint8_t(std::min(int(std::floor(level)), 252));
    });
}

// The iris: linear through these (distance, level) pairs from the centre, rounded down, 255
// beyond the last.
struct TKnot {
    int Distance, Level;
};
constexpr std::array<TKnot, 9> kCameraKnots = {{{0, 0},
                                                {50, 13},
                                                {100, 44},
                                                {150, 82},
                                                {200, 123},
                                                {250, 163},
                                                {300, 203},
                                                {350, 237},
                                                {400, 255}}};

uint8_t CameraLevel(int dx, int dy) {
    const double distance = std::sqrt(double(dx * dx + dy * dy));
    for (size_t i = 1; i < kCameraKnots.size(); ++i) {
        const TKnot a = kCameraKnots[i - 1], b = kCameraKnots[i];
        if (distance < b.Distance) {
            // Ordered so that a whole distance gives an exact product before the one division.
            const double rise =
                (distance - a.Distance) * (b.Level - a.Level) / (b.Distance - a.Distance);
            return uint8_t(a.Level + int(std::floor(rise)));
        }
    }
    return 255;
}

TImage CameraOpen() {
    const auto levels = QuadrantTable<uint8_t>(CameraLevel);
    return Generate([&](int x, int y) { return FromQuadrant(levels, x - kCentreX, y - kCentreY); });
}

// Puzzle. Tiles are 32 × 32 with the grid shifted so that new tiles start at columns and rows
// 31 + 32k: the first row and column of tiles are 31 pixels, the last (column 639, row 479) are
// one pixel, 21 × 16 = 336 tiles, numbered row by row. The order in which they open is a
// Fisher–Yates shuffle of 0 … 335 by TMaskRandom seeded with 1: for i from 335 down to 1, swap
// entry i with entry Below(i + 1). Tile order[k] gets level ⌊(k mod 105) × 255 ÷ 104⌋, so 105
// evenly spaced levels from 0 to 255, each shared by three or four scattered tiles.
constexpr int kTileSize = 32;
constexpr int TileIndex(int c) {
    return (c + 1) / kTileSize;
}
constexpr int kTileColumns = TileIndex(W - 1) + 1;
constexpr int kTileRows = TileIndex(H - 1) + 1;
constexpr int kPuzzleLevels = 105;

TImage Puzzle() {
    constexpr int kTiles = kTileColumns * kTileRows;
    std::vector<int> order(kTiles);
    std::iota(order.begin(), order.end(), 0);
    TMaskRandom random(1);
    for (int i = kTiles - 1; i >= 1; --i) {
        std::swap(order[size_t(i)], order[random.Below(uint32_t(i + 1))]);
    }
    std::vector<uint8_t> tileLevel(kTiles, 0);
    for (int k = 0; k < kTiles; ++k) {
        tileLevel[size_t(order[size_t(k)])] =
            uint8_t((k % kPuzzleLevels) * 255 / (kPuzzleLevels - 1));
    }
    return Generate([&](int x, int y) {
        return tileLevel[size_t(TileIndex(y) * kTileColumns + TileIndex(x))];
    });
}

// Wind. Row 0 is all 0. Every other row, from row 1 downwards, draws from TMaskRandom seeded
// with 2 a start s := Below(74) (0 … 73) and then an end e := 180 + Below(74) (180 … 253), and
// draws both again until the slope (e − s) ÷ 639 lies in 0.28 … 0.34, i.e. 179 ≤ e − s ≤ 217.
// Column x holds s + (e − s) × x div 639, so the row runs from s at the left to e at the right.
TImage Wind() {
    TImage mask = NewMask();
    TMaskRandom random(2);
    constexpr int kSpan = W - 1;
    for (int y = 1; y < H; ++y) {
        int start = 0, end = 0;
        do {
            start = int(random.Below(74));
            end = 180 + int(random.Below(74));
        } while (end - start < 179 || end - start > 217);
        uint8_t* row = mask.ScanLine(y);
        for (int x = 0; x < W; ++x) {
            row[x] = uint8_t(start + (end - start) * x / kSpan);
        }
    }
    return mask;
}

}  // namespace

TPresetFadeImageForm::TPresetFadeImageForm() {
    // Blinds: the profile repeated every 32 rows (columns), each band opening from its top
    // (left) edge.
    const auto blind = Table(W, [](int i) { return kFadeProfile[size_t(i % 32)]; });
    FadeBlindHorzImage = FromRows(blind);
    FadeBlindVertImage = FromColumns(blind);

    const auto l2r = Table(W, ShutterL2RLevel);
    FadeShutterL2RImage = FromColumns(l2r);
    FadeShutterR2LImage =
        FromColumns(Table(W, [](int x) { return uint8_t(255 - x * 255 / (W - 1)); }));
    FadeShutterU2DImage = FromRows(Table(H, [](int y) { return uint8_t(y * 255 / (H - 1)); }));
    FadeShutterD2UImage =
        FromRows(Table(H, [](int y) { return uint8_t(255 - y * 255 / (H - 1)); }));

    FadePuzzleImage = Puzzle();

    // The anticlockwise shutter is the clockwise one's complement: 255 straight up, falling
    // clockwise to 3.
    FadeRShutterRImage = RotatingShutter();
    FadeRShutterLImage = NewMask();
    for (int y = 0; y < H; ++y) {
        const uint8_t* clockwise = FadeRShutterRImage.ScanLine(y);
        uint8_t* row = FadeRShutterLImage.ScanLine(y);
        for (int x = 0; x < W; ++x) {
            row[x] = uint8_t(255 - clockwise[x]);
        }
    }

    FadeCameraOpenImage = CameraOpen();
    FadeWindL2RImage = Wind();

    // Cross-line: 16-row bands of the left-to-right shutter, complemented in bands 0, 2, 4 …
    // (rows 0–15 wipe in from the right).
    FadeCrossLineHorzImage = Generate([&](int x, int y) {
        const uint8_t level = l2r[size_t(x)];
        return (y / 16) % 2 == 0 ? uint8_t(255 - level) : level;
    });

    FadeBlankImage = FromRows(std::vector<uint8_t>(H, 128));
}

const TImage* TPresetFadeImageForm::GetPresetFadeImage(int32_t effect, int32_t parameter) const {
    switch (effect) {
        case kEffectNone:
        case kEffectBlend:
            return &FadeBlankImage;
        case kEffectBlind:
            return parameter == 2 ? &FadeBlindVertImage : &FadeBlindHorzImage;
        case kEffectShutter:
            switch (parameter) {
                case 2:
                    return &FadeShutterR2LImage;
                case 3:
                    return &FadeShutterU2DImage;
                case 4:
                    return &FadeShutterD2UImage;
                default:
                    return &FadeShutterL2RImage;
            }
        case kEffectPuzzle:
            return &FadePuzzleImage;
        case kEffectRotatingShutter:
            return parameter == 2 ? &FadeRShutterLImage : &FadeRShutterRImage;
        case kEffectCamera:
            return &FadeCameraOpenImage;
        case kEffectWind:
            return &FadeWindL2RImage;
        case kEffectCrossLine:
            return &FadeCrossLineHorzImage;
        default:
            return nullptr;
    }
}

}  // namespace tavri
