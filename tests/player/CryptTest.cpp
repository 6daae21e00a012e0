#include <gtest/gtest.h>

#include "Crypt.h"

namespace tavri {
namespace {

using platform::TMemoryStream;

TEST(Crypt, KeystreamFromSeedZero) {
    TKeystream k(0);
    EXPECT_EQ(k.Next(), 0x00);  // top byte of 1
    EXPECT_EQ(k.Next(), 0x6C);  // top byte of 0x6C078966
}

std::vector<uint8_t> Plain(size_t n) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) {
        v[i] = uint8_t(i * 37 + 11);
    }
    return v;
}

TEST(Crypt, ScrambleAndDescrambleAreInversesForEveryLength) {
    for (size_t n : {0u, 1u, 15u, 16u, 17u, 33u, 1000u}) {
        for (uint32_t seed : {0u, 1u, 0xDEADBEEFu}) {
            std::vector<uint8_t> plain = Plain(n);
            std::vector<uint8_t> stored = Scramble(plain, seed);
            ASSERT_EQ(stored.size(), n + 4);
            TMemoryStream in(stored);
            auto out = Descramble(in);
            EXPECT_EQ(out->Position(), int64_t(n));
            EXPECT_EQ(out->Bytes(), plain) << n << " " << seed;
        }
    }
}

TEST(Crypt, KeystreamAdvancesByWholeBlocks) {
    // Byte 17 uses keystream byte 17: the first of the second block of 16.
    const uint32_t seed = 0x12345678;
    std::vector<uint8_t> plain(17, 0);
    std::vector<uint8_t> stored = Scramble(plain, seed);
    TKeystream k(seed);
    std::vector<uint8_t> keys;
    for (int i = 0; i < 32; ++i) {
        keys.push_back(k.Next());
    }
    EXPECT_EQ(stored[4 + 16], keys[16]);
    EXPECT_EQ(stored[4 + 0], keys[0]);
    EXPECT_EQ(stored[0], 0x78);
    EXPECT_EQ(stored[3], 0x12);
}

TEST(Crypt, EntriesOfFourBytesOrFewerGiveNothing) {
    for (size_t n : {0u, 2u, 4u}) {
        TMemoryStream in(std::vector<uint8_t>(n, 0x55));
        EXPECT_TRUE(Descramble(in)->Bytes().empty()) << n;
    }
}

}  // namespace
}  // namespace tavri
