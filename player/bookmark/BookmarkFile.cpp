#include "bookmark/BookmarkFile.h"

#include <cstdio>

#include "platform/FileSystem.h"
#include "platform/TextEncoding.h"

namespace tavri {

std::string MovedBookmarkPath(const std::string& dataFolder, const std::string& nativePath) {
    // FNV-1a: the same path always gives the same name, on every build.
    uint64_t hash = 14695981039346656037ull;
    for (const char c : platform::MakeAbsolute(nativePath)) {
        hash = (hash ^ uint8_t(c)) * 1099511628211ull;
    }
    char digits[17];
    std::snprintf(digits, sizeof digits, "%012llx",
                  static_cast<unsigned long long>(hash & 0xFFFFFFFFFFFFull));
    const std::string name = platform::NativeFileNameOf(platform::NativeChangeExt(nativePath, ""));
    return dataFolder + "TavriNovelRun/bookmarks/" + name + "-" + digits + ".qkb";
}

TBookmarkFile::TBookmarkFile(std::string nativePath, bool mayMove)
    : Writable(platform::IsWritableLocation), path_(std::move(nativePath)) {
    const std::string dataFolder = platform::UserDataFolder();
    if (mayMove && !dataFolder.empty() && !path_.empty()) {
        movedPath_ = MovedBookmarkPath(dataFolder, path_);
    }
}

void TBookmarkFile::Load(TBookmarkList& list) {
    list.Clear();
    moved_ = !movedPath_.empty() && platform::FileExists(movedPath_);
    const std::string& from = CurrentPath();
    if (!platform::FileExists(from)) {
        // Something else in the file's place (a folder) is not ours to replace either.
        unreadable_ = platform::DirectoryExists(from);
        return;
    }
    std::optional<std::vector<uint8_t>> bytes = platform::ReadWholeFile(from);
    if (!bytes) {
        unreadable_ = true;
        return;
    }
    // What cannot be read whole is left out without a word: the rest is still the reader's.
    platform::TMemoryStream stream(std::move(*bytes));
    list.LoadFromStream(stream);
}

bool TBookmarkFile::Save(const TBookmarkList& list, std::string* error) {
    if (!moved_ && !movedPath_.empty() && (unreadable_ || !Writable(path_))) {
        // The file beside the novel stays as it is; the bookmarks live on in the user's folder.
        if (!platform::CreateDirectories(platform::NativeFolderOf(movedPath_))) {
            if (error != nullptr) {
                *error = "cannot create the folder of " + movedPath_;
            }
            return false;
        }
        moved_ = true;
        unreadable_ = false;
        notice_ = true;
    }
    if (unreadable_) {
        if (error != nullptr) {
            *error = "the bookmark file could not be read when the novel started";
        }
        return false;
    }
    platform::TMemoryStream stream;
    list.SaveToStream(stream);
    if (!platform::ReplaceFileContents(CurrentPath(), stream.Bytes(), error)) {
        notice_ = false;
        return false;
    }
    return true;
}

bool TBookmarkFile::TakeMovedNotice() {
    const bool notice = notice_;
    notice_ = false;
    return notice;
}

std::string TBookmarkFile::SaveFailureMessage() const {
    return platform::Cp932("しおりファイル ") +
           platform::Utf8ToCp932(platform::NativeFileNameOf(CurrentPath())) +
           platform::Cp932(" に書き込めません。");
}

std::string TBookmarkFile::MovedMessage() const {
    return platform::Cp932("しおりファイル ") +
           platform::Utf8ToCp932(platform::NativeFileNameOf(path_)) +
           platform::Cp932(" の場所には書き込めないため、しおりは次の場所に保存しました。\r\n") +
           platform::Utf8ToCp932(movedPath_);
}

}  // namespace tavri
