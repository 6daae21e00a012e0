#pragma once

// The scenario inside a package is stored scrambled so that it cannot be read from the
// executable with a plain viewer. Not encryption: the seed travels with the data.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Stream.h"

namespace tavri {

class TKeystream {
  public:
    explicit TKeystream(uint32_t seed) : state_(seed) {}
    uint8_t Next() { return static_cast<uint8_t>(NextState() >> 24); }
    // The whole new state, for uses that draw numbers rather than key bytes.
    uint32_t NextState() {
        state_ = state_ * 1812433253u + 1u;
        return state_;
    }

  private:
    uint32_t state_;
};

// Reads the seed and the scrambled bytes from the input's position; the result is positioned at
// its end. An input of 4 bytes or fewer gives an empty result (a short seed reads as zeros).
std::unique_ptr<platform::TMemoryStream> Descramble(platform::TStream& input);

// The authoring side's inverse: seed prefix, then the same keystream applied in blocks of 16.
std::vector<uint8_t> Scramble(const std::vector<uint8_t>& plain, uint32_t seed);

}  // namespace tavri
