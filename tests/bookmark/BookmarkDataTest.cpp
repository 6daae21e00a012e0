// The bookmark file: its sizes, every record version a file can hold, and damaged files that
// must load what they hold whole and nothing else.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "bookmark/BookmarkData.h"
#include "bookmark/BookmarkWriter.h"
#include "platform/Stream.h"

namespace tavri::test {
namespace {

std::vector<uint8_t> Saved(const TBookmarkList& list) {
    platform::TMemoryStream stream;
    list.SaveToStream(stream);
    return stream.Bytes();
}

TBookmarkLoad Load(TBookmarkList& list, std::vector<uint8_t> bytes) {
    platform::TMemoryStream stream(std::move(bytes));
    return list.LoadFromStream(stream);
}

TNovelCounter Counter(const std::string& name, int32_t value, uint8_t flag = 0) {
    TNovelCounter c;
    c.Name = name;
    c.Value = value;
    c.Minimum = -5;
    c.Maximum = 99;
    c.PersistentFlag = flag;
    return c;
}

TEST(BookmarkFile, SizesAndTheHeadAsTheFormatLaysThemOut) {
    TBookmarkList list;
    std::vector<uint8_t> empty = Saved(list);
    TBookmarkWriter head;
    head.Head(0);
    EXPECT_EQ(empty.size(), kBookmarkFileHeadSize);
    EXPECT_EQ(empty, head.Bytes);  // signature padded with spaces, version 4, count 0

    list.Add();
    EXPECT_EQ(Saved(list).size(), kBookmarkFileHeadSize + kBookmarkRecordBaseSize);  // 5,369
    EXPECT_EQ(list[0].RecordVersion, 4);
    list[0].CounterTable.Entries[0] = Counter("abc", 1);
    list[0].CounterTable.Count = 1;
    EXPECT_EQ(Saved(list).size(), kBookmarkFileHeadSize + kBookmarkRecordBaseSize + 17 + 3);
}

TEST(BookmarkFile, EveryFieldRoundTripsAndAgainByteForByte) {
    TBookmarkList list;
    for (int i = 0; i < 3; ++i) {
        TBookmarkData& b = *list.Add();
        b.ItemName = std::string(255, char('a' + i));
        b.SavedCursor = {7 + i, 12};
        b.CounterTable.Entries[0] = Counter("kept", 50, 1);
        b.CounterTable.Entries[1] = Counter("\x83\x5c", -3);  // a name ending in a 0x5C byte
        b.CounterTable.Count = 2;
        b.BackgroundName = "bg " + std::to_string(i) + ".bmp";
        b.MidiName = "song, one.mid";
        b.SoundName = std::string(128, 's');
        // A data-only layer takes its slots as they are given.
        b.Sprites.Names[3] = "girl";
        b.Sprites.FileNames[3] = "girl.png";
        b.Sprites.Positions[3] = {-10, 400};
        b.Sprites.Names[15] = "boy";
        b.ReservedNumber = 1000 + i;
        b.BgmName = "theme.ogg";
        b.SavedAt = 46366.123456789;
        b.EntryTitle = "title";
        b.EntryDate = "2026/12/10 9:05.07";
        b.ReadingCount = 2;
        b.PageNumber = i == 2 ? -1 : 12;
    }
    const std::vector<uint8_t> bytes = Saved(list);
    TBookmarkList back;
    ASSERT_EQ(Load(back, bytes), TBookmarkLoad::Whole);
    ASSERT_EQ(back.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        const TBookmarkData& b = back[i];
        EXPECT_EQ(b.ItemName, std::string(255, char('a' + i)));
        EXPECT_EQ(b.SavedCursor, (TSavedCursor{7 + i, 12}));
        ASSERT_EQ(b.CounterTable.Count, 2);
        EXPECT_EQ(b.CounterTable.Entries[1].Name, "\x83\x5c");
        EXPECT_EQ(b.CounterTable.Entries[0].PersistentFlag, 1);
        EXPECT_EQ(b.CounterTable.Entries[1].Minimum, -5);
        EXPECT_EQ(b.MidiName, "song, one.mid");
        EXPECT_EQ(b.SoundName, std::string(128, 's'));
        EXPECT_EQ(b.Sprites.FileNames[3], "girl.png");
        EXPECT_EQ(b.Sprites.Positions[3], (TSpritePosition{-10, 400}));
        EXPECT_EQ(b.Sprites.Names[15], "boy");
        EXPECT_EQ(b.ReservedNumber, 1000 + i);
        EXPECT_EQ(b.BgmName, "theme.ogg");
        EXPECT_EQ(b.SavedAt, 46366.123456789);
        EXPECT_EQ(b.EntryDate, "2026/12/10 9:05.07");
        EXPECT_EQ(b.PageNumber, i == 2 ? -1 : 12);
    }
    EXPECT_EQ(Saved(back), bytes);
}

// Records as every version of the format wrote them, read by the code under test.
TEST(BookmarkFile, RecordsOfEveryVersionLoadAndAreWrittenBackAsVersionFour) {
    struct Case {
        uint16_t version;
        std::string reservedText;
        int32_t reservedNumber;
        std::string bgm;
        // What loads: fields a version lacks keep a new record's values.
        int32_t expectedNumber;
        std::string expectedBgm;
    } cases[] = {
        {1, "", 77, "a.ogg", 0, ""},
        {2, "left over by an old editor", 77, "a.ogg", 0, ""},
        {3, "", 77, "a.ogg", 77, ""},
        {4, "x", 77, "a.ogg", 77, "a.ogg"},
    };
    for (const Case& c : cases) {
        TRawBookmark raw;
        raw.Version = c.version;
        raw.ReservedText = c.reservedText;
        raw.ReservedNumber = c.reservedNumber;
        raw.Bgm = c.bgm;
        raw.Counters = {{"n", 4, 0, 9, 1}};
        raw.Title = "t";
        TBookmarkWriter file;
        file.Head(2, 3);  // a file version the reader does not check
        file.Record(raw);
        raw.Item = "second";
        file.Record(raw);
        TBookmarkList list;
        ASSERT_EQ(Load(list, file.Bytes), TBookmarkLoad::Whole) << c.version;
        ASSERT_EQ(list.Count(), 2) << c.version;
        EXPECT_EQ(list[1].ItemName, "second") << c.version;  // the records stayed aligned
        EXPECT_EQ(list[0].ReservedNumber, c.expectedNumber) << c.version;
        EXPECT_EQ(list[0].BgmName, c.expectedBgm) << c.version;
        EXPECT_EQ(list[0].CounterTable.Entries[0].Value, 4) << c.version;

        // Written again: version 4, an empty reserved text, the number carried.
        const std::vector<uint8_t> again = Saved(list);
        TRawBookmark expected = raw;
        expected.Version = 4;
        expected.Item = "start";
        expected.ReservedText.clear();
        expected.ReservedNumber = c.expectedNumber;
        expected.Bgm = c.expectedBgm;
        TBookmarkWriter first;
        first.Record(expected);
        ASSERT_GE(again.size(), kBookmarkFileHeadSize + first.Bytes.size());
        std::vector<uint8_t> written(
            again.begin() + kBookmarkFileHeadSize,
            again.begin() + long(kBookmarkFileHeadSize) + long(first.Bytes.size()));
        // The item's filler is written as held (zero here), the rest byte for byte.
        for (size_t i = 3 + expected.Item.size(); i < 258; ++i) {
            first.Bytes[i] = 0;
        }
        EXPECT_EQ(written, first.Bytes) << c.version;
    }
}

TEST(BookmarkFile, OverlongAndOddCountsStayInsideTheTables) {
    TRawBookmark plain;
    plain.Title = "plain";

    // 52 records announced and present: the first 50 are kept.
    TBookmarkWriter many;
    many.Head(52);
    for (int i = 0; i < 52; ++i) {
        plain.ReadingCount = i;
        many.Record(plain);
    }
    TBookmarkList list;
    EXPECT_EQ(Load(list, many.Bytes), TBookmarkLoad::TooMany);
    EXPECT_EQ(list.Count(), 50);
    EXPECT_EQ(list[49].ReadingCount, 49);
    EXPECT_EQ(list.Add(), nullptr);

    // 300 counters in a record: 256 kept, the next record still read in its place.
    TRawBookmark crowded;
    for (int i = 0; i < 300; ++i) {
        crowded.Counters.push_back({"c" + std::to_string(i), i, 0, 1000, 0});
    }
    TBookmarkWriter wide;
    wide.Head(2);
    wide.Record(crowded);
    wide.Record(plain);
    ASSERT_EQ(Load(list, wide.Bytes), TBookmarkLoad::Whole);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[0].CounterTable.Count, 256);
    EXPECT_EQ(list[0].CounterTable.Entries[255].Name, "c255");
    EXPECT_EQ(list[1].EntryTitle, "plain");

    // Negative counts hold nothing; a length byte above its field's capacity is cut to it.
    TRawBookmark odd = plain;
    odd.CounterCountOverride = -4;
    odd.Background = std::string(128, 'b');
    odd.ShortLengthOverride = 200;
    TBookmarkWriter negative;
    negative.Head(-1);
    EXPECT_EQ(Load(list, negative.Bytes), TBookmarkLoad::Whole);
    EXPECT_EQ(list.Count(), 0);
    TBookmarkWriter oddRecord;
    oddRecord.Head(1);
    oddRecord.Record(odd);
    ASSERT_EQ(Load(list, oddRecord.Bytes), TBookmarkLoad::Whole);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0].CounterTable.Count, 0);
    EXPECT_EQ(list[0].BackgroundName, std::string(128, 'b'));
}

TEST(BookmarkFile, AFileCutShortOrDamagedKeepsTheRecordsReadWhole) {
    TRawBookmark raw;
    raw.Counters = {{"kept", 1, 0, 9, 1}};
    raw.ReservedText = "note";
    TBookmarkWriter file;
    file.Head(3);
    std::vector<size_t> ends;
    for (int i = 0; i < 3; ++i) {
        file.Record(raw);
        ends.push_back(file.Bytes.size());
    }
    // Every cut: only the records that end before it.
    for (size_t cut = 0; cut < file.Bytes.size(); cut += 13) {
        TBookmarkList list;
        const std::vector<uint8_t> part(file.Bytes.begin(), file.Bytes.begin() + long(cut));
        EXPECT_EQ(Load(list, part), TBookmarkLoad::CutShort) << cut;
        const int whole =
            int(std::count_if(ends.begin(), ends.end(), [&](size_t end) { return end <= cut; }));
        EXPECT_EQ(list.Count(), whole) << cut;
    }

    // Lengths that run past the data: a counter's name, the reserved text, a counter count.
    const size_t counterName = kBookmarkFileHeadSize + 2 + 256 + 8 + 8;
    const size_t reserved = ends[0] - 129 - 4 - 4 - 4;  // L, "note", number, music
    struct Damage {
        const char* what;
        size_t offset;
        int32_t value;
    } damages[] = {
        {"counter name length beyond the file", counterName, 0x7FFFFFF0},
        {"negative counter name length", counterName, -2},
        {"counter count beyond the file", counterName - 4, 1 << 30},
        {"reserved text beyond the file", reserved, 0x7FFFFFFF},
        {"negative reserved text", reserved, -1},
    };
    for (const Damage& d : damages) {
        std::vector<uint8_t> bytes = file.Bytes;
        for (int i = 0; i < 4; ++i) {
            bytes[d.offset + size_t(i)] = uint8_t(uint32_t(d.value) >> (8 * i));
        }
        TBookmarkList list;
        EXPECT_EQ(Load(list, bytes), TBookmarkLoad::CutShort) << d.what;
        EXPECT_EQ(list.Count(), 0) << d.what;
    }

    // Not a bookmark file at all: whatever it holds, nothing is read outside it.
    std::mt19937 random(11);
    for (int round = 0; round < 50; ++round) {
        std::vector<uint8_t> noise(size_t(random() % 12000));
        for (uint8_t& byte : noise) {
            byte = uint8_t(random());
        }
        TBookmarkList list;
        Load(list, noise);
        EXPECT_LE(list.Count(), kMaxBookmarks);
    }
}

TEST(BookmarkList, DeleteMovesTheRestForwardAndIgnoresBadIndices) {
    TBookmarkList list;
    for (int i = 0; i < 3; ++i) {
        list.Add()->ReadingCount = i + 1;
    }
    list.Delete(-1);
    list.Delete(3);
    EXPECT_EQ(list.Count(), 3);
    list.Delete(0);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[0].ReadingCount, 2);
    EXPECT_EQ(list[1].ReadingCount, 3);
    TBookmarkData* added = list.Add();  // lands in the freed last slot
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->ReadingCount, 0);
    EXPECT_EQ(added->SavedCursor, (TSavedCursor{1, 0}));
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

}  // namespace
}  // namespace tavri::test
