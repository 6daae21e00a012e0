#include <gtest/gtest.h>

#include "Crypt.h"
#include "PackageFile2.h"
#include "Startup.h"
#include "platform/FileSystem.h"
#include "platform/TextEncoding.h"
#include "support/TestSupport.h"

namespace tavri {
namespace {

using platform::Cp932;
using platform::RecordingMessageBoxService;
using platform::VirtualClock;
using test::TempDir;

const std::string kCaption = "Tavri! Novel Runtime";

struct Fixture {
    TempDir dir;
    VirtualClock clock{1234};
    RecordingMessageBoxService box;
    TNovelSession session;

    int Start(const std::string& exe, std::vector<std::string> args,
              const std::string& startDir = {}) {
        TStartupEnvironment env{std::move(args), exe, startDir.empty() ? dir.path() : startDir,
                                clock, box};
        return StartNovel(env, session);
    }
    std::string OnlyMessage() const {
        EXPECT_EQ(box.records.size(), 1u);
        if (box.records.empty()) {
            return {};
        }
        EXPECT_EQ(box.records[0].caption, kCaption);
        EXPECT_EQ(box.records[0].icon, platform::MsgIcon::Error);
        return box.records[0].text;
    }
    // A copy of the real player with an archive of `entries` appended.
    std::string PackagedPlayer(const std::string& name,
                               const std::vector<TPackageWriterEntry>& entries) {
        auto player = platform::ReadWholeFile(test::BinDir() + "/TavriNovelRun");
        EXPECT_TRUE(player.has_value());
        std::vector<uint8_t> archive = BuildPackage(entries);
        player->insert(player->end(), archive.begin(), archive.end());
        return dir.Write(name, *player);
    }
};

std::vector<uint8_t> ScenarioBytes(int32_t version = 8) {
    tool::TScenarioFile f = test::SampleScenario();
    f.Header.Version = version;
    return f.ToBytes();
}

TEST(Startup, NoArgumentsReadsTheScenarioNamedAfterThePlayer) {
    Fixture f;
    f.dir.Write("Games/Novel.qke", ScenarioBytes());
    std::string exe = f.dir.path() + "Games/Novel";
    ASSERT_EQ(f.Start(exe, {}), 0);
    EXPECT_TRUE(f.box.records.empty());
    EXPECT_EQ(f.session.ScenarioPath, exe + ".qke");
    EXPECT_EQ(f.session.DataFolder, f.dir.path() + "Games/");
    // Only the file name is lower-cased: the folder "Games" must still exist.
    EXPECT_EQ(f.session.BookmarkPath, f.dir.path() + "Games/novel.qkb");
    EXPECT_EQ(f.session.Package, nullptr);
    EXPECT_EQ(f.session.Items->Count, 2);
    EXPECT_EQ(f.session.Counters->Count, 1);
    EXPECT_EQ(f.session.InitialCounters->Entries[0].Name, "Flag");
    EXPECT_EQ(f.session.Header->NovelTitle, Cp932("見本の物語"));
    EXPECT_EQ(f.session.DefaultFont.Face, Cp932("ＭＳ Ｐゴシック"));
    EXPECT_EQ(f.session.DefaultFont.Height, -28);
}

TEST(Startup, CommandLineRules) {
    Fixture f;
    std::string scenario = f.dir.Write("novels/My Story.QKE", ScenarioBytes());
    f.dir.Write("data/.keep", "");
    std::string exe = f.dir.path() + "bin/TavriNovelRun";
    struct Case {
        const char* what;
        std::vector<std::string> args;
        std::string scenario, dataFolder, bookmark;
        bool debug, only16;
    };
    const std::string d = f.dir.path();
    std::vector<Case> cases = {
        {"absolute scenario, lower-case options",
         {scenario, "/debug", "/16"},
         scenario,
         d + "novels/",
         d + "novels/my story.qkb",
         true,
         true},
        {"/16x and other short words do nothing",
         {"/16x", "/X", scenario, ""},
         scenario,
         d + "novels/",
         d + "novels/my story.qkb",
         false,
         false},
        {"relative scenario and folder are taken from the start directory",
         {"novels/My Story.QKE", "*data/", "=Marks/B.QKB"},
         scenario,
         d + "data/",
         d + "Marks/B.QKB",
         false,
         false},
        {"data folder without a scenario stays with the player",
         {"*" + d + "data/"},
         exe + ".qke",
         d + "bin/",
         d + "bin/tavrinovelrun.qkb",
         false,
         false},
        {"a later scenario replaces an earlier one",
         {"first.qke", scenario},
         scenario,
         d + "novels/",
         d + "novels/my story.qkb",
         false,
         false},
    };
    for (const Case& c : cases) {
        TNovelSession s;
        TStartupEnvironment env{c.args, exe, d, f.clock, f.box};
        ApplyCommandLine(env, s);
        EXPECT_EQ(s.ScenarioPath, c.scenario) << c.what;
        EXPECT_EQ(s.DataFolder, c.dataFolder) << c.what;
        EXPECT_EQ(s.BookmarkPath, c.bookmark) << c.what;
        EXPECT_EQ(s.DebugMode, c.debug) << c.what;
        EXPECT_EQ(s.Only16BitModes, c.only16) << c.what;
    }
}

TEST(Startup, ScenarioMessagesStopWithStatusOne) {
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        std::string text;
    };
    tool::TScenarioFile noItems = test::SampleScenario();
    noItems.Items.clear();
    tool::TScenarioFile tooMany = test::SampleScenario();
    tooMany.Items.resize(2049);
    tool::TScenarioFile tooManyCounters = test::SampleScenario();
    tooManyCounters.Counters.resize(257);
    std::vector<uint8_t> cut = ScenarioBytes();
    cut.resize(cut.size() - 3);
    const std::string stop = "\r\n" + Cp932("実行を中止します。");
    std::vector<Case> cases = {
        {"version 7", ScenarioBytes(7),
         Cp932("s.qke のファイルバージョンが違います。\r\nTavri! Novel R.9.61 "
               "で保存しなおしてください。")},
        {"version 1", ScenarioBytes(1),
         Cp932("s.qke のファイルバージョンが違います。\r\nTavri! Novel R.9.61 "
               "で保存しなおしてください。")},
        {"cut short", cut, Cp932("s.qke のデータが壊れています。") + stop},
        {"no items", noItems.ToBytes(), Cp932("s.qke にアイテムがありません。") + stop},
        {"2049 items", tooMany.ToBytes(),
         Cp932("s.qke のアイテム数が 2048 を超えています。") + stop},
        {"257 counters", tooManyCounters.ToBytes(),
         Cp932("s.qke のカウンタ数が 256 を超えています。") + stop},
    };
    for (const Case& c : cases) {
        Fixture f;
        std::string path = f.dir.Write("s.qke", c.bytes);
        EXPECT_EQ(f.Start(f.dir.path() + "player", {path}), 1) << c.what;
        EXPECT_EQ(f.OnlyMessage(), c.text) << c.what;
    }
}

TEST(Startup, UnreadableScenarioNamesTheFileWithoutItsFolder) {
    for (std::string name : {"missing.qke", "folder.qke"}) {
        Fixture f;
        f.dir.Write("folder.qke/inside", "");
        EXPECT_EQ(f.Start(f.dir.path() + "p", {f.dir.path() + name}), 1);
        EXPECT_EQ(f.OnlyMessage(),
                  Cp932("ファイル " + name + " を開けません。\r\n実行を中止します。"));
    }
}

TEST(Startup, PackageModeIgnoresTheCommandLine) {
    Fixture f;
    std::string exe = f.PackagedPlayer(
        "Shelf/MyNovel",
        {{"AUTORUN.QKE", Scramble(ScenarioBytes(), 77)}, {"image\\bg.png", {1, 2}}});
    ASSERT_EQ(f.Start(exe, {"/DEBUG", "/16", "other.qke"}), 0);
    EXPECT_TRUE(f.box.records.empty());
    ASSERT_NE(f.session.Package, nullptr);
    EXPECT_FALSE(f.session.DebugMode);
    EXPECT_FALSE(f.session.Only16BitModes);
    EXPECT_EQ(f.session.ScenarioPath, "");
    EXPECT_EQ(f.session.DataFolder, f.dir.path() + "Shelf/");
    EXPECT_EQ(f.session.BookmarkPath, f.dir.path() + "Shelf/mynovel.qkb");
    EXPECT_EQ(f.session.Items->List[1]->Name, "end");
    EXPECT_EQ(f.session.Package->IndexOf("IMAGE\\BG.PNG"), 1);
}

TEST(Startup, PackageMessages) {
    const std::string stop = "\r\n" + Cp932("実行を中止します。");
    struct Case {
        const char* what;
        std::vector<TPackageWriterEntry> entries;
        std::string text;
    };
    std::vector<Case> cases = {
        {"no scenario entry",
         {{"other.qke", Scramble(ScenarioBytes(), 1)}},
         Cp932("EXEファイルアーカイブを正しく開けません。") + stop},
        {"scenario of four bytes",
         {{"autorun.qke", {1, 2, 3, 4}}},
         Cp932("autorun.qke のデータが壊れています。") + stop},
        {"version 7 names no file",
         {{"autorun.qke", Scramble(ScenarioBytes(7), 5)}},
         Cp932(" のファイルバージョンが違います。\r\nTavri! Novel R.9.61 "
               "で保存しなおしてください。")},
    };
    for (const Case& c : cases) {
        Fixture f;
        std::string exe = f.PackagedPlayer("game", c.entries);
        EXPECT_EQ(f.Start(exe, {}), 1) << c.what;
        EXPECT_EQ(f.OnlyMessage(), c.text) << c.what;
    }
}

// A package cut short plays what it still holds, and says once how many of its files are gone.
TEST(Startup, APackageCutShortSaysHowManyFilesAreMissing) {
    Fixture f;
    std::string exe = f.PackagedPlayer("Cut", {{"autorun.qke", Scramble(ScenarioBytes(), 3)},
                                               {"bg\\one.bmp", std::vector<uint8_t>(300, 1)},
                                               {"bg\\two.bmp", std::vector<uint8_t>(300, 2)}});
    auto bytes = platform::ReadWholeFile(exe).value();
    bytes.resize(bytes.size() - 400);  // the last file wholly, the one before it in part
    f.dir.Write("Cut", bytes);
    ASSERT_EQ(f.Start(exe, {}), 0);
    ASSERT_EQ(f.box.records.size(), 1u);
    EXPECT_EQ(f.box.records[0].caption, kCaption);
    EXPECT_EQ(f.box.records[0].icon, platform::MsgIcon::Warning);
    EXPECT_EQ(f.box.records[0].text,
              Cp932("Cut が壊れています。\r\n中のファイルのうち 2 個が読めません。"
                    "読めるところだけで続けます。"));
}

TEST(Startup, DefaultFontFollowsTheFontType) {
    struct Case {
        int32_t type;
        std::string face;
        bool bold;
    } cases[] = {
        {0, Cp932("ＭＳ Ｐゴシック"), false}, {1, Cp932("ＭＳ Ｐ明朝"), true}, {7, "", false}};
    for (const Case& c : cases) {
        CNovelFileHeader h;
        h.FontType = c.type;
        h.FontSize = 20;
        TFontSpec font = DefaultFontFor(h);
        EXPECT_EQ(font.Face, c.face);
        EXPECT_EQ(font.Bold, c.bold);
        EXPECT_EQ(font.Height, -20);
    }
}

}  // namespace
}  // namespace tavri
