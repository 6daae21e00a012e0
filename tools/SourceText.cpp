#include "SourceText.h"

#include <array>
#include <cstdio>
#include <vector>

#include "platform/TextEncoding.h"

namespace tavri::tool {

using platform::Cp932ToUtf8;
using platform::IsLeadByte;
using platform::Utf8ToCp932Strict;

namespace {

constexpr bool IsTrailByte(unsigned char c) {
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

std::string Hex(std::string_view bytes) {
    std::string out;
    for (char c : bytes) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned char>(c));
        out += digits;
    }
    return out;
}

// Length of the well-formed UTF-8 character at pos, or 0; `c` receives its code point.
size_t Utf8CharAt(std::string_view s, size_t pos, char32_t& c) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    unsigned char b = byte(pos);
    size_t length = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (length == 0 || pos + length > s.size()) {
        return 0;
    }
    c = length == 1 ? b : b & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) {
            return 0;
        }
        c = c << 6 | (byte(pos + i) & 0x3F);
    }
    static constexpr char32_t kMinimum[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kMinimum[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        return 0;
    }
    return length;
}

void AppendConverted(std::string& out, std::string_view utf8) {
    if (utf8.empty()) {
        return;
    }
    if (std::optional<std::string> bytes = Utf8ToCp932Strict(utf8)) {
        out += *bytes;
        return;
    }
    // Find the culprit so the author learns which character to change.
    for (size_t pos = 0; pos < utf8.size();) {
        char32_t c = 0;
        size_t length = Utf8CharAt(utf8, pos, c);
        if (length == 0) {
            throw ETextError("invalid UTF-8 byte 0x" + Hex(utf8.substr(pos, 1)) +
                             " (save the source as UTF-8)");
        }
        std::string_view character = utf8.substr(pos, length);
        if (!Utf8ToCp932Strict(character)) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
            throw ETextError("character '" + std::string(character) + "' (" + code +
                             ") has no cp932 (Shift-JIS) code");
        }
        pos += length;
    }
    throw ETextError("text cannot be converted to cp932");
}

void AppendEscape(std::string& out, std::string_view body) {
    const std::string hint =
        "bad escape \\[" + std::string(body) +
        "]: expected hex byte pairs such as \\[0D] or \\[81CA] (a backslash before '[' is "
        "written \\[5C])";
    bool any = false;
    for (size_t pos = 0; pos < body.size();) {
        if (body[pos] == ' ' || body[pos] == '\t') {
            ++pos;
            continue;
        }
        size_t end = body.find_first_of(" \t", pos);
        std::string_view group = body.substr(pos, end == std::string_view::npos ? end : end - pos);
        if (group.size() % 2 != 0) {
            throw ETextError(hint);
        }
        for (size_t i = 0; i < group.size(); i += 2) {
            int high = HexValue(group[i]);
            int low = HexValue(group[i + 1]);
            if (high < 0 || low < 0) {
                throw ETextError(hint);
            }
            out += static_cast<char>(high << 4 | low);
        }
        any = true;
        pos += group.size();
    }
    if (!any) {
        throw ETextError(hint);
    }
}

// Which stored characters come back unchanged through UTF-8. Codes that share a character with
// another code (0xEEF9 and 0x81CA are both U+FFE2) come back as the preferred one, and unmapped
// codes as U+30FB, so both fail here and are kept as escapes.
struct TRoundTripTable {
    std::array<bool, 256> single{};
    std::vector<bool> pairs = std::vector<bool>(65536, false);

    TRoundTripTable() {
        for (int b = 0; b < 256; ++b) {
            std::string one(1, static_cast<char>(b));
            single[static_cast<size_t>(b)] = Survives(one);
        }
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            if (!IsLeadByte(static_cast<unsigned char>(lead))) {
                continue;
            }
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                std::string two{static_cast<char>(lead), static_cast<char>(trail)};
                pairs[static_cast<size_t>(lead << 8 | trail)] = Survives(two);
            }
        }
    }

    static bool Survives(const std::string& bytes) {
        std::optional<std::string> back = Utf8ToCp932Strict(Cp932ToUtf8(bytes));
        return back && *back == bytes;
    }
};

const TRoundTripTable& RoundTrips() {
    static const TRoundTripTable table;
    return table;
}

}  // namespace

std::string SourceToStored(std::string_view source) {
    std::string out;
    size_t runStart = 0;
    for (size_t pos = 0; pos < source.size();) {
        if (source[pos] != '\\' || pos + 1 >= source.size() || source[pos + 1] != '[') {
            ++pos;
            continue;
        }
        AppendConverted(out, source.substr(runStart, pos - runStart));
        size_t close = source.find(']', pos + 2);
        if (close == std::string_view::npos) {
            throw ETextError(
                "unterminated escape '\\[' (expected ']'; a backslash before '[' is written "
                "\\[5C])");
        }
        AppendEscape(out, source.substr(pos + 2, close - pos - 2));
        pos = close + 1;
        runStart = pos;
    }
    AppendConverted(out, source.substr(runStart));
    return out;
}

std::string StoredToSource(std::string_view stored, TSourceContext context) {
    const TRoundTripTable& table = RoundTrips();
    std::string out;
    std::string escaped;  // pending escape body, one group per character
    auto flush = [&] {
        if (!escaped.empty()) {
            out += "\\[" + escaped + "]";
            escaped.clear();
        }
    };
    for (size_t pos = 0; pos < stored.size();) {
        unsigned char b = static_cast<unsigned char>(stored[pos]);
        size_t length = 1;
        bool plain;
        if (IsLeadByte(b) && pos + 1 < stored.size() &&
            IsTrailByte(static_cast<unsigned char>(stored[pos + 1]))) {
            length = 2;
            plain = table.pairs[static_cast<size_t>(b << 8 |
                                                    static_cast<unsigned char>(stored[pos + 1]))];
        } else {
            bool last = pos + 1 == stored.size();
            plain = table.single[b] && (b >= 0x20 || b == '\t') && b != 0x7F &&
                    !(b == '"' && context == TSourceContext::Quoted) &&
                    !(b == '\\' && !last && stored[pos + 1] == '[') &&
                    !(last && (b == ' ' || b == '\t') && context == TSourceContext::TextLine);
        }
        std::string_view character = stored.substr(pos, length);
        if (plain) {
            flush();
            out += Cp932ToUtf8(character);
        } else {
            if (!escaped.empty()) {
                escaped += ' ';
            }
            escaped += Hex(character);
        }
        pos += length;
    }
    flush();
    return out;
}

}  // namespace tavri::tool
