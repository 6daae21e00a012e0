// Loading the sound engine library: the real one starts, and the libraries the player must not
// use are refused with the texts the user sees, leaving every call a no-op.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/MessageBox.h"
#include "platform/TextEncoding.h"
#include "sound/SoundEngine.h"
#include "sound/SoundSupport.h"
#include "support/TestSupport.h"

namespace tavri::test {
namespace {

using platform::Cp932;

struct Shown {
    std::string text, caption;  // UTF-8
};

std::vector<Shown> ShownUtf8(const platform::RecordingMessageBoxService& messages) {
    std::vector<Shown> shown;
    for (const auto& record : messages.records) {
        EXPECT_EQ(record.icon, platform::MsgIcon::Error);
        shown.push_back(
            {platform::Cp932ToUtf8(record.text), platform::Cp932ToUtf8(record.caption)});
    }
    return shown;
}

TEST(SoundEngineBinding, TheBuiltLibraryStartsOnTheDummyDevice) {
    TempDir dir;
    InstallSoundEngineBeside(dir.path());
    platform::RecordingMessageBoxService messages;
    TQKSoundEngine engine(1, BuiltSoundEnginePath(), messages);
    EXPECT_TRUE(engine.IsLoaded());
    EXPECT_TRUE(messages.records.empty());
    EXPECT_FALSE(engine.IsPlaying("bgm"));
}

TEST(SoundEngineBinding, UnusableLibrariesAreRefusedWithTheirMessage) {
    struct Case {
        std::string path;
        std::string text, caption;
    };
    TempDir dir;
    const std::string notALibrary = dir.Write("QKSound.qkx", "this is no shared object");
    const std::vector<Case> cases = {
        {dir.path() + "/missing/QKSound.qkx", "QKSound をロードできません.", "Error"},
        {notALibrary, "QKSound をロードできません.", "Error"},
        // Only an absolute path is loaded: nothing is searched for.
        {"QKSound.qkx", "QKSound をロードできません.", "Error"},
        {FakeSoundEnginePath("revision2"),
         "対応していないサウンドエンジン(QKSound)がロードされました.\r\n"
         "(要求リビジョン = 1, ロードされたDLLのリビジョン = 2)",
         "Error"},
        {FakeSoundEnginePath("no-partition"),
         "関数 QKSoundPlayFromFilePartition() をインポートできません.", "QKSound ロードエラー"},
        // The first missing export in binding order is the one named.
        {FakeSoundEnginePath("no-stop-fade"), "関数 QKSoundStop() をインポートできません.",
         "QKSound ロードエラー"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        platform::RecordingMessageBoxService messages;
        TQKSoundEngine engine(1, c.path, messages);
        EXPECT_FALSE(engine.IsLoaded());
        EXPECT_FALSE(engine.LibraryLoaded());
        const std::vector<Shown> shown = ShownUtf8(messages);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, c.text);
        EXPECT_EQ(shown[0].caption, c.caption);
        // Every wrapper is a no-op on a refused library.
        engine.SetLooping("bgm", -1);
        engine.Play("bgm", "x.wav", 0);
        engine.PlayFromFilePartition("bgm", "x", 0, 0, 10);
        engine.FadeOut("bgm", 250);
        EXPECT_FALSE(engine.IsPlaying("bgm"));
    }
}

// A device that cannot open leaves the library loaded but never called; the caller tells the
// user. The destructor then unloads it once.
TEST(SoundEngineBinding, ADeviceThatCannotOpenLeavesTheEngineUnused) {
    TempDir dir;
    InstallSoundEngineBeside(dir.path(), "no-such-driver");
    platform::RecordingMessageBoxService messages;
    {
        TQKSoundEngine engine(1, BuiltSoundEnginePath(), messages);
        EXPECT_FALSE(engine.IsLoaded());
        EXPECT_TRUE(engine.LibraryLoaded());
        engine.Play("sound", "x.wav", 0);
        EXPECT_FALSE(engine.IsPlaying("sound"));
    }
    EXPECT_TRUE(messages.records.empty());
    InstallSoundEngineBeside(dir.path());
}

}  // namespace
}  // namespace tavri::test
