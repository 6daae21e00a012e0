#include <iconv.h>

#include <array>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/TextEncoding.h"

namespace tavri::platform {

namespace {

constexpr char32_t kUnmapped = 0xFFFFFFFF;
constexpr char32_t kMiddleDot = 0x30FB;  // "・"

// The code page as glibc's iconv knows it (NEC and IBM extensions included), read once into
// tables so that per-character conversion never depends on iconv's error handling.
struct Cp932Tables {
    std::array<char32_t, 256> single{};
    std::vector<char32_t> pairs = std::vector<char32_t>(65536, kUnmapped);
    std::unordered_map<char32_t, uint16_t> encode;  // value < 0x100: one byte

    Cp932Tables() {
        iconv_t toUnicode = iconv_open("UTF-32LE", "CP932");
        iconv_t fromUnicode = iconv_open("CP932", "UTF-32LE");
        for (int b = 0; b < 256; ++b) {
            char in[1] = {static_cast<char>(b)};
            single[static_cast<size_t>(b)] =
                IsLeadByte(static_cast<unsigned char>(b)) ? kUnmapped : Decode(toUnicode, in, 1);
        }
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            if (!IsLeadByte(static_cast<unsigned char>(lead))) {
                continue;
            }
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                pairs[static_cast<size_t>(lead << 8 | trail)] = Decode(toUnicode, in, 2);
            }
        }
        for (int b = 0; b < 256; ++b) {
            char32_t c = single[static_cast<size_t>(b)];
            if (c != kUnmapped) {
                AddEncoding(fromUnicode, c);
            }
        }
        for (char32_t c : pairs) {
            if (c != kUnmapped) {
                AddEncoding(fromUnicode, c);
            }
        }
        // Characters that other Japanese code pages (and many input methods) use for the same
        // glyphs: wave dash, double vertical line, minus, cent, pound, not sign, em dash.
        for (char32_t c : {0x301Cu, 0x2016u, 0x2212u, 0x00A2u, 0x00A3u, 0x00ACu, 0x2014u}) {
            AddEncoding(fromUnicode, c);
        }
        iconv_close(toUnicode);
        iconv_close(fromUnicode);
    }

    static char32_t Decode(iconv_t cd, char* in, size_t inLength) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char out[16];
        char* inPtr = in;
        char* outPtr = out;
        size_t outLeft = sizeof out;
        if (iconv(cd, &inPtr, &inLength, &outPtr, &outLeft) == static_cast<size_t>(-1) ||
            inLength != 0 || sizeof out - outLeft != 4) {
            return kUnmapped;
        }
        uint8_t* u = reinterpret_cast<uint8_t*>(out);
        return char32_t(u[0]) | char32_t(u[1]) << 8 | char32_t(u[2]) << 16 | char32_t(u[3]) << 24;
    }

    // The reverse direction asks iconv too, so characters with two codes get the one the code
    // page prefers rather than whichever the decode loop met last.
    void AddEncoding(iconv_t cd, char32_t c) {
        if (encode.count(c) != 0) {
            return;
        }
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        uint8_t in[4] = {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16), uint8_t(c >> 24)};
        char out[8];
        char* inPtr = reinterpret_cast<char*>(in);
        size_t inLeft = 4;
        char* outPtr = out;
        size_t outLeft = sizeof out;
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) {
            return;
        }
        size_t n = sizeof out - outLeft;
        if (n == 1) {
            encode[c] = static_cast<uint8_t>(out[0]);
        } else if (n == 2) {
            encode[c] = static_cast<uint16_t>(static_cast<uint8_t>(out[0]) << 8 |
                                              static_cast<uint8_t>(out[1]));
        }
    }
};

const Cp932Tables& Tables() {
    static const Cp932Tables tables;
    return tables;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Reads one UTF-8 character at pos; returns kUnmapped (advancing one byte) for malformed input.
char32_t NextUtf8(std::string_view s, size_t& pos) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    unsigned char b = byte(pos);
    size_t length = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (length == 0 || pos + length > s.size()) {
        ++pos;
        return kUnmapped;
    }
    char32_t c = length == 1 ? b : b & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) {
            ++pos;
            return kUnmapped;
        }
        c = c << 6 | (byte(pos + i) & 0x3F);
    }
    static constexpr char32_t kMinimum[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kMinimum[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++pos;
        return kUnmapped;
    }
    pos += length;
    return c;
}

template <typename Emit>
bool EncodeCp932(std::string_view utf8, Emit&& emitUnmapped, std::string& out) {
    const Cp932Tables& t = Tables();
    bool exact = true;
    for (size_t pos = 0; pos < utf8.size();) {
        char32_t c = NextUtf8(utf8, pos);
        auto it = c == kUnmapped ? t.encode.end() : t.encode.find(c);
        if (it == t.encode.end()) {
            exact = false;
            emitUnmapped(out);
            continue;
        }
        if (it->second > 0xFF) {
            out += static_cast<char>(it->second >> 8);
        }
        out += static_cast<char>(it->second & 0xFF);
    }
    return exact;
}

std::string ChangeAsciiCase(std::string_view s, char from, char to, int delta) {
    std::string out(s);
    for (size_t i = 0; i < out.size();) {
        size_t n = CharLength(out, i);
        if (n == 1 && out[i] >= from && out[i] <= to) {
            out[i] = static_cast<char>(out[i] + delta);
        }
        i += n;
    }
    return out;
}

}  // namespace

std::u32string Cp932ToUtf32(std::string_view cp932) {
    const Cp932Tables& t = Tables();
    std::u32string out;
    out.reserve(cp932.size());
    for (size_t i = 0; i < cp932.size();) {
        size_t n = CharLength(cp932, i);
        unsigned char b = static_cast<unsigned char>(cp932[i]);
        char32_t c =
            n == 1
                ? t.single[b]
                : t.pairs[static_cast<size_t>(b << 8 | static_cast<unsigned char>(cp932[i + 1]))];
        out += c == kUnmapped ? kMiddleDot : c;
        i += n;
    }
    return out;
}

std::string Utf32ToUtf8(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text) {
        AppendUtf8(out, c);
    }
    return out;
}

std::string Cp932ToUtf8(std::string_view cp932) {
    return Utf32ToUtf8(Cp932ToUtf32(cp932));
}

std::string Utf8ToCp932(std::string_view utf8, char replacement) {
    std::string out;
    out.reserve(utf8.size());
    EncodeCp932(
        utf8, [replacement](std::string& o) { o += replacement; }, out);
    return out;
}

std::optional<std::string> Utf8ToCp932Strict(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    if (!EncodeCp932(
            utf8, [](std::string&) {}, out)) {
        return std::nullopt;
    }
    return out;
}

std::string AnsiUpperCase(std::string_view cp932) {
    return ChangeAsciiCase(cp932, 'a', 'z', -32);
}

std::string AnsiLowerCase(std::string_view cp932) {
    return ChangeAsciiCase(cp932, 'A', 'Z', 32);
}

}  // namespace tavri::platform
