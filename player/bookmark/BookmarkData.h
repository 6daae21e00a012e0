#pragma once

// A reader's bookmarks, as one ".qkb" file keeps them: up to 50 records, each the place in the
// novel (item, text position, counters, sprites, background, music, sound) and what the bookmark
// screen shows for it. The layout is shared with the novels' Windows player, so a file copied
// between the two keeps its bookmarks; it is read and written field by field, little-endian.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "graphics/SpriteLayer.h"
#include "platform/Stream.h"
#include "scenario/NovelData.h"

namespace tavri {

inline constexpr int kMaxBookmarks = 50;
inline constexpr uint16_t kBookmarkRecordVersion = 4;
inline constexpr int32_t kBookmarkFileVersion = 4;
inline constexpr int kBookmarkSignatureCapacity = 32;
inline constexpr char kBookmarkSignature[] = "TavriNovel BookMarkFile";
// The file's head (signature, version, count) and a version-4 record without counters.
inline constexpr size_t kBookmarkFileHeadSize = 41;
inline constexpr size_t kBookmarkRecordBaseSize = 5328;

struct TSavedCursor {
    int32_t Column = 1;
    int32_t Line = 0;
    bool operator==(const TSavedCursor&) const = default;
};

class TBookmarkData {
  public:
    TBookmarkData() = default;
    TBookmarkData(const TBookmarkData&) = delete;
    TBookmarkData& operator=(const TBookmarkData&) = delete;

    // Writes record version 4 (and sets RecordVersion to it), the reserved text empty.
    void SaveToStream(platform::TStream& s);
    // Reads the fields the stored record version holds; the others keep a new record's values.
    // Throws when the stream ends inside the record; the record is then left half read.
    void LoadFromStream(platform::TStream& s);
    // Every field of `other`, copied.
    void Assign(const TBookmarkData& other);

    uint16_t RecordVersion = 0;
    std::string ItemName;  // cp932, at most 255 bytes stored
    TSavedCursor SavedCursor;
    CNovelCounters CounterTable;
    std::string BackgroundName, MidiName, SoundName;  // at most 128 bytes stored each
    TSpriteLayer Sprites{false};
    int32_t ReservedNumber = 0;  // carried through unchanged
    std::string BgmName;
    double SavedAt = 0;  // days since 1899-12-30, the time of day as the fraction
    std::string EntryTitle, EntryDate;
    int32_t ReadingCount = 0;
    int32_t PageNumber = 0;  // below 0: taken at the end of the novel
};

// How much of a stream LoadFromStream could take.
enum class TBookmarkLoad : uint8_t {
    Whole,     // every record the file announced
    CutShort,  // the file ended (or a length ran past its end) inside a record
    TooMany,   // more than 50 records announced; the first 50 were kept
};

class TBookmarkList {
  public:
    TBookmarkList() = default;
    TBookmarkList(const TBookmarkList&) = delete;
    TBookmarkList& operator=(const TBookmarkList&) = delete;
    TBookmarkList(TBookmarkList&&) = default;
    TBookmarkList& operator=(TBookmarkList&&) = default;

    int32_t Count() const { return count_; }
    bool Full() const { return count_ >= kMaxBookmarks; }
    // 0 <= index < Count().
    TBookmarkData& operator[](int32_t index) { return *bookmarks_[size_t(index)]; }
    const TBookmarkData& operator[](int32_t index) const { return *bookmarks_[size_t(index)]; }

    // A new record in slot Count(); null when the list is full.
    TBookmarkData* Add();
    // Ignored unless 0 <= index < Count(); the records after it move one slot to the front.
    void Delete(int32_t index);
    void Clear();

    void SaveToStream(platform::TStream& s) const;
    // Replaces the list with the records the stream holds whole (a record cut short is dropped;
    // records beyond the 50th are ignored). Never throws for what the stream holds.
    TBookmarkLoad LoadFromStream(platform::TStream& s);

  private:
    int32_t count_ = 0;
    std::array<std::unique_ptr<TBookmarkData>, kMaxBookmarks> bookmarks_;
};

}  // namespace tavri
