#include "support/WindowsImage.h"

#include <cstddef>

namespace tavri::test {

namespace {

void Put(std::vector<uint8_t>& b, size_t at, uint64_t v, size_t bytes) {
    if (b.size() < at + bytes) {
        b.resize(at + bytes, 0);
    }
    for (size_t i = 0; i < bytes; ++i) {
        b[at + i] = uint8_t(v >> (8 * i));
    }
}

}  // namespace

TWindowsImage WindowsImage(bool wide) {
    constexpr size_t kHeader = 0x80;
    const size_t optionalSize = wide ? 240 : 224;
    const size_t table = kHeader + 24 + optionalSize;
    TWindowsImage image;
    std::vector<uint8_t>& b = image.Bytes;
    b.assign(0x400, 0);
    b[0] = 'M';
    b[1] = 'Z';
    Put(b, 60, kHeader, 4);
    b[kHeader] = 'P';
    b[kHeader + 1] = 'E';
    Put(b, kHeader + 4, wide ? 0x8664 : 0x14C, 2);  // machine
    Put(b, kHeader + 6, 3, 2);                      // sections
    Put(b, kHeader + 20, optionalSize, 2);
    Put(b, kHeader + 24, wide ? 0x20B : 0x10B, 2);  // optional header magic
    // Raw data: .text at 0x400 (0x600 bytes), .data at 0xA00 (0x200), .rsrc at 0xC00 (0x400);
    // the 64-bit image lists .rsrc before .data, so its last entry is not its furthest section.
    struct Section {
        const char* name;
        uint32_t position, size;
    };
    const Section narrow[] = {
        {".text", 0x400, 0x600}, {".data", 0xA00, 0x200}, {".rsrc", 0xC00, 0x400}};
    const Section reordered[] = {
        {".text", 0x400, 0x600}, {".rsrc", 0xC00, 0x400}, {".data", 0xA00, 0x200}};
    const Section* sections = wide ? reordered : narrow;
    for (size_t i = 0; i < 3; ++i) {
        const size_t entry = table + 40 * i;
        for (size_t c = 0; sections[i].name[c] != '\0'; ++c) {
            b[entry + c] = uint8_t(sections[i].name[c]);
        }
        Put(b, entry + 8, sections[i].size, 4);       // virtual size
        Put(b, entry + 12, 0x1000 * (i + 1), 4);      // virtual address
        Put(b, entry + 16, sections[i].size, 4);      // raw size
        Put(b, entry + 20, sections[i].position, 4);  // raw position
    }
    b.resize(0x1000, 0);
    for (size_t i = 0x400; i < b.size(); ++i) {
        b[i] = uint8_t(i * 7 + 3);  // section bytes, anything but an archive
    }
    image.FurthestEnd = 0x1000;
    return image;
}

}  // namespace tavri::test
