#pragma once

// A novel's media for the finder and its callers: a data folder on disk and, when a test puts
// one in front of it, an archive in memory.

#include <vector>

#include "PackageFile2.h"
#include "media/MediaFinder.h"
#include "platform/MessageBox.h"
#include "platform/Stream.h"
#include "support/TestSupport.h"

namespace tavri::test {

struct MediaFixture {
    TempDir dir;
    platform::RecordingMessageBoxService box;
    platform::TMemoryStream stream;
    TReadPackageFile package{box};
    TMediaSource source{nullptr, dir.path(), &box};

    void UsePackage(const std::vector<TPackageWriterEntry>& entries) {
        UseArchive(BuildPackage(entries));
    }
    void UseArchive(std::vector<uint8_t> archive) {
        stream.Bytes() = std::move(archive);
        package.OpenStream(stream);
        source.Package = &package;
    }
};

}  // namespace tavri::test
