// Finding the archive after an executable image of any shape.
#include <cstddef>
#include <cstdint>

#include "ArchiveLocator.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tavri::platform::TMemoryStream s(std::vector<uint8_t>(data, data + size));
    int64_t at = tavri::LocateArchive(s);
    if (at > static_cast<int64_t>(size)) {
        __builtin_trap();
    }
    return 0;
}
