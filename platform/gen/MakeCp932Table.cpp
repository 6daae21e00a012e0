// Writes the code page 932 tables the player converts with, read from the system's iconv once at
// build time: reading them at start-up took tens of thousands of iconv calls (a large part of
// the time before the first frame). Usage: tavri-gen-cp932 OUTPUT.inc

#include <iconv.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

namespace {

constexpr char32_t kUnmapped = 0xFFFFFFFF;

bool IsLeadByte(int b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

char32_t Decode(iconv_t cd, char* in, size_t inLength) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char out[16];
    char* inPtr = in;
    char* outPtr = out;
    size_t outLeft = sizeof out;
    if (iconv(cd, &inPtr, &inLength, &outPtr, &outLeft) == static_cast<size_t>(-1) ||
        inLength != 0 || sizeof out - outLeft != 4) {
        return kUnmapped;
    }
    const auto* u = reinterpret_cast<const uint8_t*>(out);
    return char32_t(u[0]) | char32_t(u[1]) << 8 | char32_t(u[2]) << 16 | char32_t(u[3]) << 24;
}

// The code iconv gives a character, 0xFFFF when it has none.
uint16_t Encode(iconv_t cd, char32_t c) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    uint8_t in[4] = {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16), uint8_t(c >> 24)};
    char out[8];
    char* inPtr = reinterpret_cast<char*>(in);
    size_t inLeft = 4;
    char* outPtr = out;
    size_t outLeft = sizeof out;
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) {
        return 0xFFFF;
    }
    const size_t n = sizeof out - outLeft;
    if (n == 1) {
        return uint8_t(out[0]);
    }
    if (n == 2) {
        return uint16_t(uint8_t(out[0]) << 8 | uint8_t(out[1]));
    }
    return 0xFFFF;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tavri-gen-cp932 OUTPUT.inc\n");
        return 2;
    }
    iconv_t toUnicode = iconv_open("UTF-32LE", "CP932");
    iconv_t fromUnicode = iconv_open("CP932", "UTF-32LE");
    if (toUnicode == iconv_t(-1) || fromUnicode == iconv_t(-1)) {
        std::fprintf(stderr, "tavri-gen-cp932: iconv has no CP932\n");
        return 1;
    }
    std::array<char32_t, 256> single{};
    for (int b = 0; b < 256; ++b) {
        char in[1] = {char(b)};
        single[size_t(b)] = IsLeadByte(b) ? kUnmapped : Decode(toUnicode, in, 1);
    }
    std::vector<char32_t> pairs;  // lead bytes in order, trails 0x40..0xFC
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!IsLeadByte(lead)) {
            continue;
        }
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            char in[2] = {char(lead), char(trail)};
            pairs.push_back(Decode(toUnicode, in, 2));
        }
    }
    // What the player builds at start-up (the first code met for each character) and what the
    // code page prefers; only their differences are stored.
    std::map<char32_t, uint16_t> firstMet, preferred;
    auto meet = [&](char32_t c, uint16_t code) {
        if (c != kUnmapped && !firstMet.count(c)) {
            firstMet[c] = code;
        }
    };
    for (int b = 0; b < 256; ++b) {
        meet(single[size_t(b)], uint16_t(b));
    }
    size_t i = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!IsLeadByte(lead)) {
            continue;
        }
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            meet(pairs[i++], uint16_t(lead << 8 | trail));
        }
    }
    for (const auto& [c, code] : firstMet) {
        preferred[c] = Encode(fromUnicode, c);
    }
    // Characters other Japanese code pages (and many input methods) use for the same glyphs:
    // wave dash, double vertical line, minus, cent, pound, not sign, em dash.
    for (char32_t c : {0x301Cu, 0x2016u, 0x2212u, 0x00A2u, 0x00A3u, 0x00ACu, 0x2014u}) {
        if (!preferred.count(c)) {
            preferred[c] = Encode(fromUnicode, c);
        }
    }
    iconv_close(toUnicode);
    iconv_close(fromUnicode);

    FILE* out = std::fopen(argv[1], "w");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    auto value = [](char32_t c) -> unsigned {
        if (c == kUnmapped) {
            return 0xFFFF;
        }
        if (c >= 0xFFFF) {
            std::fprintf(stderr, "tavri-gen-cp932: U+%X is outside the table's range\n",
                         unsigned(c));
            std::exit(1);
        }
        return unsigned(c);
    };
    std::fprintf(
        out, "// Made by tavri-gen-cp932 from the system's iconv CP932. 0xFFFF: no character.\n");
    std::fprintf(out, "static constexpr char16_t kSingleBytes[256] = {");
    for (int b = 0; b < 256; ++b) {
        std::fprintf(out, "%s0x%04X,", b % 12 == 0 ? "\n    " : " ", value(single[size_t(b)]));
    }
    std::fprintf(
        out, "\n};\n// Lead bytes 0x81-0x9F then 0xE0-0xFC, each with trail bytes 0x40-0xFC.\n");
    std::fprintf(out, "static constexpr char16_t kDoubleBytes[%zu] = {", pairs.size());
    for (size_t k = 0; k < pairs.size(); ++k) {
        std::fprintf(out, "%s0x%04X,", k % 12 == 0 ? "\n    " : " ", value(pairs[k]));
    }
    std::fprintf(out,
                 "\n};\n// Where the code page's own choice differs from the first code met (code "
                 "0xFFFF: the\n// character is not encoded).\n");
    std::fprintf(out,
                 "static constexpr struct {\n    char16_t character;\n    uint16_t code;\n} "
                 "kPreferredCodes[] = {");
    size_t n = 0;
    for (const auto& [c, code] : preferred) {
        const auto first = firstMet.find(c);
        if (first != firstMet.end() && first->second == code) {
            continue;
        }
        std::fprintf(out, "%s{0x%04X, 0x%04X},", n++ % 4 == 0 ? "\n    " : " ", value(c), code);
    }
    std::fprintf(out, "\n};\n");
    return std::fclose(out) == 0 ? 0 : 1;
}
