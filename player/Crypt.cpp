#include "Crypt.h"

#include "ByteOrder.h"

namespace tavri {

std::unique_ptr<platform::TMemoryStream> Descramble(platform::TStream& input) {
    auto output = std::make_unique<platform::TMemoryStream>();
    uint8_t seedBytes[4] = {};
    input.Read(seedBytes, 4);
    TKeystream keys(static_cast<uint32_t>(LoadLE32(seedBytes)));
    for (;;) {
        uint8_t block[16] = {};
        size_t n = input.Read(block, sizeof block);
        // The keystream moves by a whole block even for a short last one.
        for (uint8_t& b : block) {
            b ^= keys.Next();
        }
        if (n == 0) {
            break;
        }
        output->WriteBuffer(block, n);
    }
    return output;
}

std::vector<uint8_t> Scramble(const std::vector<uint8_t>& plain, uint32_t seed) {
    std::vector<uint8_t> out(4);
    StoreLE32(out.data(), static_cast<int32_t>(seed));
    out.reserve(plain.size() + 4);
    TKeystream keys(seed);
    for (size_t i = 0; i < plain.size(); i += 16) {
        for (size_t j = 0; j < 16; ++j) {
            uint8_t k = keys.Next();
            if (i + j < plain.size()) {
                out.push_back(plain[i + j] ^ k);
            }
        }
    }
    return out;
}

}  // namespace tavri
