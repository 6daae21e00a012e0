#pragma once

// The archive appended to a finished novel's executable: a flat directory of named entries
// followed by their bytes, read by seeking in the file that holds it.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/MessageBox.h"
#include "platform/Stream.h"

namespace tavri {

using platform::TStream;

constexpr size_t kPackageMagicSize = 13;
constexpr size_t kPackageEntrySize = 264;
constexpr size_t kPackageHeaderSize = kPackageMagicSize + 2;
extern const char kPackageMagic[kPackageMagicSize];  // "\x0C" "PackageFile2"

struct TPackageEntry {
    std::string Name;  // cp932, at most 255 bytes
    int32_t Offset = 0;
    int32_t Size = 0;
};

class TReadPackageFile {
  public:
    // The warning for a bad magic goes to `messages`; it must outlive the reader.
    explicit TReadPackageFile(platform::IMessageBoxService& messages) : messages_(messages) {}
    ~TReadPackageFile() { Close(); }
    TReadPackageFile(const TReadPackageFile&) = delete;
    TReadPackageFile& operator=(const TReadPackageFile&) = delete;

    // `stream` is borrowed and must stay at its position's file until Close.
    void OpenStream(TStream& stream);
    void Close();
    TPackageEntry GetEntry(int index) const;
    int IndexOf(const std::string& name) const;
    TStream* SeekEntry(const std::string& name);
    int64_t EntryPosition(const std::string& name) const;

    // An entry whose bytes lie wholly inside the file: anything else is treated as missing by
    // every consumer rather than trusted.
    bool EntryReadable(int index) const;
    // The whole entry, or false when it is missing or unreadable.
    bool ReadEntry(const std::string& name, std::vector<uint8_t>& bytes);

    bool Opened = false;
    TStream* Stream = nullptr;
    int64_t DataBase = 0;
    int16_t Count = 0;
    std::vector<TPackageEntry> Entries;

  private:
    platform::IMessageBoxService& messages_;
    // Upper-cased once at open: lookups compare every record, and a package may hold thousands.
    std::vector<std::string> upperNames_;
};

// Writer used by the authoring tool and the tests: directory then data, back to back.
struct TPackageWriterEntry {
    std::string Name;  // cp932
    std::vector<uint8_t> Data;
};
// Throws std::invalid_argument when a name is longer than 255 bytes, there are more than
// 32767 entries, or the data would not fit the signed 32-bit offsets.
std::vector<uint8_t> BuildPackage(const std::vector<TPackageWriterEntry>& entries);

// One directory record as stored; exposed for the writer and the tests.
TPackageEntry DecodePackageEntry(const uint8_t* record);
void EncodePackageEntry(const TPackageEntry& entry, uint8_t* record);

}  // namespace tavri
