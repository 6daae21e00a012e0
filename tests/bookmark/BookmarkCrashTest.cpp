// The bookmark file saved by a process that is killed at random moments: after every kill the
// file still loads whole as the book before the save or the book after it.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bookmark/BookmarkData.h"
#include "bookmark/BookmarkFile.h"
#include "platform/KilledWriter.h"
#include "platform/Stream.h"
#include "support/TestSupport.h"

namespace tavri::test {
namespace {

// A book of `count` bookmarks with `counters` counters each, every record told apart.
TBookmarkList Book(int count, int counters) {
    TBookmarkList list;
    for (int i = 0; i < count; ++i) {
        TBookmarkData& record = *list.Add();
        record.ItemName = "item " + std::to_string(i);
        record.EntryTitle = "mark " + std::to_string(i);
        record.PageNumber = i;
        record.CounterTable.Count = counters;
        for (int c = 0; c < counters; ++c) {
            TNovelCounter& counter = record.CounterTable.Entries[size_t(c)];
            counter.Name = "counter " + std::to_string(c);
            counter.Value = i * 1000 + c;
            counter.Maximum = 1 << 20;
        }
    }
    return list;
}

std::vector<uint8_t> BytesOf(const TBookmarkList& list) {
    platform::TMemoryStream stream;
    list.SaveToStream(stream);
    return stream.Bytes();
}

TEST(BookmarkCrash, AKilledSaveLeavesTheOldBookOrTheNewOneWhole) {
    TempDir dir;
    const std::string name = "novel.qkb";
    TBookmarkFile file(dir.path() + name);
    // A full book (about 600 KB) and a book of one; kills land up to 30 ms after a writer
    // starts, about three full saves, so both versions keep turning up.
    const TBookmarkList full = Book(kMaxBookmarks, kMaxCounters), one = Book(1, 3);
    ASSERT_TRUE(file.Save(full));
    constexpr int kKills = 200;
    TKilledWriters report;
    KillWritersRepeatedly(
        dir.path(), name, kKills, 30000, [&](bool first) { return file.Save(first ? full : one); },
        BytesOf(full), BytesOf(one), report,
        [&](bool holdsFull) {
            TBookmarkFile reread(dir.path() + name);
            TBookmarkList loaded;
            reread.Load(loaded);
            ASSERT_EQ(loaded.Count(), holdsFull ? kMaxBookmarks : 1);
            EXPECT_EQ(loaded[loaded.Count() - 1].EntryTitle,
                      "mark " + std::to_string(loaded.Count() - 1));
        });
    std::printf("%d saves killed: the book changed %d times, %d temporary files left\n", kKills,
                report.switches, report.strays);
}

}  // namespace
}  // namespace tavri::test
