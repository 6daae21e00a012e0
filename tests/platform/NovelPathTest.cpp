#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/FileSystem.h"
#include "platform/NovelPath.h"
#include "platform/TextEncoding.h"
#include "support/TestSupport.h"

namespace tavri::platform {
namespace {

using test::Hex;
using test::TempDir;

// cp932 spellings written as bytes, so the resolver is not tested through the encoder alone.
const std::string kHyoji = "\x95\x5C\x8E\xA6";                          // 表示, trail 0x5C
const std::string kSoosu = "\x83\x5C\x81\x5B\x83\x58";                  // ソース, trail 0x5C
const std::string kHyojiUtf8 = "\xE8\xA1\xA8\xE7\xA4\xBA";              // 表示
const std::string kSoosuUtf8 = "\xE3\x82\xBD\xE3\x83\xBC\xE3\x82\xB9";  // ソース

class NovelPathResolve : public ::testing::Test {
  protected:
    // The on-disk path below the test folder, or "<missing>".
    std::string Resolve(std::string_view cp932Name) const {
        std::optional<std::string> found = ResolveNovelPath(dir_.path(), cp932Name);
        if (!found) {
            return "<missing>";
        }
        EXPECT_TRUE(FileExists(*found)) << *found;
        EXPECT_EQ(found->rfind(dir_.path(), 0), 0u) << *found;
        return found->substr(dir_.path().size());
    }

    TempDir dir_;
};

TEST_F(NovelPathResolve, ComponentsMatchExactlyOrWithoutAsciiCase) {
    dir_.Write("graph/bg01.png", "bg");
    dir_.Write("Sound/Effect/Door.WAV", "wav");
    dir_.Write("top.txt", "top");
    struct Case {
        const char* name;
        const char* expected;
    } cases[] = {
        {"graph\\bg01.png", "graph/bg01.png"},
        {"GRAPH\\BG01.PNG", "graph/bg01.png"},
        {"Graph\\Bg01.pNg", "graph/bg01.png"},
        {"graph/bg01.png", "graph/bg01.png"},
        {"sound\\effect\\door.wav", "Sound/Effect/Door.WAV"},
        {"TOP.TXT", "top.txt"},
        {"graph\\\\bg01.png", "graph/bg01.png"},
        {"graph\\bg02.png", "<missing>"},
        {"graphs\\bg01.png", "<missing>"},
        {"bg01.png", "<missing>"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Resolve(c.name), c.expected) << c.name;
    }
}

TEST_F(NovelPathResolve, ExactSpellingWinsThenFirstInByteOrder) {
    dir_.Write("case/bg.png", "lower");
    dir_.Write("case/Bg.png", "mixed");
    dir_.Write("case/BG.png", "upper");
    dir_.Write("Dir/x.txt", "1");
    dir_.Write("dir/x.txt", "2");
    // A file sorts first but a folder is wanted: the folder further on is taken.
    dir_.Write("MIX", "file, not a folder");
    dir_.Write("mix/f.txt", "f");
    // The exact name is a folder but a file is wanted.
    std::filesystem::create_directories(dir_.path() + "data.bin");
    dir_.Write("DATA.BIN", "data");
    struct Case {
        const char* name;
        const char* expected;
    } cases[] = {
        {"case\\bg.png", "case/bg.png"}, {"case\\Bg.png", "case/Bg.png"},
        {"case\\BG.png", "case/BG.png"}, {"case\\bG.PNG", "case/BG.png"},
        {"dir\\x.txt", "dir/x.txt"},     {"Dir\\x.txt", "Dir/x.txt"},
        {"DIR\\X.TXT", "Dir/x.txt"},     {"Mix\\F.txt", "mix/f.txt"},
        {"data.bin", "DATA.BIN"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Resolve(c.name), c.expected) << c.name;
    }
}

TEST_F(NovelPathResolve, JapaneseNamesResolveToUtf8NamesOnDisk) {
    ASSERT_EQ(Hex(Cp932(kHyojiUtf8 + "\\" + kSoosuUtf8)), Hex(kHyoji + "\\" + kSoosu));
    dir_.Write(kHyojiUtf8 + "/" + kSoosuUtf8 + ".png", "png");
    dir_.Write(kHyojiUtf8 + "/Sub/" + kHyojiUtf8 + ".bmp", "bmp");
    std::string expected = kHyojiUtf8 + "/" + kSoosuUtf8 + ".png";
    EXPECT_EQ(Resolve(kHyoji + "\\" + kSoosu + ".png"), expected);
    EXPECT_EQ(Resolve(kHyoji + "\\" + kSoosu + ".PNG"), expected);
    EXPECT_EQ(Resolve(kHyoji + "\\SUB\\" + kHyoji + ".Bmp"),
              kHyojiUtf8 + "/Sub/" + kHyojiUtf8 + ".bmp");
    // The trail byte 0x5C of 表 is no separator: "表.png" is not ".png" in a folder "\x95".
    dir_.Write("\x95/.png", "decoy");
    EXPECT_EQ(Resolve("\x95\x5C.png"), "<missing>");
    dir_.Write("\xE8\xA1\xA8.png", "kanji");
    EXPECT_EQ(Resolve("\x95\x5C.png"), "\xE8\xA1\xA8.png");
}

TEST_F(NovelPathResolve, RawCp932NamesOnDiskAreFoundToo) {
    dir_.Write(kHyoji + "/" + kSoosu + ".png", "raw");
    dir_.Write("\x83\x41.png", "katakana a, trail 'A'");
    struct Case {
        std::string name;
        std::string expected;
    } cases[] = {
        {kHyoji + "\\" + kSoosu + ".png", kHyoji + "/" + kSoosu + ".png"},
        {kHyoji + "\\" + kSoosu + ".PNG", kHyoji + "/" + kSoosu + ".png"},
        {"\x83\x41.png", "\x83\x41.png"},
        {"\x83\x41.PNG", "\x83\x41.png"},
        // ヂ (0x8361) differs from ア (0x8341) only by the case of its trail byte's letter.
        {"\x83\x61.png", "<missing>"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Hex(Resolve(c.name)), Hex(c.expected)) << Hex(c.name);
    }
}

TEST_F(NovelPathResolve, AbsoluteAndEmptyNamesAreMissing) {
    dir_.Write("graph/bg01.png", "bg");
    dir_.Write("C:/x", "a folder named like a drive");
    dir_.Write("c:x", "a file named like a drive-relative path");
    for (const char* name :
         {"", "\\", "/", "C:\\x", "C:/x", "c:x", "\\graph\\bg01.png", "/graph/bg01.png"}) {
        EXPECT_EQ(Resolve(name), "<missing>") << '"' << name << '"';
    }
    EXPECT_EQ(ResolveNovelPath(dir_.path() + "nothere", "graph\\bg01.png"), std::nullopt);
}

TEST_F(NovelPathResolve, FoldersAreNotFiles) {
    dir_.Write("graph/bg01.png", "bg");
    EXPECT_EQ(Resolve("graph"), "<missing>");
    EXPECT_EQ(Resolve("GRAPH"), "<missing>");
    EXPECT_EQ(Resolve("graph\\"), "<missing>");
    EXPECT_EQ(Resolve("."), "<missing>");
}

TEST_F(NovelPathResolve, DotComponentsAreAllowed) {
    dir_.Write("graph/bg01.png", "bg");
    dir_.Write("novel/scenario.qke", "qke");
    dir_.Write("top.txt", "top");
    EXPECT_EQ(Resolve("graph\\..\\top.txt"), "graph/../top.txt");
    EXPECT_EQ(Resolve("GRAPH\\..\\NOVEL\\Scenario.QKE"), "graph/../novel/scenario.qke");
    EXPECT_EQ(Resolve(".\\graph\\bg01.png"), "./graph/bg01.png");
    EXPECT_EQ(Resolve("graph\\..\\missing.txt"), "<missing>");
    // Resolving from a sub-folder, ".." reaches its parent.
    std::optional<std::string> up = ResolveNovelPath(dir_.path() + "novel", "..\\graph\\BG01.png");
    ASSERT_TRUE(up.has_value());
    EXPECT_EQ(*up, dir_.path() + "novel/../graph/bg01.png");
}

TEST_F(NovelPathResolve, FolderWithoutTrailingSlashAndEmptyFolder) {
    dir_.Write("graph/bg01.png", "bg");
    std::string folder = dir_.path();
    while (!folder.empty() && folder.back() == '/') {
        folder.pop_back();
    }
    EXPECT_EQ(ResolveNovelPath(folder, "GRAPH\\BG01.PNG"), folder + "/graph/bg01.png");

    // "" is the current directory, and the answer stays relative to it.
    std::filesystem::path saved = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());
    std::optional<std::string> relative = ResolveNovelPath("", "GRAPH\\BG01.PNG");
    std::optional<std::string> missing = ResolveNovelPath("", "graph\\bg02.png");
    std::filesystem::current_path(saved);
    EXPECT_EQ(relative, std::optional<std::string>("graph/bg01.png"));
    EXPECT_EQ(missing, std::nullopt);
}

struct NameCase {
    const char* label;
    std::string name;
    size_t lastSeparator;
    std::string fileName;
    std::string filePath;
    std::string withBmp;  // ChangeFileExt(name, ".bmp")
};

TEST(NovelPathNames, HelpersStepOverDoubleByteCharacters) {
    constexpr size_t npos = std::string::npos;
    const NameCase cases[] = {
        {"plain file", "bg01.png", npos, "bg01.png", "", "bg01.bmp"},
        {"one folder", "graph\\bg01.png", 5, "bg01.png", "graph\\", "graph\\bg01.bmp"},
        {"kanji with trail 0x5C alone", "\x95\x5C", npos, "\x95\x5C", "", "\x95\x5C.bmp"},
        {"Japanese folder and file", kHyoji + "\\" + kSoosu + ".png", 4, kSoosu + ".png",
         kHyoji + "\\", kHyoji + "\\" + kSoosu + ".bmp"},
        {"file ending in a trail 0x5C", "a.b\\\x83\x5C", 3, "\x83\x5C", "a.b\\",
         "a.b\\\x83\x5C.bmp"},
        {"trail 0x5C before the dot", "\x83\x5C.txt", npos, "\x83\x5C.txt", "", "\x83\x5C.bmp"},
        {"dot only in the folder", "v1.0\\readme", 4, "readme", "v1.0\\", "v1.0\\readme.bmp"},
        {"two dots", "a\\b.tar.gz", 1, "b.tar.gz", "a\\", "a\\b.tar.bmp"},
        {"trailing separator", "dir\\", 3, "", "dir\\", "dir\\.bmp"},
        {"drive prefix", "C:x.png", npos, "x.png", "C:", "C:x.bmp"},
        {"lead byte at the end", "x\\\x83", 1, "\x83", "x\\", "x\\\x83.bmp"},
        {"empty", "", npos, "", "", ".bmp"},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(LastSeparator(c.name), c.lastSeparator);
        EXPECT_EQ(Hex(ExtractFileName(c.name)), Hex(c.fileName));
        EXPECT_EQ(Hex(ExtractFilePath(c.name)), Hex(c.filePath));
        EXPECT_EQ(Hex(ChangeFileExt(c.name, ".bmp")), Hex(c.withBmp));
    }
    EXPECT_EQ(ChangeFileExt("a\\b.png", ""), "a\\b");
    EXPECT_EQ(Hex(ChangeFileExt(kSoosu + ".png", "")), Hex(kSoosu));
}

TEST(NovelPathNames, NativeHelpersUseSlashesOnly) {
    struct Case {
        const char* path;
        const char* folder;
        const char* fileName;
        const char* withQkb;  // NativeChangeExt(path, ".qkb")
    } cases[] = {
        {"/home/u/novel.exe", "/home/u/", "novel.exe", "/home/u/novel.qkb"},
        {"novel", "", "novel", "novel.qkb"},
        {"/a.d/novel", "/a.d/", "novel", "/a.d/novel.qkb"},
        {"/a/b.tar.gz", "/a/", "b.tar.gz", "/a/b.tar.qkb"},
        {"/a/dir/", "/a/dir/", "", "/a/dir/.qkb"},
        {"/x", "/", "x", "/x.qkb"},
        {"rel/x.y", "rel/", "x.y", "rel/x.qkb"},
        {"/a\\b.c", "/", "a\\b.c", "/a\\b.qkb"},
        {"/\xE8\xA1\xA8.d/\xE8\xA1\xA8", "/\xE8\xA1\xA8.d/", "\xE8\xA1\xA8",
         "/\xE8\xA1\xA8.d/\xE8\xA1\xA8.qkb"},
        {"", "", "", ".qkb"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(NativeFolderOf(c.path), c.folder);
        EXPECT_EQ(NativeFileNameOf(c.path), c.fileName);
        EXPECT_EQ(NativeChangeExt(c.path, ".qkb"), c.withQkb);
    }
}

}  // namespace
}  // namespace tavri::platform

namespace tavri::platform {
namespace {

TEST(NovelPathMixed, TrailingSeparatorsAndMixedEncodingsPerComponent) {
    test::TempDir dir;
    // A UTF-8 folder holding a file kept under its raw cp932 bytes.
    std::string rawName = Cp932("絵.png");
    dir.Write("画像/" + rawName, std::string("x"));
    EXPECT_EQ(ResolveNovelPath(dir.path(), Cp932("画像\\絵.PNG")), dir.path() + "画像/" + rawName);
    EXPECT_FALSE(ResolveNovelPath(dir.path(), Cp932("画像\\絵.png\\")).has_value());
    EXPECT_FALSE(ResolveNovelPath(dir.path(), Cp932("画像\\絵.png/")).has_value());
    // A trail byte 0x5C at the very end is part of its character, not a separator.
    dir.Write("表", std::string("x"));
    EXPECT_EQ(ResolveNovelPath(dir.path(), Cp932("表")), dir.path() + "表");
}

TEST(NovelPathMixed, WaveDashAndFriendsEncodeToTheirCp932Codes) {
    EXPECT_EQ(Utf8ToCp932Strict("〜"), std::optional<std::string>("\x81\x60"));
    EXPECT_EQ(Utf8ToCp932Strict("−"), std::optional<std::string>("\x81\x7C"));
    EXPECT_EQ(Utf8ToCp932Strict("‖"), std::optional<std::string>("\x81\x61"));
}

}  // namespace
}  // namespace tavri::platform
