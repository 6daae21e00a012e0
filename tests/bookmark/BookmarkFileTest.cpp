// The bookmark file on disk: absent, present, in the way, or somewhere it cannot be written.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
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
// never written over it; where the bookmarks may not move, saving fails.
TEST(BookmarkFileOnDisk, AFileThatCannotBeReadIsNeverReplaced) {
    TempDir dir;
    const std::string path = dir.path() + "novel.qkb";
    std::filesystem::create_directory(path);
    TBookmarkFile file(path, false);
    TBookmarkList list;
    file.Load(list);
    EXPECT_EQ(list.Count(), 0);
    std::string error;
    EXPECT_FALSE(file.Save(BookOf(1), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(platform::DirectoryExists(path));
    EXPECT_EQ(platform::ListDirectory(dir.path()).size(), 1u);
}

// A folder that is not there (a "=" path mistyped) refuses the save with a reason, and the
// message names the file in the reader's encoding.
TEST(BookmarkFileOnDisk, ASaveWhereNothingCanBeWrittenFailsWithAReason) {
    TempDir dir;
    TBookmarkFile file(dir.path() + "missing/物語.qkb", false);
    std::string error;
    EXPECT_FALSE(file.Save(BookOf(1), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(file.SaveFailureMessage(),
              platform::Cp932("しおりファイル 物語.qkb に書き込めません。"));
    EXPECT_TRUE(platform::ListDirectory(dir.path()).empty());
}

}  // namespace
}  // namespace tavri::test

namespace tavri::test {
namespace {

// The user's data folder for one test, put back afterwards.
struct UserDataFolder {
    explicit UserDataFolder(const std::string& folder) {
        if (const char* old = std::getenv("XDG_DATA_HOME")) {
            saved = old;
        }
        setenv("XDG_DATA_HOME", folder.c_str(), 1);
    }
    ~UserDataFolder() {
        if (saved) {
            setenv("XDG_DATA_HOME", saved->c_str(), 1);
        } else {
            unsetenv("XDG_DATA_HOME");
        }
        platform::testing::FailReplaceAt(std::nullopt, 0);
    }
    std::optional<std::string> saved;
};

TEST(BookmarkFileOnDisk, BookmarksOfANovelThatCannotBeWrittenMoveToTheUsersFolder) {
    TempDir dir;
    UserDataFolder data(dir.path() + "data");
    const std::string path = dir.path() + "novel/novel.qkb";
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    dir.Write("novel/novel.qkb", old);
    TBookmarkFile file(path);
    EXPECT_EQ(file.MovedPath(), MovedBookmarkPath(dir.path() + "data/", path));
    EXPECT_EQ(platform::NativeFolderOf(file.MovedPath()),
              dir.path() + "data/TavriNovelRun/bookmarks/");
    file.Writable = [](const std::string&) { return false; };
    TBookmarkList list;
    file.Load(list);
    ASSERT_TRUE(file.Save(BookOf(2)));
    EXPECT_TRUE(file.TakeMovedNotice());
    EXPECT_FALSE(file.TakeMovedNotice());  // told once
    ASSERT_TRUE(file.Save(BookOf(3)));
    EXPECT_FALSE(file.TakeMovedNotice());
    EXPECT_EQ(platform::ReadWholeFile(path), old);  // the novel's file is left alone
    EXPECT_NE(file.MovedMessage().find(platform::Utf8ToCp932(file.MovedPath())), std::string::npos);

    // The next start reads the moved copy, the newer one, and keeps writing there.
    TBookmarkFile again(path);
    TBookmarkList loaded;
    again.Load(loaded);
    EXPECT_EQ(loaded.Count(), 3);
    EXPECT_EQ(again.CurrentPath(), again.MovedPath());
    ASSERT_TRUE(again.Save(BookOf(1)));
    EXPECT_FALSE(again.TakeMovedNotice());
    EXPECT_EQ(platform::ReadWholeFile(path), old);

    // Another novel's file of the same name gets a name of its own.
    EXPECT_NE(MovedBookmarkPath(dir.path() + "data/", dir.path() + "other/novel.qkb"),
              file.MovedPath());
}

TEST(BookmarkFileOnDisk, AFileThatCannotBeReadMovesRatherThanBeingReplaced) {
    TempDir dir;
    UserDataFolder data(dir.path() + "data");
    const std::string path = dir.path() + "novel.qkb";
    std::filesystem::create_directory(path);
    TBookmarkFile file(path);
    TBookmarkList list;
    file.Load(list);
    ASSERT_TRUE(file.Save(BookOf(1)));
    EXPECT_TRUE(file.TakeMovedNotice());
    EXPECT_TRUE(platform::DirectoryExists(path));
    EXPECT_TRUE(platform::FileExists(file.MovedPath()));
}

// A path the reader named stays where it is: a save it cannot take is a failure, told as such.
TEST(BookmarkFileOnDisk, ANamedPathNeverMoves) {
    TempDir dir;
    UserDataFolder data(dir.path() + "data");
    TBookmarkFile file(dir.path() + "mine.qkb", false);
    EXPECT_TRUE(file.MovedPath().empty());
    file.Writable = [](const std::string&) { return false; };
    platform::testing::FailReplaceAt(platform::testing::TReplaceStep::Create, EROFS);
    std::string error;
    EXPECT_FALSE(file.Save(BookOf(1), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(platform::DirectoryExists(dir.path() + "data/TavriNovelRun"));
}

}  // namespace
}  // namespace tavri::test
