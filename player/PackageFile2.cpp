#include "PackageFile2.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "ByteOrder.h"
#include "platform/TextEncoding.h"

namespace tavri {

const char kPackageMagic[kPackageMagicSize] = {'\x0C', 'P', 'a', 'c', 'k', 'a', 'g',
                                               'e',    'F', 'i', 'l', 'e', '2'};

TPackageEntry DecodePackageEntry(const uint8_t* record) {
    TPackageEntry e;
    e.Name.assign(reinterpret_cast<const char*>(record + 1), record[0]);
    e.Offset = LoadLE32(record + 256);
    e.Size = LoadLE32(record + 260);
    return e;
}

void EncodePackageEntry(const TPackageEntry& entry, uint8_t* record) {
    std::memset(record, 0, kPackageEntrySize);
    size_t length = std::min<size_t>(entry.Name.size(), 255);
    record[0] = static_cast<uint8_t>(length);
    std::memcpy(record + 1, entry.Name.data(), length);
    StoreLE32(record + 256, entry.Offset);
    StoreLE32(record + 260, entry.Size);
}

void TReadPackageFile::OpenStream(TStream& stream) {
    Opened = true;
    Stream = &stream;
    uint8_t magic[kPackageMagicSize] = {};
    stream.Read(magic, sizeof magic);
    // The stored length byte says how much to compare, so only 0x0C can ever match.
    if (std::memcmp(magic, kPackageMagic, kPackageMagicSize) != 0) {
        Close();
        messages_.Show(platform::Cp932("ヘッダエラー。データ形式が違います。"),
                       "TReadPackageFile.OpenStream", platform::MsgIcon::Warning,
                       platform::MsgButtons::Ok);
        return;
    }
    uint8_t countBytes[2] = {};
    stream.Read(countBytes, 2);
    Count = static_cast<int16_t>(countBytes[0] | countBytes[1] << 8);
    Entries.clear();
    upperNames_.clear();
    if (Count > 0) {
        // Zero-filled first, so records a short file could not supply read as empty.
        std::vector<uint8_t> directory(static_cast<size_t>(Count) * kPackageEntrySize, 0);
        stream.Read(directory.data(), directory.size());
        Entries.reserve(static_cast<size_t>(Count));
        upperNames_.reserve(static_cast<size_t>(Count));
        for (int i = 0; i < Count; ++i) {
            Entries.push_back(
                DecodePackageEntry(&directory[static_cast<size_t>(i) * kPackageEntrySize]));
            upperNames_.push_back(platform::AnsiUpperCase(Entries.back().Name));
        }
    }
    DataBase = stream.Position();
}

void TReadPackageFile::Close() {
    Entries.clear();
    upperNames_.clear();
    Count = 0;
    Opened = false;
}

TPackageEntry TReadPackageFile::GetEntry(int index) const {
    if (index < 0 || index >= Count || static_cast<size_t>(index) >= Entries.size()) {
        return TPackageEntry{"ERROR", -1, -1};
    }
    return Entries[static_cast<size_t>(index)];
}

int TReadPackageFile::IndexOf(const std::string& name) const {
    std::string query = platform::AnsiUpperCase(name);
    int found = -1;
    for (int i = 0; i < static_cast<int>(upperNames_.size()) && i < Count; ++i) {
        if (upperNames_[static_cast<size_t>(i)] == query) {
            found = i;
        }
    }
    return found;
}

bool TReadPackageFile::EntryReadable(int index) const {
    if (Stream == nullptr || index < 0 || index >= static_cast<int>(Entries.size())) {
        return false;
    }
    const TPackageEntry& e = Entries[static_cast<size_t>(index)];
    if (e.Offset < 0 || e.Size < 0) {
        return false;
    }
    int64_t end = DataBase + int64_t(e.Offset) + int64_t(e.Size);
    return end <= Stream->Size();
}

TStream* TReadPackageFile::SeekEntry(const std::string& name) {
    int index = IndexOf(name);
    if (index < 0 || !EntryReadable(index)) {
        return nullptr;
    }
    Stream->Seek(DataBase + Entries[static_cast<size_t>(index)].Offset,
                 platform::SeekOrigin::Begin);
    return Stream;
}

int64_t TReadPackageFile::EntryPosition(const std::string& name) const {
    int index = IndexOf(name);
    if (index < 0 || !EntryReadable(index)) {
        return -1;
    }
    return DataBase + Entries[static_cast<size_t>(index)].Offset;
}

bool TReadPackageFile::ReadEntry(const std::string& name, std::vector<uint8_t>& bytes) {
    TStream* s = SeekEntry(name);
    if (s == nullptr) {
        return false;
    }
    TPackageEntry e = GetEntry(IndexOf(name));
    bytes.assign(static_cast<size_t>(e.Size), 0);
    return s->Read(bytes.data(), bytes.size()) == bytes.size();
}

std::vector<uint8_t> BuildPackage(const std::vector<TPackageWriterEntry>& entries) {
    if (entries.size() > 32767) {
        throw std::invalid_argument("an archive holds at most 32767 entries");
    }
    std::vector<uint8_t> out(kPackageHeaderSize + entries.size() * kPackageEntrySize, 0);
    std::memcpy(out.data(), kPackageMagic, kPackageMagicSize);
    out[13] = static_cast<uint8_t>(entries.size());
    out[14] = static_cast<uint8_t>(entries.size() >> 8);
    int64_t offset = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        const TPackageWriterEntry& e = entries[i];
        if (e.Name.size() > 255) {
            throw std::invalid_argument("the archive name \"" + platform::Cp932ToUtf8(e.Name) +
                                        "\" is longer than 255 bytes");
        }
        if (offset + int64_t(e.Data.size()) > INT32_MAX) {
            throw std::invalid_argument("an archive holds at most 2 GiB of data");
        }
        EncodePackageEntry(
            {e.Name, static_cast<int32_t>(offset), static_cast<int32_t>(e.Data.size())},
            &out[kPackageHeaderSize + i * kPackageEntrySize]);
        offset += static_cast<int64_t>(e.Data.size());
    }
    out.reserve(out.size() + static_cast<size_t>(offset));
    for (const TPackageWriterEntry& e : entries) {
        out.insert(out.end(), e.Data.begin(), e.Data.end());
    }
    return out;
}

}  // namespace tavri
