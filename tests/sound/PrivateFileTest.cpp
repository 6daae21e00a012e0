// The private copy a packaged sound engine is loaded from: nobody else can have written it, and
// nothing of it stays behind.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/DynamicLibrary.h"
#include "platform/FileSystem.h"
#include "support/TestSupport.h"

namespace tavri::test {
namespace {

namespace fs = std::filesystem;

// Points $TMPDIR at a folder of the test for its lifetime.
class TemporaryFolderOverride {
  public:
    explicit TemporaryFolderOverride(const std::string& folder) {
        if (const char* old = std::getenv("TMPDIR")) {
            old_ = old;
        }
        setenv("TMPDIR", folder.c_str(), 1);
    }
    ~TemporaryFolderOverride() {
        if (old_) {
            setenv("TMPDIR", old_->c_str(), 1);
        } else {
            unsetenv("TMPDIR");
        }
    }

  private:
    std::optional<std::string> old_;
};

std::vector<std::string> Entries(const std::string& folder) {
    return platform::ListDirectory(folder);
}

TEST(PrivateFile, HoldsTheBytesAndLeavesNothingBehind) {
    const std::vector<uint8_t> bytes = {0x7F, 'E', 'L', 'F', 0, 1, 2, 3, 255};
    for (platform::PrivateFileKind kind :
         {platform::PrivateFileKind::MemoryFile, platform::PrivateFileKind::TempFolder,
          platform::PrivateFileKind::Automatic}) {
        SCOPED_TRACE(int(kind));
        TempDir tmp;
        TemporaryFolderOverride override(tmp.path());
        std::string error;
        auto file = platform::TPrivateFile::Create(bytes, "QKSound.qkx", kind, error);
        ASSERT_TRUE(file) << error;
        EXPECT_EQ(platform::ReadWholeFile(file->Path()), bytes);
        if (file->Kind() == platform::PrivateFileKind::TempFolder) {
            EXPECT_EQ(kind, platform::PrivateFileKind::TempFolder);
            EXPECT_TRUE(fs::equivalent(fs::path(file->Folder()).parent_path(), tmp.path()));
            EXPECT_EQ(fs::path(file->Path()).filename(), "QKSound.qkx");
            const fs::file_status folder = fs::symlink_status(file->Folder());
            EXPECT_EQ(folder.type(), fs::file_type::directory);
            EXPECT_EQ(folder.permissions(), fs::perms::owner_all);
            const fs::file_status copy = fs::symlink_status(file->Path());
            EXPECT_EQ(copy.type(), fs::file_type::regular);
            EXPECT_EQ(copy.permissions(), fs::perms::owner_read | fs::perms::owner_write);
        } else {
            // An anonymous memory file has no name in any folder.
            EXPECT_EQ(file->Path().rfind("/proc/self/fd/", 0), 0u) << file->Path();
            EXPECT_TRUE(Entries(tmp.path()).empty());
        }
        file.reset();
        EXPECT_TRUE(Entries(tmp.path()).empty());
    }
}

TEST(PrivateFile, RefusesNamesThatReachAnotherFolder) {
    for (const char* name : {"", ".", "..", "../QKSound.qkx", "a/b"}) {
        std::string error;
        EXPECT_FALSE(
            platform::TPrivateFile::Create({1}, name, platform::PrivateFileKind::TempFolder, error))
            << name;
        EXPECT_FALSE(error.empty());
    }
}

// Only what a crashed run of ours left is removed: a folder of this user, mode 0700, named for
// a process that is gone. Links, folders of running processes and look-alikes stay.
TEST(PrivateFile, RemovesOnlyFoldersThatCrashedRunsLeft) {
    TempDir tmp;
    TemporaryFolderOverride override(tmp.path());
    const std::string prefix = platform::kPrivateFolderPrefix;
    // Above the kernel's largest process number, so no process has it.
    const std::string gone = "99999999";
    const std::string running = fs::read_symlink("/proc/self").string();
    auto makeFolder = [&](const std::string& name, fs::perms perms) {
        tmp.Write(name + "/QKSound.qkx", "old copy");
        fs::permissions(tmp.path() + "/" + name, perms);
    };
    makeFolder(prefix + gone + ".abcdef", fs::perms::owner_all);
    makeFolder(prefix + running + ".abcdef", fs::perms::owner_all);
    makeFolder(prefix + gone + ".opened", fs::perms::owner_all | fs::perms::group_read |
                                              fs::perms::group_exec | fs::perms::others_read |
                                              fs::perms::others_exec);
    makeFolder("elsewhere", fs::perms::owner_all);
    makeFolder(prefix + "x.abcdef", fs::perms::owner_all);
    fs::create_directory_symlink(tmp.path() + "/elsewhere",
                                 tmp.path() + "/" + prefix + gone + ".linked");

    EXPECT_EQ(platform::RemoveAbandonedPrivateFolders(), 1);
    const std::vector<std::string> left = Entries(tmp.path());
    std::vector<std::string> expected = {"elsewhere", prefix + gone + ".linked",
                                         prefix + gone + ".opened", prefix + running + ".abcdef",
                                         prefix + "x.abcdef"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(left, expected);
    EXPECT_TRUE(platform::FileExists(tmp.path() + "/elsewhere/QKSound.qkx"));
}

}  // namespace
}  // namespace tavri::test
