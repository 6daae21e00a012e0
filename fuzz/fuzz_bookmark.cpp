// The bookmark file reader over arbitrary bytes: it keeps only whole records, stays inside its
// tables, and what it kept is written and read back unchanged.
#include <cstddef>
#include <cstdint>

#include "bookmark/BookmarkData.h"
#include "platform/Stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tavri;
    TBookmarkList list;
    platform::TMemoryStream input(std::vector<uint8_t>(data, data + size));
    list.LoadFromStream(input);
    if (list.Count() < 0 || list.Count() > kMaxBookmarks) {
        __builtin_trap();
    }
    for (int32_t i = 0; i < list.Count(); ++i) {
        if (list[i].CounterTable.Count < 0 || list[i].CounterTable.Count > kMaxCounters) {
            __builtin_trap();
        }
    }
    platform::TMemoryStream first;
    list.SaveToStream(first);
    TBookmarkList again;
    platform::TMemoryStream reread(first.Bytes());
    if (again.LoadFromStream(reread) != TBookmarkLoad::Whole || again.Count() != list.Count()) {
        __builtin_trap();
    }
    platform::TMemoryStream second;
    again.SaveToStream(second);
    if (second.Bytes() != first.Bytes()) {
        __builtin_trap();
    }
    return 0;
}
