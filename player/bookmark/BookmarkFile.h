#pragma once

// Where a novel's bookmarks live on disk and how they get there: read once when the bookmark
// screen is made, written whole after every placing and every removal, and never replaced by
// anything less than the whole new list (a crash mid-write leaves the old file).
//
// A novel in a folder the reader cannot write to (installed for all users, on a disc image, on a
// read-only share) still keeps its bookmarks: they move to the user's data folder, under a name
// made from the file's name and its full path, in the same format. Once a copy is there it is
// the one read and written. A path the reader named on the command line never moves.

#include <functional>
#include <string>

#include "bookmark/BookmarkData.h"

namespace tavri {

class TBookmarkFile {
  public:
    // `nativePath` is the novel's bookmark path; `mayMove` false keeps the bookmarks there.
    explicit TBookmarkFile(std::string nativePath, bool mayMove = true);

    const std::string& Path() const { return path_; }
    // Where the bookmarks go when Path cannot be written; empty when they may not move or the
    // user has no data folder.
    const std::string& MovedPath() const { return movedPath_; }
    // Where the last load came from and the saves go now.
    const std::string& CurrentPath() const { return moved_ ? movedPath_ : path_; }

    // Fills the list from the moved copy when there is one (it is the newer), else from the
    // file. A file that exists but cannot be read leaves the list empty and is then never
    // replaced: saves go to the moved copy, or fail when the bookmarks may not move.
    void Load(TBookmarkList& list);
    // Writes the whole list. On failure the file on disk is as it was and `error` says why.
    bool Save(const TBookmarkList& list, std::string* error = nullptr);
    // True once, after the save that first put the bookmarks in the moved copy.
    bool TakeMovedNotice();

    // The reader's messages (cp932): a failed save, "しおりファイル %s に書き込めません。" with
    // the file's name; and where the bookmarks went when they moved.
    std::string SaveFailureMessage() const;
    std::string MovedMessage() const;

    // Whether a path can be written; tests stand in a read-only disk.
    std::function<bool(const std::string&)> Writable;

  private:
    std::string path_;
    std::string movedPath_;
    bool unreadable_ = false;
    bool moved_ = false;
    bool notice_ = false;
};

// The moved copy's name for the bookmark file `nativePath` below `dataFolder`:
// "TavriNovelRun/bookmarks/NAME-HASH.qkb", the hash taken of the full path.
std::string MovedBookmarkPath(const std::string& dataFolder, const std::string& nativePath);

}  // namespace tavri
