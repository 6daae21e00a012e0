// The bookmark file on disk: absent, present, in the way, or somewhere it cannot be written.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "bookmark/BookmarkFile.h"
#include "platform/FileSystem.h"
#include "platform/Stream.h"
#include "platform/TextEncoding.h"
#include "support/TestSupport.h"

namespace tavri::test {
namespace {

TBookmarkList BookOf(int count) {
    TBookmarkList list;
    for (int i = 0; i < count; ++i) {
        list.Add()->EntryTitle = "mark " + std::to_string(i);
    }
    return list;
}

TEST(BookmarkFileOnDisk, NoFileIsAnEmptyBookAndASavedBookLoadsAgain) {
    TempDir dir;
    TBookmarkFile file(dir.path() + "novel.qkb");
    TBookmarkList list = BookOf(2);
    file.Load(list);
    EXPECT_EQ(list.Count(), 0);  // what the list held before is not the file's

    ASSERT_TRUE(file.Save(BookOf(3)));
    TBookmarkList loaded;
    TBookmarkFile(dir.path() + "novel.qkb").Load(loaded);
    ASSERT_EQ(loaded.Count(), 3);
    EXPECT_EQ(loaded[2].EntryTitle, "mark 2");
}

// A file that exists but cannot be read (here a folder in its place) gives an empty book that is
// never written over it.
TEST(BookmarkFileOnDisk, AFileThatCannotBeReadIsNeverReplaced) {
    TempDir dir;
    const std::string path = dir.path() + "novel.qkb";
    std::filesystem::create_directory(path);
    TBookmarkFile file(path);
    TBookmarkList list;
    file.Load(list);
    EXPECT_EQ(list.Count(), 0);
    std::string error;
    EXPECT_FALSE(file.Save(BookOf(1), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(platform::DirectoryExists(path));
    EXPECT_EQ(platform::ListDirectory(dir.path()).size(), 1u);
}

// A folder that is not there (a "=" path mistyped, a novel on a disc) refuses the save with a
// reason, and the message names the file in the reader's encoding.
TEST(BookmarkFileOnDisk, ASaveWhereNothingCanBeWrittenFailsWithAReason) {
    TempDir dir;
    TBookmarkFile file(dir.path() + "missing/物語.qkb");
    std::string error;
    EXPECT_FALSE(file.Save(BookOf(1), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(file.SaveFailureMessage(),
              platform::Cp932("しおりファイル 物語.qkb に書き込めません。"));
    EXPECT_TRUE(platform::ListDirectory(dir.path()).empty());
}

}  // namespace
}  // namespace tavri::test
