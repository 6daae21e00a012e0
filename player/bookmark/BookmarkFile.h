#pragma once

// Where a novel's bookmarks live on disk and how they get there: read once when the bookmark
// screen is made, written whole after every placing and every removal, and never replaced by
// anything less than the whole new list (a crash mid-write leaves the old file).

#include <string>

#include "bookmark/BookmarkData.h"

namespace tavri {

class TBookmarkFile {
  public:
    // `nativePath` is the novel's bookmark path.
    explicit TBookmarkFile(std::string nativePath) : path_(std::move(nativePath)) {}

    const std::string& Path() const { return path_; }

    // Fills the list from the file when there is one. A file that exists but cannot be read
    // leaves the list empty and is then never replaced (Save refuses), so that bookmarks
    // another program or a damaged disk keeps from us are not overwritten by an empty list.
    void Load(TBookmarkList& list);
    // Writes the whole list. On failure the file on disk is as it was and `error` says why.
    bool Save(const TBookmarkList& list, std::string* error = nullptr);

    // The reader's message for a failed save: "しおりファイル %s に書き込めません。" with the
    // file's name (cp932).
    std::string SaveFailureMessage() const;

  private:
    std::string path_;
    bool unreadable_ = false;
};

}  // namespace tavri
