// The archive reader over arbitrary bytes: opening, every lookup and whole-entry reads must stay
// inside the data.
#include <cstddef>
#include <cstdint>

#include "PackageFile2.h"
#include "platform/MessageBox.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tavri;
    platform::TMemoryStream s(std::vector<uint8_t>(data, data + size));
    platform::RecordingMessageBoxService box;
    TReadPackageFile reader(box);
    reader.OpenStream(s);
    for (int i = -1; i <= reader.Count && i < 8; ++i) {
        TPackageEntry e = reader.GetEntry(i);
        reader.IndexOf(e.Name);
        reader.EntryPosition(e.Name);
        std::vector<uint8_t> bytes;
        reader.ReadEntry(e.Name, bytes);
    }
    reader.SeekEntry("autorun.qke");
    return 0;
}
