#include <gtest/gtest.h>

#include "ArchiveLocator.h"
#include "PackageFile2.h"
#include "platform/FileSystem.h"
#include "support/TestSupport.h"

namespace tavri {
namespace {

using platform::TMemoryStream;

void Put(std::vector<uint8_t>& b, size_t at, uint64_t v, size_t bytes) {
    if (b.size() < at + bytes) {
        b.resize(at + bytes, 0);
    }
    for (size_t i = 0; i < bytes; ++i) {
        b[at + i] = uint8_t(v >> (8 * i));
    }
}

// A 32-bit Windows image with `sections` sections, the last ending at `end`.
std::vector<uint8_t> PeImage(uint16_t header, uint8_t sections, uint32_t end) {
    std::vector<uint8_t> b(end, 0);
    b[0] = 'M';
    b[1] = 'Z';
    Put(b, 60, header, 2);
    Put(b, 62, 0xABCD, 2);  // high half of the offset field: not used
    b[header] = 'P';
    b[header + 1] = 'E';
    Put(b, header + 6, sections, 2);
    size_t last = header + 248 + 40 * (sections - 1);
    Put(b, last + 16, end - 0x400, 4);  // raw size
    Put(b, last + 20, 0x400, 4);        // raw position
    return b;
}

std::vector<uint8_t> Append(std::vector<uint8_t> image, const std::vector<uint8_t>& tail) {
    image.insert(image.end(), tail.begin(), tail.end());
    return image;
}

const std::vector<uint8_t> kArchive = BuildPackage({{"autorun.qke", {1, 2, 3, 4, 5}}});

TEST(ArchiveLocator, WindowsImagesEndAfterTheirLastSection) {
    for (uint8_t sections : {1, 3, 8}) {
        std::vector<uint8_t> image = PeImage(0x80, sections, 0x1000);
        TMemoryStream bare(image);
        EXPECT_EQ(PeImageEnd(bare), 0x1000);
        EXPECT_EQ(LocateArchive(bare), -1);
        TMemoryStream packed(Append(image, kArchive));
        EXPECT_EQ(LocateArchive(packed), 0x1000) << int(sections);
    }
}

TEST(ArchiveLocator, NotAnImageOrNoArchiveMeansNone) {
    std::vector<uint8_t> pe = Append(PeImage(0x80, 2, 0x1000), kArchive);
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    std::vector<Case> cases = {
        {"empty", {}},
        {"just MZ", {'M', 'Z'}},
        {"no PE signature",
         [&] {
             auto b = pe;
             b[0x80] = 'N';
             return b;
         }()},
        {"header offset past the end",
         [&] {
             auto b = pe;
             Put(b, 60, 0xFFF0, 2);
             return b;
         }()},
        {"archive cut short", std::vector<uint8_t>(pe.begin(), pe.begin() + 0x1000 + 15)},
        {"magic differs",
         [&] {
             auto b = pe;
             b[0x1000 + 3] ^= 0x20;
             return b;
         }()},
        {"section table says the image is larger",
         [&] {
             auto b = pe;
             Put(b, 0x80 + 248 + 40 + 16, 0x7FFFFFFF, 4);
             return b;
         }()},
        {"ELF with a table past the end",
         [] {
             std::vector<uint8_t> b = {0x7F, 'E', 'L', 'F', 2, 1, 1};
             Put(b, 0x28, 1u << 30, 8);
             Put(b, 0x3A, 64, 2);
             Put(b, 0x3C, 4, 2);
             b.resize(64, 0);
             return b;
         }()},
    };
    for (const Case& c : cases) {
        TMemoryStream s(c.bytes);
        EXPECT_EQ(LocateArchive(s), -1) << c.what;
    }
}

// A minimal 64-bit ELF file: header, program headers, sections and their table at chosen places.
struct ElfLayout {
    uint64_t phoff = 64, phnum = 2;
    uint64_t shoff = 0x300, shnum = 4;
    std::vector<std::pair<uint64_t, uint64_t>> segments = {{0, 0x200}, {0x200, 0x80}};
    struct Section {
        uint32_t type;
        uint64_t offset, size;
    };
    std::vector<Section> sections = {
        {0, 0, 0}, {1, 0x200, 0x80}, {8, 0x280, 0x10000}, {3, 0x280, 0x50}};
};

std::vector<uint8_t> Elf64(const ElfLayout& l) {
    std::vector<uint8_t> b(64, 0);
    b[0] = 0x7F;
    b[1] = 'E';
    b[2] = 'L';
    b[3] = 'F';
    b[4] = 2;
    b[5] = 1;
    b[6] = 1;
    Put(b, 0x20, l.phoff, 8);
    Put(b, 0x28, l.shoff, 8);
    Put(b, 0x36, 56, 2);
    Put(b, 0x38, l.phnum, 2);
    Put(b, 0x3A, 64, 2);
    Put(b, 0x3C, l.shnum, 2);
    for (size_t i = 0; i < l.segments.size(); ++i) {
        Put(b, l.phoff + 56 * i + 8, l.segments[i].first, 8);
        Put(b, l.phoff + 56 * i + 0x20, l.segments[i].second, 8);
    }
    for (size_t i = 0; i < l.sections.size(); ++i) {
        Put(b, l.shoff + 64 * i + 4, l.sections[i].type, 4);
        Put(b, l.shoff + 64 * i + 0x18, l.sections[i].offset, 8);
        Put(b, l.shoff + 64 * i + 0x20, l.sections[i].size, 8);
    }
    b.resize(std::max<size_t>(b.size(), l.shoff + 64 * l.shnum), 0);
    return b;
}

TEST(ArchiveLocator, ElfImagesEndAtTheirFurthestPart) {
    // Section table last; a NOBITS section "longer" than the file does not count.
    ElfLayout tableLast;
    std::vector<uint8_t> image = Elf64(tableLast);
    EXPECT_EQ(image.size(), 0x300u + 4 * 64);
    TMemoryStream bare(image);
    EXPECT_EQ(ElfImageEnd(bare), int64_t(image.size()));

    // A section after the table (as strip tools can leave it) moves the end.
    ElfLayout sectionLast = tableLast;
    sectionLast.sections[3] = {3, 0x400, 0x40};
    std::vector<uint8_t> image2 = Elf64(sectionLast);
    image2.resize(0x440, 0);
    TMemoryStream s2(image2);
    EXPECT_EQ(ElfImageEnd(s2), 0x440);

    TMemoryStream packed(Append(image2, kArchive));
    EXPECT_EQ(LocateArchive(packed), 0x440);
}

TEST(ArchiveLocator, FindsTheArchiveAfterTheRealPlayer) {
    auto player = platform::ReadWholeFile(test::BinDir() + "/TavriNovelRun");
    ASSERT_TRUE(player.has_value());
    TMemoryStream bare(*player);
    EXPECT_EQ(ElfImageEnd(bare), int64_t(player->size()));
    EXPECT_EQ(LocateArchive(bare), -1);
    TMemoryStream packed(Append(*player, kArchive));
    EXPECT_EQ(LocateArchive(packed), int64_t(player->size()));
}

}  // namespace
}  // namespace tavri
