#include <gtest/gtest.h>

#include "Crypt.h"
#include "Packager.h"
#include "platform/FileSystem.h"
#include "platform/TextEncoding.h"
#include "support/TestSupport.h"

namespace tavri::tool {
namespace {

using platform::Cp932;
using test::TempDir;

std::string Player() {
    return test::BinDir() + "/TavriNovelRun";
}
std::string Tool() {
    return test::BinDir() + "/tavri-tool";
}

struct Novel {
    TempDir dir;
    std::string folder = dir.path() + "novel/";
    Novel() {
        dir.Write("novel/autorun.qke", test::SampleScenario().ToBytes());
        dir.Write("novel/画像/表示.png", std::string("png bytes"));
        dir.Write("novel/sound/se.wav", std::string("RIFF"));
        dir.Write("novel/.hidden", std::string("x"));
    }
};

TEST(Packager, PackedNovelPlaysListsAndUnpacks) {
    Novel n;
    std::string out = n.dir.path() + "Finished";
    TPackReport report = PackNovel({n.folder, out, Player(), {}, 42u});
    auto size = platform::ReadWholeFile(Player())->size();
    EXPECT_EQ(report.ArchiveStart, int64_t(size));

    TArchiveListing listing = ListArchive(out);
    EXPECT_EQ(listing.ArchiveStart, int64_t(size));
    std::vector<std::string> names;
    for (const TPackageEntry& e : listing.Entries) {
        names.push_back(e.Name);
        EXPECT_TRUE(listing.Readable(e));
    }
    // The sound engine beside the player travels with the novel.
    EXPECT_EQ(names, (std::vector<std::string>{"autorun.qke", "sound\\se.wav",
                                               Cp932("画像\\表示.png"), "QKSound.qkx"}));

    // With no display the packed player reads its novel through without a window and ends.
    test::RunResult run = test::RunProgram(out, {"/DEBUG"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("so the novel was read without a window"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("pages and 1 ending read\n"), std::string::npos) << run.err;

    std::string back = n.dir.path() + "back/";
    EXPECT_TRUE(UnpackArchive(out, back).empty());
    EXPECT_EQ(platform::ReadWholeFile(back + "autorun.qke"),
              platform::ReadWholeFile(n.folder + "autorun.qke"));
    EXPECT_EQ(platform::ReadWholeFile(back + "画像/表示.png"),
              platform::ReadWholeFile(n.folder + "画像/表示.png"));

    // Packing again from the finished program drops its old archive.
    std::string again = n.dir.path() + "Again";
    PackNovel({n.folder, again, out, {}, 7u});
    EXPECT_EQ(ListArchive(again).ArchiveStart, int64_t(size));
    EXPECT_NE(platform::ReadWholeFile(again), platform::ReadWholeFile(out));  // another seed
}

TEST(Packager, ScenarioIsStoredScrambled) {
    Novel n;
    std::string out = n.dir.path() + "Finished";
    PackNovel({n.folder, out, Player(), {}, 0x01020304u});
    TArchiveListing listing = ListArchive(out);
    auto bytes = *platform::ReadWholeFile(out);
    const TPackageEntry& e = listing.Entries[0];
    std::vector<uint8_t> stored(bytes.begin() + listing.DataBase + e.Offset,
                                bytes.begin() + listing.DataBase + e.Offset + e.Size);
    EXPECT_EQ(stored, Scramble(test::SampleScenario().ToBytes(), 0x01020304u));
}

TEST(Packager, RefusesWhatThePlayerCouldNotPlay) {
    Novel n;
    tool::TScenarioFile old = test::SampleScenario();
    old.Header.Version = 7;
    std::string oldPath = n.dir.Write("old.qke", old.ToBytes());
    std::string out = n.dir.path() + "x";
    struct Case {
        const char* what;
        TPackOptions options;
        const char* message;
    } cases[] = {
        {"old version", {n.folder, out, Player(), oldPath, {}}, "plays only version 8"},
        {"no scenario", {n.folder + "sound", out, Player(), {}, {}}, "no scenario"},
        {"not a player", {n.folder, out, n.folder + "sound/se.wav", {}, {}}, "not a player"},
        {"no folder", {n.dir.path() + "none", out, Player(), {}, {}}, "is not a folder"},
    };
    for (const Case& c : cases) {
        try {
            PackNovel(c.options);
            ADD_FAILURE() << c.what;
        } catch (const EToolError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
                << c.what << ": " << e.what();
        }
    }
}

TEST(Packager, UnpackSkipsNamesThatLeaveTheFolder) {
    TempDir dir;
    std::vector<uint8_t> archive = BuildPackage(
        {{"..\\escape.txt", {1}}, {"ok\\file.txt", {2}}, {"\\rooted", {3}}, {"C:\\drive", {4}}});
    std::string path = dir.Write("archive.bin", archive);
    std::vector<std::string> skipped = UnpackArchive(path, dir.path() + "out");
    EXPECT_EQ(skipped, (std::vector<std::string>{"..\\escape.txt", "\\rooted", "C:\\drive"}));
    EXPECT_TRUE(platform::FileExists(dir.path() + "out/ok/file.txt"));
    EXPECT_FALSE(platform::FileExists(dir.path() + "escape.txt"));
}

TEST(Packager, CommandLineTool) {
    Novel n;
    std::string out = n.dir.path() + "Game";
    test::RunResult pack = test::RunProgram(Tool(), {"pack", n.folder, out, "--player", Player()});
    ASSERT_EQ(pack.status, 0) << pack.err;
    test::RunResult list = test::RunProgram(Tool(), {"list", out});
    EXPECT_EQ(list.status, 0);
    EXPECT_NE(list.out.find("画像\\表示.png"), std::string::npos) << list.out;
    test::RunResult unpack = test::RunProgram(Tool(), {"unpack", out, n.dir.path() + "u"});
    EXPECT_EQ(unpack.status, 0) << unpack.err;
    test::RunResult decompile =
        test::RunProgram(Tool(), {"decompile", n.dir.path() + "u/autorun.qke"});
    EXPECT_EQ(decompile.status, 0) << decompile.err;
    EXPECT_NE(decompile.out.find("見本の物語"), std::string::npos);

    EXPECT_EQ(test::RunProgram(Tool(), {}).status, 2);
    EXPECT_EQ(test::RunProgram(Tool(), {"pack", n.folder}).status, 2);
    test::RunResult bad = test::RunProgram(Tool(), {"list", n.folder + "sound/se.wav"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("holds no novel archive"), std::string::npos);
}

TEST(Packager, PlayerAnswersHelpAndVersion) {
    const test::RunResult help = test::RunProgram(Player(), {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage:"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("Alt+Enter"), std::string::npos);
    const test::RunResult version = test::RunProgram(Player(), {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("Tavri! Novel R.9.61\nSDL2 ", 0), 0u) << version.out;
    EXPECT_NE(version.out.find("FluidSynth "), std::string::npos);
    EXPECT_NE(version.out.find("sound engine: "), std::string::npos);
}

TEST(Packager, PlayerReportsStartupMessagesOnStderrWithoutADisplay) {
    TempDir dir;
    test::RunResult missing = test::RunProgram(Player(), {dir.path() + "gone.qke"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err,
              "TavriNovelRun: Tavri! Novel Runtime: ファイル gone.qke を開けません。\n"
              "実行を中止します。\n");
    std::string ok = dir.Write("ok.qke", test::SampleScenario().ToBytes());
    EXPECT_EQ(test::RunProgram(Player(), {ok}).status, 0);
    // A relative scenario path is taken from the directory the player was started in.
    EXPECT_EQ(test::RunProgram(Player(), {"ok.qke"}, dir.path()).status, 0);
}

}  // namespace
}  // namespace tavri::tool
