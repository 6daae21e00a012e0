// The built QKSound.qkx, loaded by path and driven only through its eleven exports, as the
// player does, on SDL's dummy audio driver (which consumes sound in real time).
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <random>
#include <thread>

#include "QKSound.h"
#include "SoundFixtures.h"

using namespace soundtest;

namespace {

struct Exports {
    void* handle = nullptr;
    decltype(&QKSoundGetRevision) GetRevision;
    decltype(&QKSoundInitialize) Initialize;
    decltype(&QKSoundSetErrorHandler) SetErrorHandler;
    decltype(&QKSoundFinalize) Finalize;
    decltype(&QKSoundPlay) Play;
    decltype(&QKSoundPlayFromFilePartition) PlayFromFilePartition;
    decltype(&QKSoundSetLooping) SetLooping;
    decltype(&QKSoundSetVolume) SetVolume;
    decltype(&QKSoundStop) Stop;
    decltype(&QKSoundFadeOut) FadeOut;
    decltype(&QKSoundIsPlaying) IsPlaying;
};

template <typename F>
void Bind(void* handle, const char* name, F& slot) {
    slot = reinterpret_cast<F>(dlsym(handle, name));
    ASSERT_NE(slot, nullptr) << name;
}

std::vector<std::string>& Reports() {
    static std::vector<std::string> reports;
    return reports;
}

void RecordReport(const char* text) {
    Reports().emplace_back(text);
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

class QKSoundExports : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        lib.handle = dlopen(QKSOUND_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(lib.handle, nullptr) << dlerror();
        Bind(lib.handle, "QKSoundGetRevision", lib.GetRevision);
        Bind(lib.handle, "QKSoundInitialize", lib.Initialize);
        Bind(lib.handle, "QKSoundSetErrorHandler", lib.SetErrorHandler);
        Bind(lib.handle, "QKSoundFinalize", lib.Finalize);
        Bind(lib.handle, "QKSoundPlay", lib.Play);
        Bind(lib.handle, "QKSoundPlayFromFilePartition", lib.PlayFromFilePartition);
        Bind(lib.handle, "QKSoundSetLooping", lib.SetLooping);
        Bind(lib.handle, "QKSoundSetVolume", lib.SetVolume);
        Bind(lib.handle, "QKSoundStop", lib.Stop);
        Bind(lib.handle, "QKSoundFadeOut", lib.FadeOut);
        Bind(lib.handle, "QKSoundIsPlaying", lib.IsPlaying);
        EXPECT_EQ(lib.GetRevision(), 1);
    }

    static void TearDownTestSuite() {
        if (lib.handle != nullptr) {
            dlclose(lib.handle);
            lib.handle = nullptr;
        }
    }

    void SetUp() override {
        ASSERT_NE(lib.handle, nullptr);
        ASSERT_EQ(lib.Initialize(1), 1);
        Reports().clear();
        lib.SetErrorHandler(RecordReport);
    }

    void TearDown() override {
        lib.SetErrorHandler(nullptr);
        lib.Finalize();
    }

    static Exports lib;
    TempDir dir;
    // A quarter second, and five seconds, of a 1 kHz tone.
    std::string shortWav =
        dir.Write("short.wav", Wav(2, 44100, 16, Sine16(2, 44100, 1000, 0.5, 11025)));
    std::string longWav =
        dir.Write("long.wav", Wav(1, 22050, 16, Sine16(1, 22050, 440, 0.5, 22050 * 5)));
};

Exports QKSoundExports::lib;

TEST_F(QKSoundExports, ErrorTextsAreBuiltAsDescribed) {
    struct Case {
        const char* name;
        std::function<int32_t()> play;
        std::string type, origin, detail;  // UTF-8; detail may hold the raw file name
    };
    const std::string missing = (dir.Path() / "missing.ogg").string();
    const std::string text = dir.Write("text.wav", "just some text, no sound at all");
    const std::string avi = dir.Write("clip.avi", Riff("AVI ", {MakeChunk("LIST", "abcd")}));
    const std::string badOgg = dir.Write("bad.ogg", "OggS" + Bytes(200, '\x11'));
    const std::string noData =
        dir.Write("nodata.wav", Riff("WAVE", {MakeChunk("fmt ", PcmFormat(1, 8000, 8))}));
    const std::string twelveBits = dir.Write(
        "odd.wav",
        Riff("WAVE", {MakeChunk("fmt ", PcmFormat(1, 8000, 12)), MakeChunk("data", "ab")}));
    const std::vector<Case> cases = {
        {"missing", [&] { return lib.Play("bgm", missing.c_str(), 0); }, "morwick::EFileOpenError",
         "morwick::CFileStream", "ファイルを開けませんでした: \"" + missing + "\""},
        {"missing partition",
         [&] { return lib.PlayFromFilePartition("sound", missing.c_str(), 0, 10, 100); },
         "morwick::EFileOpenError", "morwick::CFileStream",
         "ファイルを開けませんでした: \"" + missing + "\""},
        {"text", [&] { return lib.Play("bgm", text.c_str(), 0); }, "morwick::EInvalidFileFormat",
         "不明", "CreateSoundReader(): 対応していない音声フォーマットです."},
        {"avi", [&] { return lib.Play("bgm", avi.c_str(), 500); }, "morwick::EInvalidFileFormat",
         "不明", "CreateSoundReader(): 対応していない音声フォーマットです."},
        {"bad ogg", [&] { return lib.Play("bgm", badOgg.c_str(), 0); }, "morwick::EFileOpenError",
         "morwick::COggVorbisReader", "OggVorbisファイルのオープンに失敗しました."},
        {"no data", [&] { return lib.Play("bgm", noData.c_str(), 0); }, "morwick::EReadError",
         "morwick::CRIFFReader", "指定されたRIFFチャンクが見つかりません - 0x61746164"},
        {"12 bits", [&] { return lib.Play("bgm", twelveBits.c_str(), 0); }, "morwick::EReadError",
         "morwick::CStreamingSound", "サウンドバッファの作成に失敗しました."},
    };
    for (const Case& c : cases) {
        Reports().clear();
        EXPECT_EQ(c.play(), 0) << c.name;
        ASSERT_EQ(Reports().size(), 1u) << c.name;
        // The file name is passed through as bytes; only the fixed texts are cp932.
        const std::string expected = Cp932("例外: ") + c.type + Cp932("\n発生元: ") +
                                     Cp932(c.origin) + Cp932("\n詳細: ") + Cp932(c.detail);
        EXPECT_EQ(Reports()[0], expected) << c.name;
    }
    EXPECT_EQ(lib.IsPlaying("bgm"), 0);
}

TEST_F(QKSoundExports, NoHandlerMeansSilentFailure) {
    EXPECT_EQ(lib.SetErrorHandler(nullptr), nullptr);
    EXPECT_EQ(lib.Play("bgm", (dir.Path() / "none").c_str(), 0), 0);
    EXPECT_TRUE(Reports().empty());
    EXPECT_EQ(lib.SetErrorHandler(RecordReport), RecordReport);
}

TEST_F(QKSoundExports, OnceLoopedStoppedFadedReplaced) {
    // Once: playing right after the call, then stops by itself.
    ASSERT_EQ(lib.Play("sound", shortWav.c_str(), 0), 1);
    EXPECT_EQ(lib.IsPlaying("sound"), 1);
    EXPECT_TRUE(WaitFor([&] { return lib.IsPlaying("sound") == 0; }, std::chrono::seconds(30)));

    // Looped: the flag set before the play survives it; the sound is still going after
    // several times its length, and Stop ends it at once.
    lib.SetLooping("bgm", 1);
    ASSERT_EQ(lib.Play("bgm", shortWav.c_str(), 0), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_EQ(lib.IsPlaying("bgm"), 1);
    lib.Stop("bgm");
    EXPECT_EQ(lib.IsPlaying("bgm"), 0);

    // Faded.
    ASSERT_EQ(lib.Play("bgm", longWav.c_str(), 200), 1);
    EXPECT_EQ(lib.IsPlaying("bgm"), 1);
    lib.FadeOut("bgm", 150);
    EXPECT_TRUE(WaitFor([&] { return lib.IsPlaying("bgm") == 0; }, std::chrono::seconds(30)));

    // Replaced: a new play on a playing track takes its place at once.
    ASSERT_EQ(lib.Play("bgm", longWav.c_str(), 0), 1);
    ASSERT_EQ(lib.Play("bgm", shortWav.c_str(), 0), 1);
    EXPECT_EQ(lib.IsPlaying("bgm"), 1);
    lib.FadeOut("bgm", 0);
    EXPECT_EQ(lib.IsPlaying("bgm"), 0);
}

TEST_F(QKSoundExports, UnplayedNamesAreEmptyTracks) {
    EXPECT_EQ(lib.IsPlaying("never"), 0);
    lib.Stop("never");
    lib.FadeOut("never", 100);
    lib.SetVolume("never", -3000);
    lib.SetLooping("never", 1);
    EXPECT_EQ(lib.IsPlaying("never"), 0);
    EXPECT_EQ(lib.IsPlaying(""), 0);
    // Names differing in case are separate tracks.
    ASSERT_EQ(lib.Play("BGM", longWav.c_str(), 0), 1);
    EXPECT_EQ(lib.IsPlaying("bgm"), 0);
    ASSERT_EQ(lib.Play("bgm", longWav.c_str(), 0), 1);
    EXPECT_EQ(lib.IsPlaying("BGM"), 1);
    EXPECT_EQ(lib.IsPlaying("bgm"), 1);
}

TEST_F(QKSoundExports, PlaysAWindowOfALargerFile) {
    const Bytes wav = Wav(1, 22050, 16, Sine16(1, 22050, 440, 0.5, 22050));
    const Bytes ogg = OggSine(2, 44100, 440, 0.5, 44100);
    const Bytes package = Bytes(1000, 'P') + wav + Bytes(333, 'Q') + ogg + Bytes(100, 'R');
    const std::string file = dir.Write("package.bin", package);
    const auto wavAt = static_cast<int32_t>(1000);
    const auto oggAt = static_cast<int32_t>(1000 + wav.size() + 333);
    EXPECT_EQ(
        lib.PlayFromFilePartition("a", file.c_str(), 0, wavAt, static_cast<int32_t>(wav.size())),
        1);
    EXPECT_EQ(
        lib.PlayFromFilePartition("b", file.c_str(), 100, oggAt, static_cast<int32_t>(ogg.size())),
        1);
    EXPECT_EQ(lib.IsPlaying("a"), 1);
    EXPECT_EQ(lib.IsPlaying("b"), 1);
    EXPECT_TRUE(Reports().empty());
    EXPECT_EQ(lib.PlayFromFilePartition("c", file.c_str(), 0, 0, 500), 0);
    ASSERT_EQ(Reports().size(), 1u);
    EXPECT_NE(Reports()[0].find(Cp932("対応していない音声フォーマットです.")), std::string::npos);
}

TEST_F(QKSoundExports, FinalizeWithPlayingTracksAndInitializeAgain) {
    for (const char* track : {"bgm", "sound", "voice"}) {
        lib.SetLooping(track, 1);
        ASSERT_EQ(lib.Play(track, longWav.c_str(), 0), 1);
    }
    lib.FadeOut("sound", 10000);
    lib.Play("voice", shortWav.c_str(), 5000);
    lib.Finalize();
    EXPECT_EQ(lib.IsPlaying("bgm"), 0);
    ASSERT_EQ(lib.Initialize(0), 1);
    ASSERT_EQ(lib.Play("bgm", shortWav.c_str(), 0), 1);
    EXPECT_EQ(lib.IsPlaying("bgm"), 1);
}

TEST_F(QKSoundExports, InitializeFailsWithoutAnOutputAndCanBeRetried) {
    lib.Finalize();
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    const int32_t without = lib.Initialize(1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_EQ(without, 0);
    EXPECT_TRUE(Reports().empty());
    ASSERT_EQ(lib.Initialize(1), 1);
    EXPECT_EQ(lib.Play("bgm", shortWav.c_str(), 0), 1);
}

TEST_F(QKSoundExports, StressOfControlCalls) {
    std::mt19937 random(12345);
    const char* tracks[] = {"bgm", "sound", "voice"};
    const std::string* files[] = {&shortWav, &longWav};
    for (int step = 0; step < 300; ++step) {
        const char* track = tracks[random() % 3];
        switch (random() % 7) {
            case 0:
                EXPECT_EQ(lib.Play(track, files[random() % 2]->c_str(),
                                   static_cast<int32_t>(random() % 3) * 50),
                          1);
                break;
            case 1:
                lib.Stop(track);
                break;
            case 2:
                lib.FadeOut(track, static_cast<int32_t>(random() % 4) * 40);
                break;
            case 3:
                lib.SetVolume(track, -static_cast<int32_t>(random() % 10001));
                break;
            case 4:
                lib.SetLooping(track, static_cast<int32_t>(random() % 2));
                break;
            case 5:
                lib.IsPlaying(track);
                break;
            default:
                std::this_thread::sleep_for(std::chrono::milliseconds(random() % 20));
                break;
        }
    }
    EXPECT_TRUE(Reports().empty());
}

}  // namespace
