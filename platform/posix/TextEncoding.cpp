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

// The code page as glibc's iconv knows it (NEC and IBM extensions included), read into tables
// at build time, so that per-character conversion never depends on iconv's error handling and
// start-up does not wait for tens of thousands of iconv calls.
#include "Cp932Table.inc"

struct Cp932Tables {
    std::array<char32_t, 256> single{};
    std::vector<char32_t> pairs = std::vector<char32_t>(65536, kUnmapped);
    std::unordered_map<char32_t, uint16_t> encode;  // value < 0x100: one byte

    static char32_t Widen(char16_t c) { return c == 0xFFFF ? kUnmapped : char32_t(c); }

    Cp932Tables() {
        for (int b = 0; b < 256; ++b) {
            single[size_t(b)] = Widen(kSingleBytes[b]);
        }
        size_t i = 0;
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            if (!IsLeadByte(static_cast<unsigned char>(lead))) {
                continue;
            }
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                pairs[size_t(lead << 8 | trail)] = Widen(kDoubleBytes[i++]);
            }
        }
        // The first code met for each character, then the code page's own choices where it
        // prefers another code (or none).
        encode.reserve(12000);
        for (int b = 0; b < 256; ++b) {
            if (single[size_t(b)] != kUnmapped) {
                encode.emplace(single[size_t(b)], uint16_t(b));
            }
        }
        for (size_t code = 0; code < pairs.size(); ++code) {
            if (pairs[code] != kUnmapped) {
                encode.emplace(pairs[code], uint16_t(code));
            }
        }
        for (const auto& p : kPreferredCodes) {
            if (p.code == 0xFFFF) {
                encode.erase(char32_t(p.character));
            } else {
                encode[char32_t(p.character)] = p.code;
            }
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
