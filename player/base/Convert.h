#pragma once

// Strict decimal conversion of scenario words: numbers in commands are written by people, and a
// word that is not exactly a number must be reported rather than read as something else.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace tavri {

class EConvertError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// An optional "+" or "-" followed by one or more decimal digits, nothing else (no blanks, no
// hexadecimal), with a value that fits in 32 signed bits; anything else raises EConvertError
// with "'<word>' is not a valid integer value".
inline int32_t StrToInt(const std::string& word) {
    auto fail = [&word]() -> int32_t {
        throw EConvertError("'" + word + "' is not a valid integer value");
    };
    size_t pos = 0;
    bool negative = false;
    if (pos < word.size() && (word[pos] == '+' || word[pos] == '-')) {
        negative = word[pos] == '-';
        ++pos;
    }
    if (pos == word.size()) {
        return fail();
    }
    // Accumulated as a magnitude; the limit is one larger on the negative side.
    const int64_t limit = negative ? int64_t(INT32_MAX) + 1 : int64_t(INT32_MAX);
    int64_t magnitude = 0;
    for (; pos < word.size(); ++pos) {
        const char c = word[pos];
        if (c < '0' || c > '9') {
            return fail();
        }
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit) {
            return fail();
        }
    }
    return int32_t(negative ? -magnitude : magnitude);
}

}  // namespace tavri
