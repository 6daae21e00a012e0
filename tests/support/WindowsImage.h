#pragma once

// Windows program images made up for the tests, with nothing of any real program in them: a
// DOS header pointing at a PE header, a 32-bit (PE32) or 64-bit (PE32+) optional header, three
// sections and their raw bytes. A novel packaged for Windows is such an image with the archive
// appended.

#include <cstdint>
#include <vector>

namespace tavri::test {

struct TWindowsImage {
    std::vector<uint8_t> Bytes;
    // The furthest end of any section, which is also the image's size. In the 64-bit image the
    // last section entry is not the furthest section, and the section table lies beyond where a
    // 32-bit optional header would end.
    int64_t FurthestEnd = 0;
};

TWindowsImage WindowsImage(bool wide);

}  // namespace tavri::test
