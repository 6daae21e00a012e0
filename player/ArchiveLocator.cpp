#include "ArchiveLocator.h"

#include <algorithm>
#include <cstring>

#include "PackageFile2.h"

namespace tavri {

namespace {

using platform::SeekOrigin;
using platform::TStream;

bool ReadAt(TStream& s, int64_t position, void* buffer, size_t count) {
    return position >= 0 && s.Seek(position, SeekOrigin::Begin) == position &&
           s.Read(buffer, count) == count;
}

uint64_t LittleEndian(const uint8_t* p, size_t bytes) {
    uint64_t v = 0;
    for (size_t i = bytes; i > 0; --i) {
        v = v << 8 | p[i - 1];
    }
    return v;
}

}  // namespace

int64_t PeImageEnd(TStream& exe) {
    uint8_t mz[2];
    if (!ReadAt(exe, 0, mz, 2) || mz[0] != 'M' || mz[1] != 'Z') {
        return -1;
    }
    uint8_t h[2];
    if (!ReadAt(exe, 60, h, 2)) {
        return -1;
    }
    // Only the low 16 bits of the header offset count, as the original loader did.
    int64_t header = static_cast<int64_t>(LittleEndian(h, 2));
    uint8_t pe[2];
    if (!ReadAt(exe, header, pe, 2) || pe[0] != 'P' || pe[1] != 'E') {
        return -1;
    }
    uint8_t sections;
    if (!ReadAt(exe, header + 6, &sections, 1)) {
        return -1;
    }
    // The last section entry, at the fixed distance of a 32-bit optional header.
    int64_t entry = header + 248 + 40 * (int64_t(sections) - 1);
    uint8_t raw[8];
    if (!ReadAt(exe, entry + 16, raw, 8)) {
        return -1;
    }
    return static_cast<int64_t>(LittleEndian(raw, 4) + LittleEndian(raw + 4, 4));
}

int64_t PeFurthestSectionEnd(TStream& exe) {
    uint8_t mz[2], h[2];
    if (!ReadAt(exe, 0, mz, 2) || mz[0] != 'M' || mz[1] != 'Z' || !ReadAt(exe, 60, h, 2)) {
        return -1;
    }
    const int64_t header = static_cast<int64_t>(LittleEndian(h, 2));
    uint8_t file[24];
    if (!ReadAt(exe, header, file, sizeof file) || std::memcmp(file, "PE\0\0", 4) != 0) {
        return -1;
    }
    const uint64_t sections = LittleEndian(file + 6, 2);
    const uint64_t optionalHeaderSize = LittleEndian(file + 20, 2);
    const int64_t table = header + 24 + int64_t(optionalHeaderSize);
    const int64_t fileSize = exe.Size();
    int64_t end = -1;
    for (uint64_t i = 0; i < sections; ++i) {
        uint8_t raw[8];
        if (!ReadAt(exe, table + 40 * int64_t(i) + 16, raw, sizeof raw)) {
            return -1;
        }
        // Sizes and positions are 32 bits each, so the sum fits 64 bits; a section said to lie
        // past the file's end belongs to no file we can read.
        const int64_t sectionEnd = int64_t(LittleEndian(raw, 4) + LittleEndian(raw + 4, 4));
        if (LittleEndian(raw, 4) == 0) {
            continue;
        }
        if (sectionEnd > fileSize) {
            return -1;
        }
        end = std::max(end, sectionEnd);
    }
    return end;
}

int64_t ElfImageEnd(TStream& exe) {
    uint8_t ident[64] = {};
    if (!ReadAt(exe, 0, ident, 52) ||
        std::memcmp(ident,
                    "\x7F"
                    "ELF",
                    4) != 0 ||
        ident[5] != 1) {
        return -1;
    }
    bool wide = ident[4] == 2;
    if (!wide && ident[4] != 1) {
        return -1;
    }
    if (wide && !ReadAt(exe, 0, ident, 64)) {
        return -1;
    }
    const int64_t fileSize = exe.Size();
    auto field = [&](const uint8_t* base, size_t off32, size_t off64, size_t size32,
                     size_t size64) {
        return wide ? LittleEndian(base + off64, size64) : LittleEndian(base + off32, size32);
    };
    uint64_t phoff = field(ident, 0x1C, 0x20, 4, 8);
    uint64_t shoff = field(ident, 0x20, 0x28, 4, 8);
    uint64_t phentsize = field(ident, 0x2A, 0x36, 2, 2);
    uint64_t phnum = field(ident, 0x2C, 0x38, 2, 2);
    uint64_t shentsize = field(ident, 0x2E, 0x3A, 2, 2);
    uint64_t shnum = field(ident, 0x30, 0x3C, 2, 2);
    uint64_t end = wide ? 64 : 52;

    // Every size here is at most 64 Ki entries of 64 KiB, so the sums cannot overflow 64 bits
    // before they are compared with the file size.
    auto extend = [&](uint64_t offset, uint64_t size) {
        if (offset > uint64_t(fileSize) || size > uint64_t(fileSize) - offset) {
            return false;
        }
        end = std::max(end, offset + size);
        return true;
    };
    std::vector<uint8_t> record;
    if (shoff != 0 && shentsize >= (wide ? 64u : 40u)) {
        record.resize(shentsize);
        if (shnum == 0) {
            // Extended numbering: the real count sits in the first section's size field.
            if (!ReadAt(exe, int64_t(shoff), record.data(), shentsize)) {
                return -1;
            }
            shnum = field(record.data(), 0x14, 0x20, 4, 8);
            if (shnum > uint64_t(fileSize) / shentsize) {
                return -1;
            }
        }
        if (!extend(shoff, shnum * shentsize)) {
            return -1;
        }
        for (uint64_t i = 0; i < shnum; ++i) {
            if (!ReadAt(exe, int64_t(shoff + i * shentsize), record.data(), shentsize)) {
                return -1;
            }
            uint64_t type = LittleEndian(record.data() + 4, 4);
            constexpr uint64_t kNoBits = 8;
            if (type != kNoBits && type != 0 &&
                !extend(field(record.data(), 0x10, 0x18, 4, 8),
                        field(record.data(), 0x14, 0x20, 4, 8))) {
                return -1;
            }
        }
    }
    if (phoff != 0 && phentsize >= (wide ? 56u : 32u)) {
        record.resize(phentsize);
        if (!extend(phoff, phnum * phentsize)) {
            return -1;
        }
        for (uint64_t i = 0; i < phnum; ++i) {
            if (!ReadAt(exe, int64_t(phoff + i * phentsize), record.data(), phentsize)) {
                return -1;
            }
            if (!extend(field(record.data(), 0x04, 0x08, 4, 8),
                        field(record.data(), 0x10, 0x20, 4, 8))) {
                return -1;
            }
        }
    }
    return static_cast<int64_t>(end);
}

int64_t ImageEnd(TStream& exe) {
    int64_t end = PeImageEnd(exe);
    return end >= 0 ? end : ElfImageEnd(exe);
}

namespace {

bool ArchiveAt(TStream& exe, int64_t candidate) {
    uint8_t head[16];
    return candidate >= 0 && ReadAt(exe, candidate, head, sizeof head) &&
           std::memcmp(head, kPackageMagic, kPackageMagicSize) == 0;
}

}  // namespace

int64_t LocateArchive(TStream& exe) {
    const int64_t candidate = ImageEnd(exe);
    if (ArchiveAt(exe, candidate)) {
        return candidate;
    }
    // The fixed distance assumes a 32-bit optional header; a 64-bit image keeps its section
    // table further on, where its own header says.
    const int64_t furthest = PeFurthestSectionEnd(exe);
    return ArchiveAt(exe, furthest) ? furthest : -1;
}

}  // namespace tavri
