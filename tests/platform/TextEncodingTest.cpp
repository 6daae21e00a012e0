#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "platform/TextEncoding.h"
#include "support/TestSupport.h"

namespace tavri::platform {
namespace {

using test::Hex;

constexpr char32_t kMiddleDot = U'\u30FB';

// Single cp932 codes and the character each one stands for, across every region of the code
// page the player meets: ASCII, half-width katakana, both JIS kanji levels, the NEC and IBM
// extensions, and the few codes that differ from plain Shift-JIS.
struct CodeCase {
    const char* name;
    std::string cp932;
    char32_t character;
};

const CodeCase kCodes[] = {
    {"ascii letter", "A", U'A'},
    {"backslash stays ascii", "\x5C", U'\\'},
    {"tilde stays ascii", "\x7E", U'~'},
    {"half-width ideographic full stop", "\xA1", U'\uFF61'},
    {"half-width katakana a", "\xB1", U'\uFF71'},
    {"half-width semi-voiced mark", "\xDF", U'\uFF9F'},
    {"hiragana a", "\x82\xA0", U'\u3042'},
    {"katakana a (trail byte 'A')", "\x83\x41", U'\u30A2'},
    {"katakana so (trail byte 0x5C)", "\x83\x5C", U'\u30BD'},
    {"fullwidth tilde", "\x81\x60", U'\uFF5E'},
    {"middle dot itself", "\x81\x45", U'\u30FB'},
    {"JIS level 1 first kanji", "\x88\x9F", U'\u4E9C'},
    {"JIS level 1 kanji with trail 0x5C", "\x95\x5C", U'\u8868'},
    {"JIS level 2 first kanji", "\x98\x9F", U'\u5F0C'},
    {"NEC row 13 circled one", "\x87\x40", U'\u2460'},
    {"NEC row 13 roman numeral one", "\x87\x54", U'\u2160'},
    {"NEC-selected IBM extension", "\xED\x40", U'\u7E8A'},
    {"IBM extension small roman one", "\xFA\x40", U'\u2170'},
    {"IBM extension last code", "\xFC\x4B", U'\u9ED1'},
};

TEST(TextEncodingDecode, EachRegionOfTheCodePageDecodesToItsCharacter) {
    for (const CodeCase& c : kCodes) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Cp932ToUtf32(c.cp932), std::u32string(1, c.character));
        EXPECT_EQ(Cp932ToUtf8(c.cp932), Utf32ToUtf8(std::u32string(1, c.character)));
    }
}

TEST(TextEncodingDecode, MixedTextConvertsCharacterByCharacter) {
    // "表示\ソ~ｱ" with the two trail bytes 0x5C that must not split anything.
    std::string cp932 = "\x95\x5C\x8E\xA6\\\x83\x5C~\xB1";
    EXPECT_EQ(Cp932ToUtf32(cp932), U"\u8868\u793A\\\u30BD~\uFF71");
    EXPECT_EQ(Cp932ToUtf8(cp932), "\xE8\xA1\xA8\xE7\xA4\xBA\\\xE3\x82\xBD~\xEF\xBD\xB1");
    EXPECT_EQ(Cp932ToUtf8(""), "");
}

TEST(TextEncodingDecode, UnmappedBytesBecomeMiddleDotAndTheRestStillConverts) {
    struct Case {
        const char* name;
        std::string cp932;
        std::u32string expected;
    } cases[] = {
        {"0x80",
         "A\x80"
         "B",
         U"A\u30FBB"},
        {"0xA0",
         "A\xA0"
         "B",
         U"A\u30FBB"},
        {"0xFD",
         "A\xFD"
         "B",
         U"A\u30FBB"},
        {"0xFE",
         "A\xFE"
         "B",
         U"A\u30FBB"},
        {"0xFF",
         "A\xFF"
         "B",
         U"A\u30FBB"},
        {"lead byte at the end", "AB\x82", U"AB\u30FB"},
        {"lone lead byte", "\x95", U"\u30FB"},
        {"undefined pair in an empty row", "\x85\x40\x82\xA0", U"\u30FB\u3042"},
        {"undefined pair inside a row",
         "x\x81\xAD"
         "y",
         U"x\u30FBy"},
        {"undefined pair in the gap before the IBM rows", "\xEB\x40\x88\x9F", U"\u30FB\u4E9C"},
        {"trail byte 0x7F is never a trail",
         "\x82\x7F"
         "z",
         U"\u30FBz"},
        {"several in a row", "\x80\xFF\xA0", U"\u30FB\u30FB\u30FB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Cp932ToUtf32(c.cp932), c.expected);
        EXPECT_EQ(Cp932ToUtf8(c.cp932), Utf32ToUtf8(c.expected));
    }
}

TEST(TextEncodingEncode, EachRegionEncodesBackToItsCode) {
    for (const CodeCase& c : kCodes) {
        SCOPED_TRACE(c.name);
        std::string utf8 = Utf32ToUtf8(std::u32string(1, c.character));
        std::optional<std::string> strict = Utf8ToCp932Strict(utf8);
        ASSERT_TRUE(strict.has_value());
        // Characters with a second code (the NEC-selected row) may encode to their IBM twin;
        // whichever code is chosen must mean the same character.
        EXPECT_EQ(Cp932ToUtf32(*strict), std::u32string(1, c.character)) << Hex(*strict);
        EXPECT_EQ(Utf8ToCp932(utf8), *strict);
    }
    EXPECT_EQ(Hex(*Utf8ToCp932Strict("\\~")), "5c7e");
    EXPECT_EQ(Hex(*Utf8ToCp932Strict("\xEF\xBD\x9E")), "8160");                  // U+FF5E
    EXPECT_EQ(Hex(*Utf8ToCp932Strict("\xE8\xA1\xA8\xE3\x82\xBD")), "955c835c");  // 表ソ
    EXPECT_EQ(Hex(*Utf8ToCp932Strict("\xEF\xBD\xB1")), "b1");                    // half-width ｱ
}

TEST(TextEncodingEncode, CharactersWithTwoCodesEncodeToOneStableCode) {
    // ¬ has 0x81CA (JIS row 2) and 0xEEF9 (NEC-selected IBM row); ∵ has three codes.
    ASSERT_EQ(Cp932ToUtf32("\x81\xCA"), U"\uFFE2");
    ASSERT_EQ(Cp932ToUtf32("\xEE\xF9"), U"\uFFE2");
    EXPECT_EQ(Hex(Utf8ToCp932(Cp932ToUtf8("\x81\xCA"))), "81ca");
    EXPECT_EQ(Hex(Utf8ToCp932(Cp932ToUtf8("\xEE\xF9"))), "81ca");
    EXPECT_EQ(Hex(*Utf8ToCp932Strict("\xEF\xBF\xA2")), "81ca");

    ASSERT_EQ(Cp932ToUtf32("\x87\x9A"), U"\u2235");
    ASSERT_EQ(Cp932ToUtf32("\xFA\x5B"), U"\u2235");
    EXPECT_EQ(Hex(Utf8ToCp932(Cp932ToUtf8("\x87\x9A"))), "81e6");
    EXPECT_EQ(Hex(Utf8ToCp932(Cp932ToUtf8("\xFA\x5B"))), "81e6");

    // Both codes of 纊 give the same answer, every time.
    std::string fromNec = *Utf8ToCp932Strict(Cp932ToUtf8("\xED\x40"));
    std::string fromIbm = *Utf8ToCp932Strict(Cp932ToUtf8("\xFA\x5C"));
    EXPECT_EQ(fromNec, fromIbm);
    EXPECT_EQ(*Utf8ToCp932Strict(Cp932ToUtf8("\xED\x40")), fromNec);
}

TEST(TextEncodingEncode, CharactersCp932LacksBecomeTheReplacementOrNothingStrict) {
    struct Case {
        const char* name;
        std::string utf8;
        std::string lenient;  // with the default '?'
    } cases[] = {
        {"emoji between letters",
         "a\xF0\x9F\x98\x80"
         "b",
         "a?b"},
        {"latin e acute", "caf\xC3\xA9", "caf?"},
        {"hangul", "\xED\x95\x9C", "?"},
        {"stray continuation byte", "x\x80y", "x?y"},
        {"byte never valid in UTF-8", "x\xFFy", "x?y"},
        {"kanji then emoji", "\xE8\xA1\xA8\xF0\x9F\x98\x80", "\x95\x5C?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Hex(Utf8ToCp932(c.utf8)), Hex(c.lenient));
        EXPECT_EQ(Utf8ToCp932Strict(c.utf8), std::nullopt);
    }
    // A cut-off sequence is replaced without swallowing the ASCII letter after it.
    std::string cut = Utf8ToCp932("x\xE3\x81y");
    ASSERT_GE(cut.size(), 3u);
    EXPECT_EQ(cut.front(), 'x');
    EXPECT_EQ(cut.back(), 'y');
    EXPECT_EQ(cut.substr(1, cut.size() - 2).find_first_not_of('?'), std::string::npos) << cut;
    EXPECT_EQ(Utf8ToCp932Strict("x\xE3\x81y"), std::nullopt);
    // Malformed forms that decode to something else must not sneak through as that character.
    EXPECT_EQ(Utf8ToCp932Strict("\xC0\xAF"), std::nullopt);          // overlong "/"
    EXPECT_EQ(Utf8ToCp932Strict("\xED\xA0\x80"), std::nullopt);      // surrogate
    EXPECT_EQ(Utf8ToCp932Strict("\xF4\x90\x80\x80"), std::nullopt);  // above U+10FFFF
    EXPECT_EQ(Utf8ToCp932("\xF0\x9F\x98\x80", '*'), "*");
    EXPECT_EQ(Utf8ToCp932Strict(""), std::optional<std::string>(""));
}

TEST(TextEncodingEncode, Utf32ToUtf8WritesEveryLength) {
    EXPECT_EQ(Utf32ToUtf8(U"a\u00E9\u8868\U0001F600"), "a\xC3\xA9\xE8\xA1\xA8\xF0\x9F\x98\x80");
}

// Every code the code page maps must survive decode, strict encode and decode again. Codes
// with a twin may come back as the twin, but never as another character or as nothing.
TEST(TextEncodingRoundTrip, EveryMappedCodeRoundTrips) {
    std::string failures;
    auto check = [&](const std::string& code) {
        std::u32string decoded = Cp932ToUtf32(code);
        if (decoded.size() != 1) {
            failures += " " + Hex(code) + "(length)";
            return;
        }
        if (decoded[0] == kMiddleDot && code != "\x81\x45") {
            return;  // unmapped
        }
        std::optional<std::string> encoded = Utf8ToCp932Strict(Utf32ToUtf8(decoded));
        if (!encoded || Cp932ToUtf32(*encoded) != decoded) {
            failures += " " + Hex(code);
        }
    };
    for (int b = 0; b < 0x100; ++b) {
        if (!IsLeadByte(static_cast<unsigned char>(b))) {
            check(std::string(1, static_cast<char>(b)));
        }
    }
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!IsLeadByte(static_cast<unsigned char>(lead))) {
            continue;
        }
        for (int trail = 0; trail < 0x100; ++trail) {
            check(std::string{static_cast<char>(lead), static_cast<char>(trail)});
        }
    }
    EXPECT_EQ(failures, "");
}

TEST(TextEncodingCase, AsciiLettersChangeAndDoubleByteCharactersStayWhole) {
    struct Case {
        const char* name;
        std::string input;
        std::string upper;
        std::string lower;
    } cases[] = {
        {"ascii only", "Graph01.Png", "GRAPH01.PNG", "graph01.png"},
        {"katakana a, trail 'A'", "\x83\x41", "\x83\x41", "\x83\x41"},
        {"katakana di, trail 'a'", "\x83\x61", "\x83\x61", "\x83\x61"},
        {"kanji with trail 0x5C then letters",
         "\x95\x5C"
         "ab",
         "\x95\x5C"
         "AB",
         "\x95\x5C"
         "ab"},
        {"letters around double-byte characters", "a\x83\x41z\x83\x61Q", "A\x83\x41Z\x83\x61Q",
         "a\x83\x41z\x83\x61q"},
        {"half-width katakana and high bytes untouched", "\xB1x\xDF\xFF", "\xB1X\xDF\xFF",
         "\xB1x\xDF\xFF"},
        {"lead byte at the end", "m\x83", "M\x83", "m\x83"},
        {"non-letters untouched", "@[`{_0", "@[`{_0", "@[`{_0"},
        {"empty", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Hex(AnsiUpperCase(c.input)), Hex(c.upper));
        EXPECT_EQ(Hex(AnsiLowerCase(c.input)), Hex(c.lower));
    }
}

TEST(TextEncodingBytes, LeadBytesAreExactlyTheTwoRanges) {
    struct Case {
        int byte;
        bool lead;
    } cases[] = {{0x00, false}, {0x40, false}, {0x5C, false}, {0x7F, false}, {0x80, false},
                 {0x81, true},  {0x9F, true},  {0xA0, false}, {0xA1, false}, {0xDF, false},
                 {0xE0, true},  {0xEF, true},  {0xFC, true},  {0xFD, false}, {0xFF, false}};
    for (const Case& c : cases) {
        EXPECT_EQ(IsLeadByte(static_cast<unsigned char>(c.byte)), c.lead) << std::hex << c.byte;
    }
    static_assert(IsLeadByte(0x81) && !IsLeadByte(0xA0));
}

TEST(TextEncodingBytes, CharLengthNeverReachesPastTheEnd) {
    struct Case {
        const char* name;
        std::string text;
        size_t pos;
        size_t length;
    } cases[] = {
        {"ascii", "ab", 0, 1},
        {"pair", "\x82\xA0", 0, 2},
        {"pair with trail 0x5C", "\x95\x5C", 0, 2},
        {"trail byte looked at alone", "\x82\xA0", 1, 1},
        {"lead byte at the end", "a\x82", 1, 1},
        {"lone lead byte", "\xFC", 0, 1},
        {"half-width katakana", "\xB1\xB2", 0, 1},
        {"0xFD is not a lead", "\xFD\x40", 0, 1},
        {"0xE0 is a lead", "\xE0\x40", 0, 2},
        {"pair at the end", "a\xE0\x40", 1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CharLength(c.text, c.pos), c.length);
    }
}

}  // namespace
}  // namespace tavri::platform

#include <iconv.h>

namespace tavri::platform {
namespace {

// The tables are read from iconv when the program is built; this reads iconv again now and
// compares every code both ways, so a table that was cut short or shifted cannot pass.
TEST(TextEncodingTables, MatchTheSystemsIconvForEveryCode) {
    iconv_t toUnicode = iconv_open("UTF-32LE", "CP932");
    iconv_t fromUnicode = iconv_open("CP932", "UTF-32LE");
    ASSERT_NE(toUnicode, iconv_t(-1));
    auto decode = [&](std::string code) -> char32_t {
        iconv(toUnicode, nullptr, nullptr, nullptr, nullptr);
        char out[16];
        char* in = code.data();
        size_t inLeft = code.size(), outLeft = sizeof out;
        char* o = out;
        if (iconv(toUnicode, &in, &inLeft, &o, &outLeft) == size_t(-1) || inLeft != 0 ||
            sizeof out - outLeft != 4) {
            return kMiddleDot;
        }
        char32_t c = 0;
        std::memcpy(&c, out, 4);
        return c;
    };
    auto encode = [&](char32_t c) -> std::string {
        iconv(fromUnicode, nullptr, nullptr, nullptr, nullptr);
        char in4[4];
        std::memcpy(in4, &c, 4);
        char out[8];
        char* in = in4;
        char* o = out;
        size_t inLeft = 4, outLeft = sizeof out;
        if (iconv(fromUnicode, &in, &inLeft, &o, &outLeft) == size_t(-1)) {
            return "?";
        }
        return std::string(out, sizeof out - outLeft);
    };
    int compared = 0;
    for (int first = 0; first < 256; ++first) {
        const bool lead = IsLeadByte(uint8_t(first));
        for (int trail = lead ? 0x40 : 0; trail <= (lead ? 0xFC : 0); ++trail) {
            std::string code(1, char(first));
            if (lead) {
                code += char(trail);
            }
            const char32_t expected = decode(code);
            const std::u32string actual = Cp932ToUtf32(code);
            ASSERT_EQ(actual.size(), 1u) << Hex(code);
            ASSERT_EQ(actual[0], expected) << Hex(code);
            if (expected != kMiddleDot && first != 0) {
                std::u32string one(1, expected);
                ASSERT_EQ(Utf8ToCp932(Utf32ToUtf8(one)), encode(expected)) << Hex(code);
            }
            ++compared;
        }
    }
    EXPECT_GT(compared, 11000);
    iconv_close(toUnicode);
    iconv_close(fromUnicode);
}

}  // namespace
}  // namespace tavri::platform
