#include <gtest/gtest.h>

#include "graphics/TestBitmaps.h"

#include <cmath>
#include <filesystem>
#include <string>

#include "graphics/CanvasText.h"
#include "graphics/Fonts.h"
#include "platform/TextEncoding.h"

namespace tavri {
namespace {

using platform::Cp932;

const TColor kBackground = RGB(40, 90, 160);
const TColor kInk = RGB(250, 240, 10);

TImage Filled(int w, int h, TColor c = kBackground) {
    return test::Filled(w, h, c);
}

bool Installed(const char* file) {
    for (const char* folder :
         {"/usr/share/fonts/opentype/ipafont-gothic/", "/usr/share/fonts/opentype/ipafont-mincho/",
          "/usr/share/fonts/truetype/liberation/"}) {
        if (std::filesystem::exists(std::string(folder) + file)) {
            return true;
        }
    }
    return false;
}

std::string FileName(const std::string& path) {
    std::error_code error;
    const auto canonical = std::filesystem::canonical(path, error);
    return error ? std::string() : canonical.filename().string();
}

int InkOf(const TFont& font, const std::string& text) {
    TImage mask(400, 200, TPixelFormat::Pf8bit);
    DrawTextMask(mask, 10, 10, text, font, 1);
    int ink = 0;
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 400; ++x) {
            ink += mask.ScanLine(y)[x];
        }
    }
    return ink;
}

TEST(Fonts, FaceTableResolvesToTheMetricTwins) {
    struct TCase {
        const char* Face;  // UTF-8
        bool Bold;
        const char* File;
        bool SynthBold;
    };
    const TCase cases[] = {
        {"ＭＳ Ｐゴシック", false, "ipagp.ttf", false},
        {"", false, "ipagp.ttf", false},
        {"ＭＳ Ｐ明朝", true, "ipamp.ttf", true},
        {"ＭＳ ゴシック", false, "ipag.ttf", false},
        {"Terminal", false, "ipag.ttf", false},
        {"Arial", false, "LiberationSans-Regular.ttf", false},
        {"ARIAL", false, "LiberationSans-Regular.ttf", false},
        {"Arial", true, "LiberationSans-Bold.ttf", false},
    };
    for (const TCase& c : cases) {
        if (!Installed(c.File)) {
            GTEST_SKIP() << c.File << " is not installed";
        }
        const TResolvedFace face = ResolveFace(Cp932(c.Face), c.Bold, false);
        EXPECT_EQ(FileName(face.File), c.File) << c.Face;
        EXPECT_EQ(face.SynthBold, c.SynthBold) << c.Face;
    }
}

TEST(Fonts, MissingFaceFallsBackToJapaneseGlyphs) {
    if (!Installed("ipagp.ttf")) {
        GTEST_SKIP() << "no Japanese face installed";
    }
    const TResolvedFace face = ResolveFace(Cp932("存在しない書体"), false, false);
    ASSERT_FALSE(face.File.empty());
    EXPECT_GT(InkOf(TFont{Cp932("存在しない書体"), -24}, Cp932("あ漢")), 0);
}

TEST(Fonts, DoubleByteCharactersRenderInEveryFace) {
    if (!Installed("ipagp.ttf") || !Installed("ipamp.ttf") ||
        !Installed("LiberationSans-Regular.ttf")) {
        GTEST_SKIP() << "a font package is missing";
    }
    // "表" and "ソ" have 0x5C as trail byte; Arial's twin has no kana, which come from a
    // fallback face.
    for (const char* face : {"ＭＳ Ｐゴシック", "ＭＳ Ｐ明朝", "ＭＳ ゴシック", "Arial"}) {
        for (const char* text : {"あ", "漢", "表", "ソ", "ー"}) {
            const TFont font{Cp932(face), -28};
            EXPECT_GT(InkOf(font, Cp932(text)), 20) << face << " " << text;
            EXPECT_GT(TextExtent(font, Cp932(text)).Width, 10) << face << " " << text;
        }
    }
}

TEST(Fonts, HeightRules) {
    if (!Installed("ipagp.ttf")) {
        GTEST_SKIP() << "no Japanese face installed";
    }
    struct TCase {
        const char* Face;
        int Height;
    };
    for (const TCase& c : {TCase{"ＭＳ Ｐゴシック", 16}, TCase{"ＭＳ Ｐゴシック", 32},
                           TCase{"ＭＳ Ｐ明朝", 25}, TCase{"Arial", 18}, TCase{"Arial", 40}}) {
        // A positive height is the cell: the measured line height exactly.
        const TFont cell{Cp932(c.Face), c.Height};
        EXPECT_EQ(TextExtent(cell, "A").Height, c.Height) << c.Face;
        const TFontMetrics m = MetricsOf(cell);
        EXPECT_EQ(m.Ascent + m.Descent, c.Height);
        EXPECT_LE(m.EmHeight, c.Height);
        // A negative height is the em; the line holds at least that.
        const TFont em{Cp932(c.Face), -c.Height};
        EXPECT_EQ(MetricsOf(em).EmHeight, c.Height) << c.Face;
        EXPECT_GE(TextExtent(em, "").Height, c.Height) << c.Face;
    }
    EXPECT_EQ(TextExtent(TFont{Cp932("ＭＳ Ｐゴシック"), 0}, "").Height, 16);
    struct TPoints {
        int Points, Dpi, Height;
    };
    for (const TPoints& p : {TPoints{-24, 96, 32}, TPoints{-18, 96, 24}, TPoints{12, 96, -16},
                             TPoints{-24, 120, 40}}) {
        EXPECT_EQ(FontHeightForPoints(p.Points, p.Dpi), p.Height);
    }
}

TEST(Fonts, AdvancesAreWholePixelsAndAdd) {
    if (!Installed("ipagp.ttf")) {
        GTEST_SKIP() << "no Japanese face installed";
    }
    for (const char* face : {"ＭＳ Ｐゴシック", "Arial"}) {
        const TFont font{Cp932(face), -20};
        const std::string text = Cp932("AVa漢字。");
        int sum = 0;
        for (size_t pos = 0; pos < text.size();) {
            const size_t length = platform::CharLength(text, pos);
            sum += TextExtent(font, text.substr(pos, length)).Width;
            pos += length;
        }
        EXPECT_EQ(TextExtent(font, text).Width, sum) << face;
        EXPECT_EQ(TextExtent(font, "").Width, 0);
    }
    // A full-width ideograph of the IPA faces is one em wide.
    EXPECT_EQ(TextExtent(TFont{Cp932("ＭＳ ゴシック"), -24}, Cp932("漢")).Width, 24);
}

TEST(Fonts, SynthesisedBoldIsHeavierAndOnePixelWider) {
    if (!Installed("ipamp.ttf")) {
        GTEST_SKIP() << "no Japanese face installed";
    }
    const TFont regular{Cp932("ＭＳ Ｐ明朝"), -28};
    TFont bold = regular;
    bold.Bold = true;
    for (const char* text : {"漢", "あ", "W"}) {
        EXPECT_EQ(TextExtent(bold, Cp932(text)).Width, TextExtent(regular, Cp932(text)).Width + 1);
        EXPECT_GT(InkOf(bold, Cp932(text)), InkOf(regular, Cp932(text)) * 11 / 10) << text;
    }
}

TEST(CanvasText, MonoIsTwoColoursGreyIsSmooth) {
    if (!Installed("ipagp.ttf")) {
        GTEST_SKIP() << "no Japanese face installed";
    }
    const TFont font{Cp932("ＭＳ Ｐゴシック"), -20};
    for (TGlyphRendering rendering : {TGlyphRendering::Mono, TGlyphRendering::Grey}) {
        TImage image = Filled(120, 40);
        CanvasTextOut(image, 4, 4, Cp932("あいう"), font, kInk, std::nullopt, rendering);
        int ink = 0, between = 0;
        for (int y = 0; y < 40; ++y) {
            for (int x = 0; x < 120; ++x) {
                ink += image.Pixel(x, y) == kInk;
                between += image.Pixel(x, y) != kInk && image.Pixel(x, y) != kBackground;
            }
        }
        EXPECT_GT(ink, 20);
        if (rendering == TGlyphRendering::Mono) {
            EXPECT_EQ(between, 0);
        } else {
            EXPECT_GT(between, 20);
        }
    }
}

TEST(CanvasText, OpaqueBackgroundFillsExactlyTheExtent) {
    if (!Installed("ipagp.ttf")) {
        GTEST_SKIP() << "no Japanese face installed";
    }
    const TColor paper = RGB(0, 0, 0);
    struct TCase {
        int X, Y;
    };
    for (const TCase& c : {TCase{10, 8}, TCase{-7, 20}, TCase{150, -6}, TCase{170, 50}}) {
        const TFont font{Cp932("ＭＳ Ｐゴシック"), 24};
        const std::string text = Cp932("文字");
        const TSize extent = TextExtent(font, text);
        TImage image = Filled(200, 70);
        CanvasTextOut(image, c.X, c.Y, text, font, kInk, paper);
        for (int y = 0; y < 70; ++y) {
            for (int x = 0; x < 200; ++x) {
                const bool inside =
                    x >= c.X && y >= c.Y && x < c.X + extent.Width && y < c.Y + extent.Height;
                const TColor pixel = image.Pixel(x, y);
                if (inside) {
                    ASSERT_TRUE(pixel == paper || pixel == kInk) << x << "," << y;
                } else {
                    ASSERT_EQ(pixel, kBackground) << x << "," << y;
                }
            }
        }
    }
}

TEST(CanvasText, EscapementTurnsTheLine) {
    if (!Installed("LiberationSans-Regular.ttf")) {
        GTEST_SKIP() << "Liberation Sans is not installed";
    }
    // 293.0 degrees counter-clockwise runs down and to the right at 67 degrees below the x axis.
    TFont font{"Arial", -32};
    font.Escapement = 2930;
    TImage image = Filled(300, 300);
    CanvasTextOut(image, 40, 20, "12345678", font, kInk, std::nullopt, TGlyphRendering::Grey);
    double sumX = 0, sumY = 0, sumXX = 0, sumXY = 0;
    int n = 0;
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 300; ++x) {
            if (image.Pixel(x, y) != kBackground) {
                sumX += x, sumY += y, sumXX += double(x) * x, sumXY += double(x) * y, ++n;
            }
        }
    }
    ASSERT_GT(n, 100);
    const double meanX = sumX / n, meanY = sumY / n;
    const double slope = (sumXY / n - meanX * meanY) / (sumXX / n - meanX * meanX);
    const double degrees = std::atan(slope) * 180.0 / 3.14159265358979;
    EXPECT_NEAR(degrees, 67.0, 6.0);
    EXPECT_GT(meanX, 40);
    EXPECT_GT(meanY, 60);
}

}  // namespace
}  // namespace tavri
