#pragma once

// Where a reader stands, as a bookmark keeps it: the item, the page's first character, the
// counters, sprites, background, music and sound at the start of the page, and which reading
// and page it is.

#include <cstdint>
#include <string>

#include "graphics/SpriteLayer.h"
#include "run/RunCommon.h"
#include "scenario/NovelData.h"

namespace tavri {

struct TReadingPosition {
    std::string ItemName;  // cp932, the item being read
    TTextCursor Cursor;
    CNovelCounters Counters;
    TSpriteLayer Sprites{false};  // names, files and positions only
    std::string BackgroundName, MidiName, BgmName, SoundName;
    int32_t ReadingCount = 0;
    // Below 0: taken at the end of the novel, so restoring it starts the next reading.
    int32_t PageNumber = 0;
};

// The scenario's counters with the stored values put back by name: each stored counter replaces
// the last counter of its name (case-sensitive); stored names the scenario no longer has are
// dropped, and counters new in the scenario keep their initial values.
void RestoreCounters(CNovelCounters& counters, const CNovelCounters& initial,
                     const CNovelCounters& stored);

}  // namespace tavri
