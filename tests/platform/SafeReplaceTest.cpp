#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"
#include "support/TestSupport.h"

namespace tavri::platform {
namespace {

using test::Bytes;
using test::TempDir;
using testing::TReplaceStep;

std::vector<uint8_t> Filled(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(seed + i * 31 + i / 509);
    }
    return bytes;
}

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

bool IsLink(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::string LinkText(const std::string& path) {
    char buf[4096];
    const ssize_t n = readlink(path.c_str(), buf, sizeof buf);
    return n < 0 ? std::string() : std::string(buf, static_cast<size_t>(n));
}

std::string Reason(int err) {
    return std::strerror(err);
}

// The process's umask for the length of a test.
class TUmask {
  public:
    explicit TUmask(mode_t mask) : saved_(umask(mask)) {}
    ~TUmask() { umask(saved_); }
    TUmask(const TUmask&) = delete;
    TUmask& operator=(const TUmask&) = delete;

  private:
    mode_t saved_;
};

// The failure seam, turned off again however the test ends.
class TInjectedFailure {
  public:
    TInjectedFailure(TReplaceStep step, int error) { testing::FailReplaceAt(step, error); }
    ~TInjectedFailure() { testing::FailReplaceAt(std::nullopt, 0); }
    TInjectedFailure(const TInjectedFailure&) = delete;
    TInjectedFailure& operator=(const TInjectedFailure&) = delete;
};

// A tmpfs of its own on a fresh folder, unmounted and removed however the test ends. Mounting
// takes CAP_SYS_ADMIN; without it `Skipped()` says why.
class TScratchMount {
  public:
    explicit TScratchMount(const char* options) {
        std::string pattern = "/tmp/tavri-mount-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            skipped_ = "no folder to mount on: " + Reason(errno);
            return;
        }
        folder_ = pattern;
        if (mount("tmpfs", folder_.c_str(), "tmpfs", 0, options) != 0) {
            skipped_ = "cannot mount a tmpfs (needs root with CAP_SYS_ADMIN): " + Reason(errno);
            return;
        }
        mounted_ = true;
    }
    ~TScratchMount() {
        if (mounted_) {
            umount2(folder_.c_str(), MNT_DETACH);
        }
        if (!folder_.empty()) {
            rmdir(folder_.c_str());
        }
    }
    TScratchMount(const TScratchMount&) = delete;
    TScratchMount& operator=(const TScratchMount&) = delete;

    const std::string& Skipped() const { return skipped_; }
    std::string path() const { return folder_ + "/"; }
    bool RemountReadOnly() {
        return mount("tmpfs", folder_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

  private:
    std::string folder_, skipped_;
    bool mounted_ = false;
};

TEST(SafeReplace, NewFileGetsTheUmasksPermissions) {
    for (mode_t mask : {022, 077, 002, 0}) {
        SCOPED_TRACE(::testing::Message() << "umask " << std::oct << mask);
        TempDir dir;
        const TUmask umaskForTest(mask);
        const std::string path = dir.path() + "novel.qkb";
        std::string error;
        ASSERT_TRUE(ReplaceFileContents(path, Bytes("bookmarks"), &error)) << error;
        EXPECT_EQ(ReadWholeFile(path), Bytes("bookmarks"));
        EXPECT_EQ(ModeOf(path), 0666 & ~mask);
        EXPECT_EQ(ListDirectory(dir.path()), std::vector<std::string>{"novel.qkb"});
    }
}

TEST(SafeReplace, ExistingFileKeepsItsPermissionsAndLosesItsOldTail) {
    const TUmask umaskForTest(077);  // a file taking the umask would come out 0600
    for (mode_t mode : {0600, 0640, 0755, 0604}) {
        for (const std::vector<uint8_t>& next : {Bytes("short"), std::vector<uint8_t>{}}) {
            SCOPED_TRACE(::testing::Message() << "mode " << std::oct << mode << ", " << std::dec
                                              << next.size() << " new bytes");
            TempDir dir;
            const std::string path = dir.Write("novel.qkb", Filled(5000, 1));
            ASSERT_EQ(chmod(path.c_str(), mode), 0);
            std::string error;
            ASSERT_TRUE(ReplaceFileContents(path, next, &error)) << error;
            EXPECT_EQ(ReadWholeFile(path), next);
            EXPECT_EQ(ModeOf(path), mode);
            EXPECT_EQ(ListDirectory(dir.path()), std::vector<std::string>{"novel.qkb"});
        }
    }
}

TEST(SafeReplace, LinksKeepPointingAtTheFileTheyName) {
    struct Case {
        const char* name;
        std::vector<std::pair<const char*, const char*>> links;  // link (in a/) → its text
        bool targetExists;
    } cases[] = {
        {"relative link to another folder", {{"novel.qkb", "../b/real.qkb"}}, true},
        {"chain with an absolute hop", {{"novel.qkb", "@a/hop"}, {"hop", "../b/real.qkb"}}, true},
        {"dangling link", {{"novel.qkb", "../b/real.qkb"}}, false},
        {"dangling chain", {{"novel.qkb", "hop"}, {"hop", "@b/real.qkb"}}, false},
    };
    const TUmask umaskForTest(022);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        ASSERT_TRUE(CreateDirectories(dir.path() + "a") && CreateDirectories(dir.path() + "b"));
        const std::string target = dir.path() + "b/real.qkb";
        if (c.targetExists) {
            dir.Write("b/real.qkb", Filled(3000, 2));
            ASSERT_EQ(chmod(target.c_str(), 0640), 0);
        }
        std::vector<std::string> linkNames;
        for (const auto& [name, text] : c.links) {
            // "@" stands for the test's folder, which only exists once the test runs.
            const std::string to = text[0] == '@' ? dir.path() + (text + 1) : text;
            const std::string link = dir.path() + "a/" + name;
            ASSERT_EQ(symlink(to.c_str(), link.c_str()), 0) << link;
            linkNames.push_back(name);
        }
        const std::string path = dir.path() + "a/novel.qkb";
        const std::string before = LinkText(path);

        std::string error;
        ASSERT_TRUE(ReplaceFileContents(path, Bytes("new bookmarks"), &error)) << error;
        EXPECT_TRUE(IsLink(path));
        EXPECT_EQ(LinkText(path), before);
        EXPECT_EQ(ReadWholeFile(target), Bytes("new bookmarks"));
        EXPECT_EQ(ModeOf(target), c.targetExists ? 0640u : 0644u);
        std::sort(linkNames.begin(), linkNames.end());
        EXPECT_EQ(ListDirectory(dir.path() + "a"), linkNames);
        EXPECT_EQ(ListDirectory(dir.path() + "b"), std::vector<std::string>{"real.qkb"});
    }
}

TEST(SafeReplace, AFailingStepLeavesTheFileAsItWas) {
    const std::vector<uint8_t> old = Filled(70000, 3), next = Filled(90000, 4);
    const std::pair<TReplaceStep, const char*> steps[] = {
        {TReplaceStep::Create, "create"}, {TReplaceStep::Write, "write"},
        {TReplaceStep::Sync, "sync"},     {TReplaceStep::Permissions, "permissions"},
        {TReplaceStep::Rename, "rename"},
    };
    for (const auto& [step, stepName] : steps) {
        for (int err : {ENOSPC, EIO, EROFS}) {
            for (bool hadFile : {true, false}) {
                SCOPED_TRACE(::testing::Message() << stepName << ": " << Reason(err)
                                                  << (hadFile ? "" : ", no old file"));
                TempDir dir;
                const std::string path = dir.path() + "novel.qkb";
                if (hadFile) {
                    dir.Write("novel.qkb", old);
                    ASSERT_EQ(chmod(path.c_str(), 0600), 0);
                }
                std::string error;
                {
                    const TInjectedFailure failure(step, err);
                    EXPECT_FALSE(ReplaceFileContents(path, next, &error));
                }
                EXPECT_NE(error.find(Reason(err)), std::string::npos) << error;
                if (hadFile) {
                    EXPECT_EQ(ReadWholeFile(path), old);
                    EXPECT_EQ(ModeOf(path), 0600u);
                    EXPECT_EQ(ListDirectory(dir.path()), std::vector<std::string>{"novel.qkb"});
                } else {
                    EXPECT_EQ(ListDirectory(dir.path()), std::vector<std::string>{});
                }
            }
        }
    }
    TempDir dir;  // and with the seam off again, the same replace goes through
    EXPECT_TRUE(ReplaceFileContents(dir.path() + "novel.qkb", next));
}

// The folder is flushed after the rename, when the new contents are already in place and whole;
// reporting a failure then would claim the old file was kept when it was not.
TEST(SafeReplace, AFailingFolderSyncStillCountsAsReplaced) {
    for (int err : {ENOSPC, EIO, EROFS}) {
        SCOPED_TRACE(Reason(err));
        TempDir dir;
        const std::string path = dir.Write("novel.qkb", Filled(4000, 5));
        const TInjectedFailure failure(TReplaceStep::SyncFolder, err);
        std::string error;
        EXPECT_TRUE(ReplaceFileContents(path, Bytes("renamed"), &error));
        EXPECT_EQ(error, "");
        EXPECT_EQ(ReadWholeFile(path), Bytes("renamed"));
        EXPECT_EQ(ListDirectory(dir.path()), std::vector<std::string>{"novel.qkb"});
    }
}

TEST(SafeReplace, RefusesWhatItCannotReplaceAndCreatesNothing) {
    struct Case {
        const char* name;
        const char* path;  // inside the test's folder
        int reason;
    } cases[] = {
        {"folder removed", "gone/novel.qkb", ENOENT},
        {"below a plain file", "plain/novel.qkb", ENOTDIR},
        {"a folder", "folder", EISDIR},
        {"a loop of links", "loop1", ELOOP},
        {"a pipe", "pipe", EINVAL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::vector<uint8_t> plain = Filled(100, 6);
        dir.Write("plain", plain);
        ASSERT_TRUE(CreateDirectories(dir.path() + "gone") &&
                    CreateDirectories(dir.path() + "folder"));
        ASSERT_EQ(rmdir((dir.path() + "gone").c_str()), 0);
        ASSERT_EQ(symlink("loop2", (dir.path() + "loop1").c_str()), 0);
        ASSERT_EQ(symlink("loop1", (dir.path() + "loop2").c_str()), 0);
        ASSERT_EQ(mkfifo((dir.path() + "pipe").c_str(), 0600), 0);
        const std::vector<std::string> before = ListDirectory(dir.path());

        std::string error;
        EXPECT_FALSE(ReplaceFileContents(dir.path() + c.path, Bytes("bookmarks"), &error));
        EXPECT_NE(error.find(Reason(c.reason)), std::string::npos) << error;
        EXPECT_EQ(ListDirectory(dir.path()), before);
        EXPECT_EQ(ReadWholeFile(dir.path() + "plain"), plain);
        EXPECT_EQ(ListDirectory(dir.path() + "folder"), std::vector<std::string>{});
    }
}

TEST(SafeReplace, ARefusingFileSystemLeavesTheFileAsItWas) {
    struct Case {
        const char* name;
        const char* options;
        bool readOnly;
        size_t newSize;
        int reason;
    } cases[] = {
        {"read-only", "size=1m", true, 100, EROFS},
        {"full", "size=64k", false, 200 * 1024, ENOSPC},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TScratchMount scratch(c.options);
        if (!scratch.Skipped().empty()) {
            GTEST_SKIP() << scratch.Skipped();
        }
        const std::string path = scratch.path() + "novel.qkb";
        const std::vector<uint8_t> old = Filled(4000, 7);
        ASSERT_TRUE(WriteWholeFile(path, old));
        if (c.readOnly) {
            ASSERT_TRUE(scratch.RemountReadOnly()) << Reason(errno);
        }
        std::string error;
        EXPECT_FALSE(ReplaceFileContents(path, Filled(c.newSize, 8), &error));
        EXPECT_NE(error.find(Reason(c.reason)), std::string::npos) << error;
        EXPECT_EQ(ReadWholeFile(path), old);
        EXPECT_EQ(ListDirectory(scratch.path()), std::vector<std::string>{"novel.qkb"});
    }
}

}  // namespace
}  // namespace tavri::platform
