#pragma once

// Where a finished novel's archive starts inside the executable: right after the program's own
// image. Windows images end after their last section; ELF images after the furthest of their
// tables, segments and sections.

#include <cstdint>

#include "platform/Stream.h"

namespace tavri {

// The first byte after the image, or -1 when the stream holds no image of that kind (or one
// whose fields point outside the file).
int64_t PeImageEnd(platform::TStream& exe);
// The furthest end of a Windows image's sections, the section table found through the size its
// header gives the optional header (so 64-bit images count too); -1 as above.
int64_t PeFurthestSectionEnd(platform::TStream& exe);
int64_t ElfImageEnd(platform::TStream& exe);
int64_t ImageEnd(platform::TStream& exe);

// The archive's start when 16 bytes can be read at the image end and begin with the archive
// magic (for a Windows image, at the end of its last section entry, else at its furthest
// section end); otherwise -1.
int64_t LocateArchive(platform::TStream& exe);

}  // namespace tavri
