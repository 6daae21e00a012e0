// What a placed bookmark stores besides the reading position: its title, its date text and
// its date value.

#include <gtest/gtest.h>

#include "platform/TextEncoding.h"
#include "run/BookmarkPosition.h"

namespace tavri::test {
namespace {

using platform::Cp932;

TEST(BookmarkPosition, EntryTitles) {
    EXPECT_EQ(BookmarkEntryTitle(1, 12), Cp932("1回目 12ページ"));
    EXPECT_EQ(BookmarkEntryTitle(2, 7), Cp932("2回目 7ページ"));
    EXPECT_EQ(BookmarkEntryTitle(2, 0), Cp932("2回目 0ページ"));
    EXPECT_EQ(BookmarkEntryTitle(2, -1), Cp932("2回目 クリア"));
}

TEST(BookmarkPosition, DateTextAndValue) {
    struct Case {
        platform::TLocalTime time;
        const char* text;
        double value;
    } cases[] = {
        {{1899, 12, 30, 0, 0, 0, 0}, "1899/12/30 0:00.00", 0.0},
        {{2000, 1, 1, 9, 5, 7, 0}, "2000/1/1 9:05.07", 36526 + (9 * 3600 + 5 * 60 + 7) / 86400.0},
        {{2026, 12, 10, 23, 59, 59, 500}, "2026/12/10 23:59.59", 46366 + 86399.5 / 86400},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BookmarkEntryDate(c.time), c.text);
        EXPECT_NEAR(BookmarkDateValue(c.time), c.value, 1e-9) << c.text;
    }
}

TEST(BookmarkPosition, AFilledRecordGivesThePositionBackAndKeepsItsReservedNumber) {
    TReadingPosition position;
    position.ItemName = "scene 2";
    position.Cursor = {5, 9};
    position.Counters.Count = 1;
    position.Counters.Entries[0].Name = "love";
    position.Counters.Entries[0].Value = 3;
    position.Sprites.Names[0] = "girl";
    position.Sprites.FileNames[0] = "girl.bmp";
    position.BackgroundName = "room.bmp";
    position.MidiName = "a.mid";
    position.BgmName = "b.ogg";
    position.SoundName = "c.wav";
    position.ReadingCount = 2;
    position.PageNumber = 12;

    TBookmarkData record;
    record.ReservedNumber = 41;
    FillBookmark(record, position, {2026, 12, 10, 14, 5, 9, 0});
    EXPECT_EQ(record.ReservedNumber, 41);
    EXPECT_EQ(record.EntryTitle, Cp932("2回目 12ページ"));
    EXPECT_EQ(record.EntryDate, "2026/12/10 14:05.09");

    const TReadingPosition back = ReadingPositionOf(record);
    EXPECT_EQ(back.ItemName, "scene 2");
    EXPECT_EQ(back.Cursor, (TTextCursor{5, 9}));
    EXPECT_EQ(back.Counters.Entries[0].Value, 3);
    EXPECT_EQ(back.Sprites.IndexOf("girl"), 0);
    EXPECT_EQ(back.BackgroundName, "room.bmp");
    EXPECT_EQ(back.MidiName, "a.mid");
    EXPECT_EQ(back.BgmName, "b.ogg");
    EXPECT_EQ(back.SoundName, "c.wav");
    EXPECT_EQ(back.ReadingCount, 2);
    EXPECT_EQ(back.PageNumber, 12);
}

}  // namespace
}  // namespace tavri::test
