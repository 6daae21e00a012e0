#pragma once

// Between a bookmark record and the reading position the main window takes and restores: what
// placing a bookmark stores, with the title and date the bookmark screen shows, and the
// position an opened bookmark gives back.

#include <cstdint>
#include <string>

#include "bookmark/BookmarkData.h"
#include "platform/Clock.h"
#include "run/ReadingPosition.h"

namespace tavri {

// "1回目 12ページ", or "2回目 クリア" for a bookmark placed at the end of the novel (cp932).
std::string BookmarkEntryTitle(int32_t readingCount, int32_t pageNumber);
// "yyyy/m/d h:nn.ss", always with "/" and ":", so that a file reads the same on every machine.
std::string BookmarkEntryDate(const platform::TLocalTime& time);
// Days since 1899-12-30, the time of day as the fraction.
double BookmarkDateValue(const platform::TLocalTime& time);

// Every field a placing sets, from `position` taken at `now`; ReservedNumber stays.
void FillBookmark(TBookmarkData& record, const TReadingPosition& position,
                  const platform::TLocalTime& now);
TReadingPosition ReadingPositionOf(const TBookmarkData& record);

}  // namespace tavri
