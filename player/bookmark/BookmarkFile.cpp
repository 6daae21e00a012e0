#include "bookmark/BookmarkFile.h"

#include "platform/FileSystem.h"
#include "platform/TextEncoding.h"

namespace tavri {

void TBookmarkFile::Load(TBookmarkList& list) {
    list.Clear();
    if (!platform::FileExists(path_)) {
        return;
    }
    std::optional<std::vector<uint8_t>> bytes = platform::ReadWholeFile(path_);
    if (!bytes) {
        unreadable_ = true;
        return;
    }
    // What cannot be read whole is left out without a word: the rest is still the reader's.
    platform::TMemoryStream stream(std::move(*bytes));
    list.LoadFromStream(stream);
}

bool TBookmarkFile::Save(const TBookmarkList& list, std::string* error) {
    if (unreadable_) {
        if (error != nullptr) {
            *error = "the bookmark file could not be read when the novel started";
        }
        return false;
    }
    platform::TMemoryStream stream;
    list.SaveToStream(stream);
    return platform::ReplaceFileContents(path_, stream.Bytes(), error);
}

std::string TBookmarkFile::SaveFailureMessage() const {
    return platform::Cp932("しおりファイル ") +
           platform::Utf8ToCp932(platform::NativeFileNameOf(path_)) +
           platform::Cp932(" に書き込めません。");
}

}  // namespace tavri
