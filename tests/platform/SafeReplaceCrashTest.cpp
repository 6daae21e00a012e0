// A writer killed at random moments while it replaces a large file: the file always holds one
// version whole.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/KilledWriter.h"
#include "support/TestSupport.h"

namespace tavri::platform {
namespace {

// Recognisable contents: the bytes of a seeded generator, so two payloads of any sizes differ
// from their first byte on and a mix of them matches neither.
std::vector<uint8_t> Payload(uint32_t seed, size_t size) {
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(size);
    for (uint8_t& b : bytes) {
        b = static_cast<uint8_t>(random() >> 24);
    }
    return bytes;
}

TEST(SafeReplaceCrash, AKilledWriterLeavesOneVersionWhole) {
    test::TempDir dir;
    const std::string path = dir.path() + "novel.qkb";
    const std::vector<uint8_t> a = Payload(1, 600 * 1024), b = Payload(2, 600 * 1024 + 1777);
    ASSERT_TRUE(ReplaceFileContents(path, a));
    constexpr int kKills = 400;
    test::TKilledWriters report;
    test::KillWritersRepeatedly(
        dir.path(), "novel.qkb", kKills, 3000,
        [&](bool first) { return ReplaceFileContents(path, first ? a : b); }, a, b, report);
    std::printf("%d writers killed: the file changed version %d times, %d temporary files left\n",
                kKills, report.switches, report.strays);
    RecordProperty("switches", report.switches);
    RecordProperty("strays", report.strays);
}

}  // namespace
}  // namespace tavri::platform
