#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <string>
#include <vector>

#include "graphics/Picture.h"
#include "graphics/PictureWriters.h"

namespace tavri {
namespace {

using test::TBmpSpec;
using test::TJpegSpec;
using test::TPngSpec;
using TDecoder = TDecodedPicture (*)(const uint8_t*, size_t);

// Decodes the first `length` bytes from a buffer of exactly that size, so that any read past
// the end is caught by AddressSanitizer. Returns the error text, or "" when it decoded.
std::string DecodeError(TDecoder decode, const std::vector<uint8_t>& bytes, size_t length) {
    std::vector<uint8_t> copy(bytes.begin(), bytes.begin() + std::ptrdiff_t(length));
    try {
        decode(copy.data(), copy.size());
    } catch (const EPictureError& e) {
        return e.what();
    }
    return "";
}

void ExpectEveryCutRefused(TDecoder decode, const std::vector<uint8_t>& file) {
    ASSERT_EQ(DecodeError(decode, file, file.size()), "");
    for (size_t length = 0; length < file.size(); ++length) {
        EXPECT_NE(DecodeError(decode, file, length), "") << "cut to " << length << " bytes";
    }
}

bool MentionsLimit(const std::string& message) {
    return message.find("limit") != std::string::npos;
}

std::vector<TColor> ColoursOf(const TImage& image) {
    std::vector<TColor> out;
    for (int y = 0; y < image.Height(); ++y) {
        for (int x = 0; x < image.Width(); ++x) {
            out.push_back(image.Pixel(x, y));
        }
    }
    return out;
}

// ---- PNG ----

enum class Trns { None, PaletteAlpha, ColourKey };

struct TPngCase {
    const char* Name;
    int ColourType;
    int Depth;
    Trns Transparency;
};

int PngChannels(int colourType) {
    return colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
}

uint8_t To8Bits(uint16_t v, int depth) {
    return depth == 16 ? uint8_t(v >> 8) : uint8_t(v * 255 / ((1 << depth) - 1));
}

TColor PaletteColour(int i) {
    return RGB(uint8_t(i * 7 + 3), uint8_t(255 - i), uint8_t(i * 13));
}

// clang-format off
const TPngCase kPngCases[] = {
    {"grey1", 0, 1, Trns::None},           {"grey2", 0, 2, Trns::None},
    {"grey4", 0, 4, Trns::None},           {"grey8", 0, 8, Trns::None},
    {"grey16", 0, 16, Trns::None},         {"greyalpha8", 4, 8, Trns::None},
    {"greyalpha16", 4, 16, Trns::None},    {"rgb8", 2, 8, Trns::None},
    {"rgb16", 2, 16, Trns::None},          {"rgba8", 6, 8, Trns::None},
    {"rgba16", 6, 16, Trns::None},         {"palette1", 3, 1, Trns::None},
    {"palette2", 3, 2, Trns::None},        {"palette4", 3, 4, Trns::None},
    {"palette8", 3, 8, Trns::None},        {"palette2+trns", 3, 2, Trns::PaletteAlpha},
    {"palette8+trns", 3, 8, Trns::PaletteAlpha},
    {"grey2+key", 0, 2, Trns::ColourKey},  {"grey8+key", 0, 8, Trns::ColourKey},
    {"grey16+key", 0, 16, Trns::ColourKey}, {"rgb8+key", 2, 8, Trns::ColourKey},
    {"rgb16+key", 2, 16, Trns::ColourKey},
};
// clang-format on

TPngSpec PngOf(const TPngCase& c, int w, int h, bool interlaced) {
    const int channels = PngChannels(c.ColourType);
    const int paletteSize = c.ColourType == 3 ? std::min(1 << c.Depth, 200) : 0;
    TPngSpec fixture{w, h, c.ColourType, c.Depth, interlaced};
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            for (int ch = 0; ch < channels; ++ch) {
                uint32_t v = paletteSize > 0 ? uint32_t(x + y * w) % uint32_t(paletteSize)
                                             : uint32_t(x * 2971 + y * 7919 + ch * 4001 + 77);
                fixture.Samples.push_back(uint16_t(v & ((1u << c.Depth) - 1)));
            }
        }
    }
    for (int i = 0; i < paletteSize; ++i) {
        TColor p = PaletteColour(i);
        fixture.Palette.push_back({RedOf(p), GreenOf(p), BlueOf(p)});
    }
    if (c.Transparency == Trns::PaletteAlpha) {
        for (int i = 0; i < paletteSize / 2 + 1; ++i) {  // shorter than the palette
            fixture.PaletteAlpha.push_back(uint8_t(i * 53));
        }
    }
    if (c.Transparency == Trns::ColourKey) {
        // Two pixels carry the key; a third differs from it in the last bit only, which for
        // 16 bits is in the low byte that the stripped colour loses.
        auto pixel = [&](int x, int y) { return fixture.Samples.begin() + (y * w + x) * channels; };
        fixture.HasColourKey = true;
        std::copy(pixel(2, 1), pixel(2, 1) + channels, fixture.ColourKey.begin());
        std::copy(pixel(2, 1), pixel(2, 1) + channels, pixel(4, 3));
        std::copy(pixel(2, 1), pixel(2, 1) + channels, pixel(0, 0));
        *(pixel(0, 0) + channels - 1) ^= 1;
    }
    return fixture;
}

// What the picture must hold, straight from the samples: colours row by row and 255 − alpha.
void ExpectedPng(const TPngCase& c, const TPngSpec& fixture, std::vector<TColor>& colours,
                 std::vector<uint8_t>& mask) {
    const int channels = PngChannels(c.ColourType);
    for (size_t at = 0; at < fixture.Samples.size(); at += size_t(channels)) {
        const uint16_t* s = fixture.Samples.data() + at;
        uint8_t alpha = 255;
        if (c.ColourType == 3) {
            colours.push_back(PaletteColour(s[0]));
            if (s[0] < fixture.PaletteAlpha.size()) {
                alpha = fixture.PaletteAlpha[s[0]];
            }
        } else if (channels <= 2) {
            const uint8_t g = To8Bits(s[0], c.Depth);
            colours.push_back(RGB(g, g, g));
        } else {
            colours.push_back(
                RGB(To8Bits(s[0], c.Depth), To8Bits(s[1], c.Depth), To8Bits(s[2], c.Depth)));
        }
        if (channels == 2 || channels == 4) {
            alpha = To8Bits(s[channels - 1], c.Depth);
        }
        if (fixture.HasColourKey && std::equal(s, s + channels, fixture.ColourKey.begin())) {
            alpha = 0;
        }
        mask.push_back(uint8_t(255 - alpha));
    }
}

TEST(PictureDecoderPng, EveryColourTypeDepthAndTransparency) {
    const int w = 13, h = 11;
    for (const TPngCase& c : kPngCases) {
        for (bool interlaced : {false, true}) {
            SCOPED_TRACE(std::string(c.Name) + (interlaced ? " interlaced" : ""));
            const TPngSpec fixture = PngOf(c, w, h, interlaced);
            std::vector<TColor> colours;
            std::vector<uint8_t> mask;
            ExpectedPng(c, fixture, colours, mask);
            const bool hasAlpha =
                c.ColourType == 4 || c.ColourType == 6 || c.Transparency != Trns::None;

            const std::vector<uint8_t> file = test::WritePng(fixture);
            const TDecodedPicture picture = DecodePng(file.data(), file.size());
            ASSERT_EQ(picture.Image.Width(), w);
            ASSERT_EQ(picture.Image.Height(), h);
            EXPECT_EQ(picture.Image.PixelFormat(), TPixelFormat::Pf24bit);
            EXPECT_EQ(ColoursOf(picture.Image), colours);
            ASSERT_EQ(picture.HasAlpha, hasAlpha);
            if (!hasAlpha) {
                EXPECT_TRUE(picture.AlphaMask.Empty());
                continue;
            }
            ASSERT_EQ(picture.AlphaMask.PixelFormat(), TPixelFormat::Pf8bit);
            ASSERT_EQ(picture.AlphaMask.Width(), w);
            ASSERT_EQ(picture.AlphaMask.Height(), h);
            const uint8_t* bits = picture.AlphaMask.Bits();
            EXPECT_EQ(std::vector<uint8_t>(bits, bits + w * h), mask);
            ASSERT_EQ(picture.AlphaMask.Palette.size(), 256u);
            EXPECT_EQ(picture.AlphaMask.Palette[200], RGB(200, 200, 200));
        }
    }
}

TPngSpec SmallRgba(bool interlaced) {
    TPngSpec fixture{9, 7, 6, 8, interlaced};
    for (int i = 0; i < 9 * 7 * 4; ++i) {
        fixture.Samples.push_back(uint16_t((i * 37 + 5) & 255));
    }
    return fixture;
}

TEST(PictureDecoderPng, EveryCutOfAFileIsRefused) {
    ExpectEveryCutRefused(DecodePng, test::WritePng(SmallRgba(false)));
    ExpectEveryCutRefused(DecodePng, test::WritePng(SmallRgba(true)));
    TPngSpec palette{6, 5, 3, 4, false};
    palette.Samples.assign(30, 3);
    palette.Palette.assign(16, {1, 2, 3});
    palette.PaletteAlpha = {0, 128};
    ExpectEveryCutRefused(DecodePng, test::WritePng(palette));
}

TEST(PictureDecoderPng, CorruptBytesAreRefused) {
    const std::vector<uint8_t> good = test::WritePng(SmallRgba(false));
    // Signature, IHDR's width, IHDR's CRC, the first byte of the compressed data, IEND's type.
    for (size_t at : {size_t(1), size_t(18), size_t(30), size_t(41), good.size() - 7}) {
        std::vector<uint8_t> bad = good;
        bad[at] ^= 0x5A;
        EXPECT_NE(DecodeError(DecodePng, bad, bad.size()), "") << "byte " << at;
    }
    const std::vector<uint8_t> notPng = {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0};
    EXPECT_NE(DecodeError(DecodePng, notPng, notPng.size()), "");
}

TEST(PictureDecoderPng, OversizeAndEmptyHeadersAreRefusedBeforeThePixels) {
    struct {
        uint32_t Width, Height;
    } const limits[] = {{16385, 1}, {1, 16385}, {16384, 4097}, {0x7FFFFFFF, 0x7FFFFFFF}};
    for (auto size : limits) {
        const std::vector<uint8_t> file = test::PngHeaderOnly(size.Width, size.Height);
        const std::string error = DecodeError(DecodePng, file, file.size());
        EXPECT_TRUE(MentionsLimit(error)) << size.Width << " x " << size.Height << ": " << error;
    }
    for (auto size : {std::pair{0u, 1u}, std::pair{1u, 0u}}) {
        const std::vector<uint8_t> file = test::PngHeaderOnly(size.first, size.second);
        EXPECT_NE(DecodeError(DecodePng, file, file.size()), "");
    }
    // Sides of exactly the limit pass the size check and fail on the missing pixels.
    for (auto size : {std::pair{16384u, 1u}, std::pair{1u, 16384u}}) {
        const std::vector<uint8_t> file = test::PngHeaderOnly(size.first, size.second);
        const std::string error = DecodeError(DecodePng, file, file.size());
        EXPECT_NE(error, "");
        EXPECT_FALSE(MentionsLimit(error)) << error;
    }
}

// ---- JPEG ----

// 32 × 32 in four 16 × 16 quadrants, so every colour fills whole blocks and chroma cells.
const TColor kQuadrants[4] = {RGB(200, 30, 40), RGB(20, 180, 60), RGB(30, 50, 220),
                              RGB(128, 128, 128)};
TColor QuadrantAt(int x, int y) {
    return kQuadrants[(y / 16) * 2 + x / 16];
}

void ExpectNear(const TImage& image, TColor (*expected)(int, int), int tolerance) {
    ASSERT_EQ(image.Width(), 32);
    ASSERT_EQ(image.Height(), 32);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const TColor got = image.Pixel(x, y), want = expected(x, y);
            for (int shift : {0, 8, 16}) {
                ASSERT_NEAR(int(got >> shift & 255), int(want >> shift & 255), tolerance)
                    << "pixel " << x << "," << y << " channel " << shift / 8;
            }
        }
    }
}

TJpegSpec ColourJpeg(bool progressive) {
    TJpegSpec fixture{32, 32, 3};
    fixture.Progressive = progressive;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            TColor c = QuadrantAt(x, y);
            fixture.Samples.insert(fixture.Samples.end(), {RedOf(c), GreenOf(c), BlueOf(c)});
        }
    }
    return fixture;
}

TEST(PictureDecoderJpeg, ColourBaselineAndProgressive) {
    for (bool progressive : {false, true}) {
        SCOPED_TRACE(progressive ? "progressive" : "baseline");
        const std::vector<uint8_t> file = test::WriteJpeg(ColourJpeg(progressive));
        const TDecodedPicture picture = DecodeJpeg(file.data(), file.size());
        EXPECT_FALSE(picture.HasAlpha);
        ExpectNear(picture.Image, QuadrantAt, 4);
    }
}

uint8_t GreyAt(int x, int y) {
    return uint8_t((x / 8 + (y / 8) * 4) * 17);
}

TEST(PictureDecoderJpeg, GreyBecomesEqualChannels) {
    TJpegSpec fixture{32, 32, 1};
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            fixture.Samples.push_back(GreyAt(x, y));
        }
    }
    const std::vector<uint8_t> file = test::WriteJpeg(fixture);
    const TDecodedPicture picture = DecodeJpeg(file.data(), file.size());
    ExpectNear(
        picture.Image, [](int x, int y) { return RGB(GreyAt(x, y), GreyAt(x, y), GreyAt(x, y)); },
        2);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const TColor c = picture.Image.Pixel(x, y);
            ASSERT_TRUE(RedOf(c) == GreenOf(c) && GreenOf(c) == BlueOf(c)) << x << "," << y;
        }
    }
}

TEST(PictureDecoderJpeg, FourComponentPicturesAreConvertedToColour) {
    struct {
        const char* Name;
        bool Adobe, Ycck;
    } const cases[] = {{"CMYK with Adobe marker", true, false},
                       {"CMYK without marker", false, false},
                       {"YCCK", true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TJpegSpec fixture{32, 32, 4};
        fixture.AdobeMarker = c.Adobe;
        fixture.Ycck = c.Ycck;
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                // Half the black ink on the bottom row of quadrants.
                const TColor q = QuadrantAt(x, y);
                const uint8_t k = y < 16 ? 0 : 128;
                uint8_t inks[4] = {uint8_t(255 - RedOf(q)), uint8_t(255 - GreenOf(q)),
                                   uint8_t(255 - BlueOf(q)), k};
                for (uint8_t ink : inks) {
                    fixture.Samples.push_back(c.Adobe ? uint8_t(255 - ink) : ink);
                }
            }
        }
        const std::vector<uint8_t> file = test::WriteJpeg(fixture);
        const TDecodedPicture picture = DecodeJpeg(file.data(), file.size());
        ExpectNear(
            picture.Image,
            [](int x, int y) {
                const TColor q = QuadrantAt(x, y);
                auto dim = [y](uint8_t v) { return uint8_t(y < 16 ? v : (v * 127 + 127) / 255); };
                return RGB(dim(RedOf(q)), dim(GreenOf(q)), dim(BlueOf(q)));
            },
            4);
    }
}

TEST(PictureDecoderJpeg, EveryCutOfAFileIsRefused) {
    ExpectEveryCutRefused(DecodeJpeg, test::WriteJpeg(ColourJpeg(false)));
    ExpectEveryCutRefused(DecodeJpeg, test::WriteJpeg(ColourJpeg(true)));
}

TEST(PictureDecoderJpeg, CorruptAndOversizeHeadersAreRefused) {
    const std::vector<uint8_t> good = test::WriteJpeg(ColourJpeg(false));
    std::vector<uint8_t> noSoi = good;
    noSoi[1] = 0xD9;
    EXPECT_NE(DecodeError(DecodeJpeg, noSoi, noSoi.size()), "");
    const std::vector<uint8_t> text = {'n', 'o', 't', ' ', 'a', ' ', 'j', 'p', 'e', 'g'};
    EXPECT_NE(DecodeError(DecodeJpeg, text, text.size()), "");

    struct {
        uint16_t Width, Height;
    } const limits[] = {{16385, 32}, {32, 16385}, {16384, 4097}, {65500, 65500}};
    for (auto size : limits) {
        std::vector<uint8_t> file = good;
        test::PatchJpegSize(file, size.Width, size.Height);
        const std::string error = DecodeError(DecodeJpeg, file, file.size());
        EXPECT_TRUE(MentionsLimit(error)) << size.Width << " x " << size.Height << ": " << error;
    }
    for (auto size : {std::pair{0, 32}, std::pair{32, 0}}) {
        std::vector<uint8_t> file = good;
        test::PatchJpegSize(file, uint16_t(size.first), uint16_t(size.second));
        EXPECT_NE(DecodeError(DecodeJpeg, file, file.size()), "");
    }
}

// ---- BMP ----

struct TBmpCase {
    const char* Name;
    uint32_t HeaderSize;
    uint16_t Bits;
    uint32_t Compression;
    bool TopDown;
    int PaletteSize;  // entries written
    uint32_t ColoursUsed;
    std::array<uint32_t, 3> Masks;
};

TColor BmpPaletteColour(int i) {
    return RGB(uint8_t(i * 9 + 5), uint8_t(200 - i * 3), uint8_t(i * 17));
}

uint32_t BmpValue(const TBmpCase& c, int x, int y) {
    switch (c.Bits) {
        case 16:
            return uint32_t(x * 0x1357 + y * 0x2468 + 0x0F0F) & 0xFFFF;
        case 24:
            return RGB(uint8_t(x * 40 + y), uint8_t(y * 70 + x), uint8_t(255 - x * 20));
        case 32:
            return uint32_t(x) * 0x01234567u + uint32_t(y) * 0x089ABCDEu;
        default:
            return uint32_t(x * 3 + y * 5) % (1u << c.Bits);
    }
}

uint8_t MaskedChannel(uint32_t pixel, uint32_t mask) {
    if (mask == 0) {
        return 0;
    }
    const int shift = __builtin_ctz(mask);
    const uint64_t max = mask >> shift, v = (pixel & mask) >> shift;
    return uint8_t((v * 255 + max / 2) / max);
}

TColor BmpExpected(const TBmpCase& c, uint32_t v) {
    if (c.Bits <= 8) {
        return int(v) < c.PaletteSize ? BmpPaletteColour(int(v)) : 0;
    }
    if (c.Bits == 24) {
        return v;
    }
    if (c.Bits == 32 && c.Compression == 0) {
        return RGB(uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v));
    }
    std::array<uint32_t, 3> m = c.Masks;
    if (c.Compression == 0) {
        m = {0x7C00, 0x03E0, 0x001F};
    }
    return RGB(MaskedChannel(v, m[0]), MaskedChannel(v, m[1]), MaskedChannel(v, m[2]));
}

std::vector<uint8_t> WriteBmpCase(const TBmpCase& c, int w, int h) {
    TBmpSpec fixture{c.HeaderSize, w, c.TopDown ? -h : h, c.Bits, c.Compression, c.ColoursUsed};
    for (int i = 0; i < c.PaletteSize; ++i) {
        fixture.Palette.push_back(BmpPaletteColour(i));
    }
    fixture.Masks = c.Masks;
    std::vector<std::vector<uint32_t>> rows(static_cast<size_t>(h));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            rows[size_t(y)].push_back(BmpValue(c, x, y));
        }
    }
    fixture.Pixels = test::PackBmpRows(rows, c.Bits, c.TopDown);
    return test::WriteBmp(fixture);
}

const std::array<uint32_t, 3> k565 = {0xF800, 0x07E0, 0x001F};
const TBmpCase kBmpCases[] = {
    {"1 bit", 40, 1, 0, false, 2, 0, {}},
    {"1 bit core", 12, 1, 0, false, 2, 0, {}},
    {"4 bits", 40, 4, 0, false, 16, 0, {}},
    {"4 bits, palette of 5 by count", 40, 4, 0, false, 5, 5, {}},
    {"4 bits, palette of 5 by offset", 40, 4, 0, true, 5, 0, {}},
    {"4 bits core, palette of 3", 12, 4, 0, false, 3, 0, {}},
    {"8 bits", 40, 8, 0, false, 256, 0, {}},
    {"8 bits top-down V5", 124, 8, 0, true, 20, 20, {}},
    {"8 bits core", 12, 8, 0, false, 256, 0, {}},
    {"16 bits 5-5-5", 40, 16, 0, false, 0, 0, {}},
    {"16 bits 5-6-5 after the header", 40, 16, 3, false, 0, 0, k565},
    {"16 bits 5-6-5 in a V4 header", 108, 16, 3, true, 0, 0, k565},
    {"24 bits", 40, 24, 0, false, 0, 0, {}},
    {"24 bits top-down", 40, 24, 0, true, 0, 0, {}},
    {"24 bits core", 12, 24, 0, false, 0, 0, {}},
    {"24 bits V4", 108, 24, 0, false, 0, 0, {}},
    {"32 bits, fourth byte ignored", 40, 32, 0, false, 0, 0, {}},
    {"32 bits masks V5", 124, 32, 3, false, 0, 0, {0x00FF0000, 0x0000FF00, 0x000000FF}},
    {"32 bits 10-10-10 masks", 40, 32, 3, true, 0, 0, {0x3FF00000, 0x000FFC00, 0x000003FF}},
};

TEST(PictureDecoderBmp, EveryDepthAndHeader) {
    const int w = 5, h = 3;  // odd width: every depth but 32 pads its rows
    for (const TBmpCase& c : kBmpCases) {
        SCOPED_TRACE(c.Name);
        const std::vector<uint8_t> file = WriteBmpCase(c, w, h);
        std::vector<TColor> expected;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                expected.push_back(BmpExpected(c, BmpValue(c, x, y)));
            }
        }
        const TDecodedPicture picture = DecodeBmp(file.data(), file.size());
        EXPECT_FALSE(picture.HasAlpha);
        ASSERT_EQ(picture.Image.Width(), w);
        ASSERT_EQ(picture.Image.Height(), h);
        EXPECT_EQ(ColoursOf(picture.Image), expected);
        ExpectEveryCutRefused(DecodeBmp, file);
    }
}

TEST(PictureDecoderBmp, SixteenBitChannelsScaleToFullRange) {
    const TBmpCase c565 = kBmpCases[10], c555 = kBmpCases[9];
    EXPECT_EQ(BmpExpected(c565, 0xF800), RGB(255, 0, 0));
    EXPECT_EQ(BmpExpected(c565, 0x07E0), RGB(0, 255, 0));
    EXPECT_EQ(BmpExpected(c565, 0x8410), RGB(132, 130, 132));
    EXPECT_EQ(BmpExpected(c555, 0x4210), RGB(132, 132, 132));
    for (uint32_t pixel : {0xF800u, 0x8410u, 0x07E0u, 0x001Fu}) {
        TBmpSpec fixture{40, 1, 1, 16, 3};
        fixture.Masks = k565;
        fixture.Pixels = test::PackBmpRows({{pixel}}, 16, false);
        const std::vector<uint8_t> file = test::WriteBmp(fixture);
        EXPECT_EQ(DecodeBmp(file.data(), file.size()).Image.Pixel(0, 0), BmpExpected(c565, pixel));
    }
}

TBmpSpec RleBmp(int w, int h, bool four, std::vector<uint8_t> stream) {
    TBmpSpec fixture{40, w, h, uint16_t(four ? 4 : 8), four ? 2u : 1u};
    fixture.Palette = {RGB(10, 20, 30)};  // index 0 is not black: skipped pixels must be
    for (int i = 1; i < (four ? 16 : 8); ++i) {
        fixture.Palette.push_back(BmpPaletteColour(i));
    }
    fixture.Pixels = std::move(stream);
    return fixture;
}

TEST(PictureDecoderBmp, RunLengthEightBits) {
    const std::vector<uint8_t> stream = {
        0x03, 0x01, 0x00, 0x03, 0x02, 0x03, 0x04, 0x00, 0x00, 0x00,  // bottom row, odd absolute run
        0x02, 0x04, 0x00, 0x02, 0x02, 0x01,                          // run, delta right 2, up 1
        0x02, 0x03, 0x00, 0x00,                                      // run at x = 4, end of line
        0x08, 0x02, 0x00, 0x01,  // a run longer than the row is clipped; end of bitmap
    };
    const std::vector<uint8_t> file = test::WriteBmp(RleBmp(6, 4, false, stream));
    const TColor k = 0, a = BmpPaletteColour(1), b = BmpPaletteColour(2), c = BmpPaletteColour(3),
                 d = BmpPaletteColour(4);
    const std::vector<TColor> expected = {b, b, b, b, b, b,  //
                                          k, k, k, k, c, c,  //
                                          d, d, k, k, k, k,  //
                                          a, a, a, b, c, d};
    EXPECT_EQ(ColoursOf(DecodeBmp(file.data(), file.size()).Image), expected);
    ExpectEveryCutRefused(DecodeBmp, file);
}

TEST(PictureDecoderBmp, RunLengthFourBits) {
    const std::vector<uint8_t> stream = {
        0x05, 0x12, 0x00, 0x00,                          // 1 2 1 2 1
        0x00, 0x05, 0x34, 0x56, 0x70, 0x00, 0x00, 0x00,  // five nibbles, padded to four bytes
        0x00, 0x02, 0x01, 0x00, 0x01, 0x6F,              // delta right 1, one pixel of 6
        0x00, 0x02, 0x00, 0x05, 0x02, 0xEE,              // delta out of the picture: ignored
        0x00, 0x01,
    };
    const std::vector<uint8_t> file = test::WriteBmp(RleBmp(5, 3, true, stream));
    auto p = BmpPaletteColour;
    const std::vector<TColor> expected = {0,    p(6), 0,    0,    0,     //
                                          p(3), p(4), p(5), p(6), p(7),  //
                                          p(1), p(2), p(1), p(2), p(1)};
    EXPECT_EQ(ColoursOf(DecodeBmp(file.data(), file.size()).Image), expected);
    ExpectEveryCutRefused(DecodeBmp, file);
}

void Patch32(std::vector<uint8_t>& file, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        file[at + size_t(i)] = uint8_t(v >> (8 * i));
    }
}

TEST(PictureDecoderBmp, BadHeadersAreRefused) {
    const std::vector<uint8_t> good = WriteBmpCase(kBmpCases[12], 4, 2);
    ASSERT_EQ(DecodeError(DecodeBmp, good, good.size()), "");
    struct {
        const char* Name;
        size_t At;
        uint32_t Value;
        bool SizeLimit;
    } const cases[] = {
        {"pixel offset past the end", 10, uint32_t(good.size()) + 1, false},
        {"pixel offset inside the headers", 10, 20, false},
        {"header size 64", 14, 64, false},
        {"header size 200", 14, 200, false},
        {"width 0", 18, 0, false},
        {"negative width", 18, uint32_t(-4), false},
        {"width 16385", 18, 16385, true},
        {"height 0", 22, 0, false},
        {"height INT32_MIN", 22, uint32_t(INT32_MIN), false},
        {"height 16385", 22, 16385, true},
        {"height -16385", 22, uint32_t(-16385), true},
        {"3 bits", 28, 3, false},
        {"run-length 8 at 24 bits", 30, 1, false},
        {"JPEG compression", 30, 4, false},
        {"bit fields at 24 bits", 30, 3, false},
        {"signature", 0, 0x00004142, false},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> bad = good;
        Patch32(bad, c.At, c.Value);
        const std::string error = DecodeError(DecodeBmp, bad, bad.size());
        EXPECT_NE(error, "") << c.Name;
        EXPECT_EQ(MentionsLimit(error), c.SizeLimit) << c.Name << ": " << error;
    }
    std::vector<uint8_t> huge = good;  // allowed sides, too many pixels
    Patch32(huge, 18, 16384);
    Patch32(huge, 22, 4097);
    EXPECT_TRUE(MentionsLimit(DecodeError(DecodeBmp, huge, huge.size())));
}

}  // namespace
}  // namespace tavri
