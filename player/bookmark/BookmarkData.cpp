#include "bookmark/BookmarkData.h"

#include <cstring>
#include <exception>

#include "ByteOrder.h"

namespace tavri {

using namespace scenario_io;

namespace {

// The least a counter entry takes: name length, three values and the flag.
constexpr int64_t kCounterEntryMinimum = 17;

class EBookmarkCutShort : public std::exception {
  public:
    const char* what() const noexcept override { return "the bookmark file ends inside a record"; }
};

void ReadExact(TStream& s, void* buffer, size_t count) {
    if (s.Read(buffer, count) != count) {
        throw EBookmarkCutShort();
    }
}

// Reading: every field is taken from the stream; a short stream (or a length running past its
// end, which the field readers refuse) ends the record.
struct TRecordReader {
    TStream& s;
    void Word(uint16_t& v) {
        uint8_t b[2];
        ReadExact(s, b, 2);
        v = uint16_t(b[0] | b[1] << 8);
    }
    void Int(int32_t& v) {
        uint8_t b[4];
        ReadExact(s, b, 4);
        v = LoadLE32(b);
    }
    void Short(std::string& v, int capacity) { v = ReadShortString(s, capacity); }
    void Double(double& v) {
        uint8_t b[8];
        ReadExact(s, b, 8);
        uint64_t bits = 0;
        for (int i = 7; i >= 0; --i) {
            bits = bits << 8 | b[i];
        }
        std::memcpy(&v, &bits, sizeof v);
    }
    // Counters past the table's 256 are read and dropped, so the records after stay aligned;
    // a count below 0 holds none.
    void Counters(CNovelCounters& table) {
        int32_t version = 0, count = 0;
        Int(version);
        Int(count);
        if (count > 0 && count > s.Remaining() / kCounterEntryMinimum) {
            throw EBookmarkCutShort();
        }
        table.Clear();
        for (int32_t i = 0; i < count; ++i) {
            const TNovelCounter counter = ReadCounter(s);
            if (table.Count < kMaxCounters) {
                table.Entries[size_t(table.Count++)] = counter;
            }
        }
    }
    void Sprites(TSpriteLayer& layer) { layer.LoadFromStream(s); }
    // Read past without keeping it: its length may be anything the file says.
    void ReservedText() {
        int32_t length = 0;
        Int(length);
        if (length < 0 || length > s.Remaining()) {
            throw EBookmarkCutShort();
        }
        s.Seek(length, platform::SeekOrigin::Current);
    }
};

struct TRecordWriter {
    TStream& s;
    void Word(uint16_t v) {
        const uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
        s.WriteBuffer(b, 2);
    }
    void Int(int32_t v) { WriteInt32(s, v); }
    void Short(const std::string& v, int capacity) { WriteShortString(s, v, capacity); }
    void Double(double v) {
        uint64_t bits = 0;
        std::memcpy(&bits, &v, sizeof v);
        uint8_t b[8];
        for (int i = 0; i < 8; ++i) {
            b[i] = uint8_t(bits >> (8 * i));
        }
        s.WriteBuffer(b, 8);
    }
    void Counters(const CNovelCounters& table) { table.SaveToStream(s); }
    void Sprites(const TSpriteLayer& layer) { layer.SaveToStream(s); }
    void ReservedText() { WriteInt32(s, 0); }
};

// The record in file order, one list for both directions. The reserved number and the
// background music come last because later record versions added them.
template <typename Record, typename Io>
void VisitRecord(Record& r, Io&& io) {
    io.Word(r.RecordVersion);
    io.Short(r.ItemName, 255);
    io.Int(r.SavedCursor.Column);
    io.Int(r.SavedCursor.Line);
    io.Counters(r.CounterTable);
    io.Short(r.BackgroundName, 128);
    io.Short(r.MidiName, 128);
    io.Short(r.SoundName, 128);
    io.Sprites(r.Sprites);
    io.Double(r.SavedAt);
    io.Short(r.EntryTitle, 128);
    io.Short(r.EntryDate, 128);
    io.Int(r.ReadingCount);
    io.Int(r.PageNumber);
    if (r.RecordVersion >= 2) {
        io.ReservedText();
    }
    if (r.RecordVersion >= 3) {
        io.Int(r.ReservedNumber);
    }
    if (r.RecordVersion >= 4) {
        io.Short(r.BgmName, 128);
    }
}

}  // namespace

void TBookmarkData::SaveToStream(TStream& s) {
    RecordVersion = kBookmarkRecordVersion;
    VisitRecord(*this, TRecordWriter{s});
}

void TBookmarkData::LoadFromStream(TStream& s) {
    VisitRecord(*this, TRecordReader{s});
}

void TBookmarkData::Assign(const TBookmarkData& other) {
    RecordVersion = other.RecordVersion;
    ItemName = other.ItemName;
    SavedCursor = other.SavedCursor;
    CounterTable.Assign(other.CounterTable);
    BackgroundName = other.BackgroundName;
    MidiName = other.MidiName;
    SoundName = other.SoundName;
    Sprites.Assign(other.Sprites);
    ReservedNumber = other.ReservedNumber;
    BgmName = other.BgmName;
    SavedAt = other.SavedAt;
    EntryTitle = other.EntryTitle;
    EntryDate = other.EntryDate;
    ReadingCount = other.ReadingCount;
    PageNumber = other.PageNumber;
}

TBookmarkData* TBookmarkList::Add() {
    if (Full()) {
        return nullptr;
    }
    bookmarks_[size_t(count_)] = std::make_unique<TBookmarkData>();
    return bookmarks_[size_t(count_++)].get();
}

void TBookmarkList::Delete(int32_t index) {
    if (index < 0 || index >= count_) {
        return;
    }
    for (int32_t i = index; i + 1 < count_; ++i) {
        bookmarks_[size_t(i)] = std::move(bookmarks_[size_t(i) + 1]);
    }
    bookmarks_[size_t(--count_)].reset();
}

void TBookmarkList::Clear() {
    for (auto& bookmark : bookmarks_) {
        bookmark.reset();
    }
    count_ = 0;
}

void TBookmarkList::SaveToStream(TStream& s) const {
    // The signature's field is padded with spaces, not the zero bytes of other short strings.
    std::string head(kBookmarkSignatureCapacity + 1, ' ');
    head[0] = char(sizeof kBookmarkSignature - 1);
    head.replace(1, sizeof kBookmarkSignature - 1, kBookmarkSignature);
    s.WriteBuffer(head.data(), head.size());
    WriteInt32(s, kBookmarkFileVersion);
    WriteInt32(s, count_);
    for (int32_t i = 0; i < count_; ++i) {
        bookmarks_[size_t(i)]->SaveToStream(s);
    }
}

TBookmarkLoad TBookmarkList::LoadFromStream(TStream& s) {
    Clear();
    // Neither the signature nor the file version is checked, so that every writer's files load.
    int32_t fileVersion = 0, count = 0;
    try {
        TRecordReader reader{s};
        std::string signature;
        reader.Short(signature, kBookmarkSignatureCapacity);
        reader.Int(fileVersion);
        reader.Int(count);
    } catch (const std::exception&) {
        return TBookmarkLoad::CutShort;
    }
    for (int32_t i = 0; i < count && i < kMaxBookmarks; ++i) {
        auto record = std::make_unique<TBookmarkData>();
        try {
            record->LoadFromStream(s);
        } catch (const std::exception&) {
            return TBookmarkLoad::CutShort;
        }
        bookmarks_[size_t(count_++)] = std::move(record);
    }
    return count > kMaxBookmarks ? TBookmarkLoad::TooMany : TBookmarkLoad::Whole;
}

}  // namespace tavri
