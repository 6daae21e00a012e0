#pragma once

// What the scenario source's compiler and decompiler must agree on: the header keys and the
// words of the format.

#include <cstdint>
#include <string>
#include <vector>

#include "scenario/NovelData.h"

namespace tavri::tool::source_syntax {

enum class TFieldKind { Short, Int, Byte, Colour, Point };

// One header key. `from` is the lowest version that stores the field: a source may not set a
// field its version would silently drop, and a decompiled source lists only the stored ones.
struct THeaderField {
    const char* name;
    int from;
    TFieldKind kind;
    int capacity = 0;  // Short: bytes of cp932 text
    std::string CNovelFileHeader::*text = nullptr;
    int32_t CNovelFileHeader::*number = nullptr;
    int32_t CNovelFileHeader::*number2 = nullptr;  // Point: y
    uint8_t CNovelFileHeader::*byte = nullptr;
    uint32_t CNovelFileHeader::*colour = nullptr;
};

// In file order.
const std::vector<THeaderField>& HeaderFields();

inline constexpr const char* kCounterTableVersionKey = "CounterTableVersion";

// LinkKind values 0, 1 and 2; other values are written as numbers.
inline constexpr const char* kLinkKindNames[] = {"menu", "auto", "ending"};

}  // namespace tavri::tool::source_syntax
