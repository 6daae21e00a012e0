#pragma once

// Scenario text, file names and messages are cp932 byte strings; they are converted only at the
// edges (glyph lookup, window title, message boxes, disk paths).

#include <optional>
#include <string>
#include <string_view>

namespace tavri::platform {

// 0x81-0x9F and 0xE0-0xFC start a double-byte character.
constexpr bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Bytes taken by the character that starts at pos: 2 for a lead byte followed by another byte,
// otherwise 1 (a lead byte at the very end is a one-byte character, never a read past the end).
inline size_t CharLength(std::string_view s, size_t pos) {
    return (IsLeadByte(static_cast<unsigned char>(s[pos])) && pos + 1 < s.size()) ? 2 : 1;
}

// Decoding never fails: a byte or pair without a mapping (undefined codes, a stray trail byte,
// 0x80, 0xA0, 0xFD-0xFF) becomes U+30FB and the rest of the text is still converted.
std::u32string Cp932ToUtf32(std::string_view cp932);
std::string Cp932ToUtf8(std::string_view cp932);

// Encoding for display: a character cp932 cannot hold becomes `replacement`.
std::string Utf8ToCp932(std::string_view utf8, char replacement = '?');
// Encoding that must be exact (sources, archive names): nullopt when any character (or
// malformed UTF-8) has no cp932 form.
std::optional<std::string> Utf8ToCp932Strict(std::string_view utf8);

std::string Utf32ToUtf8(std::u32string_view text);

// ASCII letters only; double-byte characters are stepped over whole, so their trail bytes
// (which may look like letters) never change.
std::string AnsiUpperCase(std::string_view cp932);
std::string AnsiLowerCase(std::string_view cp932);

// Shorthand for the system's own Japanese texts, written in UTF-8 in the source.
inline std::string Cp932(std::string_view utf8) {
    return Utf8ToCp932(utf8);
}

}  // namespace tavri::platform
