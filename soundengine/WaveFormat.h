// The sound format a reader delivers: the fields of the 18-byte WAVEFORMATEX, read field by
// field, plus the sub-format tag of an extensible format block (0 when there is none).
#pragma once

#include <cstdint>

namespace morwick {

struct WaveFormat {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint16_t extraSize = 0;
    uint16_t subFormatTag = 0;
};

inline constexpr uint16_t kFormatPcm = 1;
inline constexpr uint16_t kFormatFloat = 3;
inline constexpr uint16_t kFormatExtensible = 0xFFFE;

}  // namespace morwick
