// Novels packaged for Windows (a Windows program with the archive after its image), played by
// naming the .exe: start-up, the archive found in 32- and 64-bit images, the sounds played by
// our own engine from the .exe, pictures beside it, the shared bookmark file, the Windows
// library in the archive never loaded, and the tool reading the same archives.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "ArchiveLocator.h"
#include "Packager.h"
#include "Startup.h"
#include "forms/NovelWindows.h"
#include "graphics/TestBitmaps.h"
#include "platform/FileSystem.h"
#include "platform/TextEncoding.h"
#include "run/HeadlessReader.h"
#include "run/RunFixture.h"
#include "sound/SoundSupport.h"
#include "soundengine/SoundFixtures.h"
#include "support/TestSupport.h"
#include "support/WindowsImage.h"

namespace tavri::test {
namespace {

using platform::Cp932;

const char* const kSource = R"(
[header]
NovelTitle = "Windows novel"
StartItemName = "start"
TextSpeed = 10
BookmarkMode = 0
DefaultTransitionName = "NONE"

[item "start"]
LinkKind = ending
Text:
| .BGMPlay "night.wav"
| .GraphLoad "side.bmp"
| one page@
)";

std::vector<uint8_t> Wave() {
    const auto bytes = soundtest::Wav(1, 22050, 16, soundtest::Sine16(1, 22050, 440, 0.2, 44100));
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

// A novel as its author shipped it for Windows: Games/Novel.EXE, with the sound in the archive
// and a picture beside it; our own player (with its engine) in the test's folder.
struct WindowsNovel : THeadlessNovelHost {
    explicit WindowsNovel(bool wide, bool withArchive = true) {
        InstallSoundEngineBeside(dir.path());
        programPath = dir.path() + "TavriNovelRun";
        marker = dir.path() + "windows-library-loaded";
        setenv("TAVRI_FAKE_QKSOUND_MARKER", marker.c_str(), 1);
        dir.Write("data/night.wav", Wave());
        const auto library = platform::ReadWholeFile(FakeSoundEnginePath("records-load"));
        EXPECT_TRUE(library.has_value());
        windowsLibrary = library.value_or(std::vector<uint8_t>{});
        dir.Write("data/QKSound.qkx", windowsLibrary);
        dir.Write("novel.src", kSource);

        // The packer appends to a 32-bit image where the fixed rule says; the archive it wrote
        // then goes after either kind of image.
        std::vector<uint8_t> archive;
        if (withArchive) {
            dir.Write("image32.exe", WindowsImage(false).Bytes);
            tool::TPackOptions options;
            options.Folder = dir.path() + "data";
            options.OutputPath = dir.path() + "packed32.exe";
            options.PlayerPath = dir.path() + "image32.exe";
            options.ScenarioPath = dir.path() + "novel.src";
            options.Seed = 7;
            const tool::TPackReport report = tool::PackNovel(options);
            const auto packed = platform::ReadWholeFile(options.OutputPath).value();
            archive.assign(packed.begin() + report.ArchiveStart, packed.end());
        }
        std::vector<uint8_t> image = WindowsImage(wide).Bytes;
        image.insert(image.end(), archive.begin(), archive.end());
        exePath = dir.Write("Games/Novel.EXE", image);
        dir.Write("Games/side.bmp", Bmp(640, 480, RGB(0, 120, 40), RGB(0, 120, 40)));
    }
    ~WindowsNovel() {
        CloseNovelWindows(*this);
        unsetenv("TAVRI_FAKE_QKSOUND_MARKER");
    }

    int Start(std::vector<std::string> extra = {}) {
        std::vector<std::string> arguments{exePath};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        TStartupEnvironment env{arguments, programPath, dir.path(), clock, messages};
        return StartNovel(env, session);
    }

    // From the title to the first click wait.
    bool ReadToFirstWait() {
        if (!RunLoopUntil(
                *this, [&] { return main->AcceptsTitleClick(); }, 60000)) {
            return false;
        }
        ClickAt(*this, 320, 300, platform::MouseButton::Left);
        return RunLoopUntil(
            *this, [&] { return state->RunMode == RmClickWait; }, 60000);
    }

    TempDir dir;
    std::string programPath, exePath, marker;
    std::vector<uint8_t> windowsLibrary;
};

TEST(WindowsNovel, TheArchiveIsFoundAfterThirtyTwoAndSixtyFourBitImages) {
    const std::vector<uint8_t> archive = BuildPackage({{"autorun.qke", {1, 2, 3, 4, 5}}});
    for (const bool wide : {false, true}) {
        TWindowsImage image = WindowsImage(wide);
        platform::TMemoryStream bare(image.Bytes);
        EXPECT_EQ(PeFurthestSectionEnd(bare), image.FurthestEnd);
        EXPECT_EQ(LocateArchive(bare), -1);
        std::vector<uint8_t> packed = image.Bytes;
        packed.insert(packed.end(), archive.begin(), archive.end());
        platform::TMemoryStream stream(packed);
        EXPECT_EQ(LocateArchive(stream), image.FurthestEnd) << wide;
    }
    // A section said to lie past the file's end: no image we can read.
    TWindowsImage broken = WindowsImage(true);
    broken.Bytes.resize(0xE00);
    platform::TMemoryStream cut(broken.Bytes);
    EXPECT_EQ(PeFurthestSectionEnd(cut), -1);
}

TEST(WindowsNovel, NamingTheExePlaysItWithItsSoundsAndPicturesToTheEnd) {
    for (const bool wide : {false, true}) {
        WindowsNovel n(wide);
        ASSERT_EQ(n.Start(), 0) << wide;
        EXPECT_TRUE(n.session.ForeignPackage);
        EXPECT_EQ(n.session.PackagePath, n.exePath);
        EXPECT_EQ(n.session.DataFolder, n.dir.path() + "Games/");
        EXPECT_EQ(n.session.BookmarkPath, n.dir.path() + "Games/novel.qkb");  // as on Windows
        OpenNovelWindows(n);
        THeadlessReader reader(n.clock, n.display, *n.main);
        n.windows->ReplaceServices(&reader.Answers());
        ASSERT_TRUE(n.ReadToFirstWait());
        // The sound came out of the .exe's archive through our engine; the picture from beside
        // it; the Windows library was never loaded.
        EXPECT_TRUE(n.main->IsSoundTrackPlaying("bgm")) << wide;
        EXPECT_EQ(n.state->ScreenImage.Pixel(10, 400), RGB(0, 120, 40));
        EXPECT_FALSE(platform::FileExists(n.marker));
        const THeadlessReadResult result = reader.Read("");
        EXPECT_TRUE(result.Finished) << result.StoppedAt;
        EXPECT_EQ(result.Endings, 1);
        for (const auto& m : n.messages.records) {
            ADD_FAILURE() << platform::Cp932ToUtf8(m.caption) << ": "
                          << platform::Cp932ToUtf8(m.text);
        }
    }
}

// Our engine is looked for beside the player, then where an installed player keeps it (or the
// folder TAVRI_SOUNDENGINE names); without one the novel plays silent after the usual message.
TEST(WindowsNovel, OurOwnEngineIsFoundWhereThePlayerIsInstalled) {
    enum class Where { Installed, Named, Nowhere };
    for (const Where where : {Where::Installed, Where::Named, Where::Nowhere}) {
        WindowsNovel n(false);
        platform::RemoveFile(n.dir.path() + "QKSound.qkx");
        n.programPath = n.dir.path() + "bin/TavriNovelRun";
        for (const char* folder : {"bin", "lib/tavri", "engines"}) {
            std::filesystem::create_directories(n.dir.path() + folder);
        }
        if (where == Where::Installed) {
            InstallSoundEngineBeside(n.dir.path() + "lib/tavri");
        } else if (where == Where::Named) {
            InstallSoundEngineBeside(n.dir.path() + "engines");
            setenv("TAVRI_SOUNDENGINE", (n.dir.path() + "engines").c_str(), 1);
        }
        ASSERT_EQ(n.Start(), 0);
        OpenNovelWindows(n);
        ASSERT_TRUE(n.ReadToFirstWait());
        unsetenv("TAVRI_SOUNDENGINE");
        EXPECT_EQ(n.main->IsSoundTrackPlaying("bgm"), where != Where::Nowhere);
        // Without an engine: the loader's message and the silent mode's, as for any novel.
        EXPECT_EQ(n.messages.records.size(), where == Where::Nowhere ? 2u : 0u);
        EXPECT_FALSE(platform::FileExists(n.marker));
    }
}

TEST(WindowsNovel, TheReadersArgumentsStillApply) {
    WindowsNovel n(false);
    ASSERT_EQ(n.Start({"*" + n.dir.path() + "data", "=" + n.dir.path() + "mine.qkb", "/DEBUG"}), 0);
    EXPECT_TRUE(n.session.ForeignPackage);
    EXPECT_EQ(n.session.DataFolder, n.dir.path() + "data");
    EXPECT_EQ(n.session.BookmarkPath, n.dir.path() + "mine.qkb");
    EXPECT_TRUE(n.session.DebugMode);
}

TEST(WindowsNovel, AWindowsProgramWithoutANovelIsRefused) {
    WindowsNovel n(true, false);
    EXPECT_EQ(n.Start(), 1);
    ASSERT_EQ(n.messages.records.size(), 1u);
    EXPECT_EQ(
        n.messages.records[0].text,
        Cp932("Novel.EXE はこのプレイヤーで開けるノベルではありません。\r\n実行を中止します。"));
    EXPECT_EQ(n.messages.records[0].caption, kRuntimeCaption);
}

TEST(WindowsNovel, TheToolListsAndUnpacksBothKinds) {
    for (const bool wide : {false, true}) {
        WindowsNovel n(wide);
        const tool::TArchiveListing listing = tool::ListArchive(n.exePath);
        EXPECT_EQ(listing.ArchiveStart, 0x1000);
        std::vector<std::string> names;
        for (const TPackageEntry& e : listing.Entries) {
            names.push_back(e.Name);
        }
        EXPECT_NE(std::find(names.begin(), names.end(), "QKSound.qkx"), names.end());
        EXPECT_NE(std::find(names.begin(), names.end(), "autorun.qke"), names.end());
        const std::string out = n.dir.path() + "unpacked";
        EXPECT_TRUE(tool::UnpackArchive(n.exePath, out).empty());
        EXPECT_EQ(platform::ReadWholeFile(out + "/QKSound.qkx"), n.windowsLibrary);
        EXPECT_EQ(platform::ReadWholeFile(out + "/night.wav"), Wave());
    }
}

}  // namespace
}  // namespace tavri::test
