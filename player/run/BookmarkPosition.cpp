#include "run/BookmarkPosition.h"

#include <cstdio>

#include "platform/TextEncoding.h"

namespace tavri {

namespace {

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

}  // namespace

std::string BookmarkEntryTitle(int32_t readingCount, int32_t pageNumber) {
    const std::string reading = std::to_string(readingCount) + platform::Cp932("回目 ");
    if (pageNumber < 0) {
        return reading + platform::Cp932("クリア");
    }
    return reading + std::to_string(pageNumber) + platform::Cp932("ページ");
}

std::string BookmarkEntryDate(const platform::TLocalTime& time) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d/%d/%d %d:%02d.%02d", time.Year, time.Month, time.Day,
                  time.Hour, time.Minute, time.Second);
    return text;
}

double BookmarkDateValue(const platform::TLocalTime& time) {
    const int64_t days =
        DaysFromCivil(time.Year, time.Month, time.Day) - DaysFromCivil(1899, 12, 30);
    const double milliseconds =
        ((time.Hour * 60.0 + time.Minute) * 60.0 + time.Second) * 1000.0 + time.Millisecond;
    return double(days) + milliseconds / 86400000.0;
}

void FillBookmark(TBookmarkData& record, const TReadingPosition& position,
                  const platform::TLocalTime& now) {
    record.ItemName = position.ItemName;
    record.SavedCursor = TSavedCursor{position.Cursor.Column, position.Cursor.Line};
    record.CounterTable.Assign(position.Counters);
    record.Sprites.Assign(position.Sprites);
    record.BackgroundName = position.BackgroundName;
    record.MidiName = position.MidiName;
    record.BgmName = position.BgmName;
    record.SoundName = position.SoundName;
    record.SavedAt = BookmarkDateValue(now);
    record.ReadingCount = position.ReadingCount;
    record.PageNumber = position.PageNumber;
    record.EntryTitle = BookmarkEntryTitle(position.ReadingCount, position.PageNumber);
    record.EntryDate = BookmarkEntryDate(now);
}

TReadingPosition ReadingPositionOf(const TBookmarkData& record) {
    TReadingPosition position;
    position.ItemName = record.ItemName;
    position.Cursor = TTextCursor{record.SavedCursor.Column, record.SavedCursor.Line};
    position.Counters.Assign(record.CounterTable);
    position.Sprites.Assign(record.Sprites);
    position.BackgroundName = record.BackgroundName;
    position.MidiName = record.MidiName;
    position.BgmName = record.BgmName;
    position.SoundName = record.SoundName;
    position.ReadingCount = record.ReadingCount;
    position.PageNumber = record.PageNumber;
    return position;
}

}  // namespace tavri
