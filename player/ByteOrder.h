#pragma once

// Little-endian fields of the stored formats (archive directory, scenario, sprite records,
// scrambled entries), read and written byte by byte, never by casting structs onto bytes.

#include <cstdint>

namespace tavri {

inline int32_t LoadLE32(const uint8_t* p) {
    return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                                uint32_t(p[3]) << 24);
}

inline void StoreLE32(uint8_t* p, int32_t v) {
    const uint32_t u = static_cast<uint32_t>(v);
    p[0] = uint8_t(u);
    p[1] = uint8_t(u >> 8);
    p[2] = uint8_t(u >> 16);
    p[3] = uint8_t(u >> 24);
}

}  // namespace tavri
