// The scenario's sound commands played through the real QKSound.qkx: which track each reaches,
// where the files are found (the package, then the disk, also as ".OGG" and ".WAV"), what the
// user is told, and the mixed output itself.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>

#include "platform/DynamicLibrary.h"
#include "platform/FileSystem.h"
#include "sound/SoundNovel.h"
#include "sound/SoundSupport.h"
#include "soundengine/SoundFixtures.h"

namespace tavri::test {
namespace {

// Whether a copy of the packed library is still kept: an open memory file of its name, or a
// private folder below `temporaryFolder`.
bool PrivateCopyKept(const std::string& temporaryFolder) {
    namespace fs = std::filesystem;
    std::error_code error;
    for (const fs::directory_entry& fd : fs::directory_iterator("/proc/self/fd", error)) {
        const fs::path target = fs::read_symlink(fd.path(), error);
        if (!error && target.string().find("memfd:QKSound.qkx") != std::string::npos) {
            return true;
        }
    }
    for (const std::string& name : platform::ListDirectory(temporaryFolder)) {
        if (name.rfind(platform::kPrivateFolderPrefix, 0) == 0) {
            return true;
        }
    }
    return false;
}

std::vector<uint8_t> ToVector(const soundtest::Bytes& bytes) {
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

// A tone of `seconds` at `hz`, half of full scale.
std::vector<uint8_t> WavTone(double seconds, double hz) {
    const uint32_t frames = uint32_t(seconds * 22050);
    return ToVector(soundtest::Wav(2, 22050, 16, soundtest::Sine16(2, 22050, hz, 0.5, frames)));
}
std::vector<uint8_t> OggTone(double seconds, double hz) {
    return ToVector(soundtest::OggSine(2, 44100, hz, 0.5, int(seconds * 44100)));
}

const std::map<std::string, std::vector<uint8_t>>& Files() {
    static const std::map<std::string, std::vector<uint8_t>> files = {
        {"bgm/theme.ogg", OggTone(0.6, 440)},    {"se/door.ogg", OggTone(0.3, 880)},
        {"se/chime.wav", WavTone(0.3, 660)},     {"se/bell.v2.ogg", OggTone(0.3, 990)},
        {"old.se/knock.ogg", OggTone(0.3, 330)},
    };
    return files;
}

TEST(SoundPlayer, EffectsPlayOnceAndFindOggForWav) {
    const char* const commands[] = {
        R"(.SOUNDPLAY "se\chime.wav")",
        // Only "door.ogg" is there: the ".OGG" fallback finds it, letter case aside.
        R"(.SoundPlay "SE\Door.wav")",
        R"(.SOUNDPLAY "se\door")",
        // Only the last dot of the file name counts, never one in a folder's name.
        R"(.SOUNDPLAY "se\bell.v2.wav")",
        R"(.SOUNDPLAY "old.se\knock.wav")",
        R"(.SOUNDPLAY "old.se\knock")",
    };
    for (NovelForm form : {NovelForm::Packaged, NovelForm::FileWithEngine}) {
        SoundNovel novel(form, Files());
        novel.Start();
        // The engine started: nothing was said about it.
        ASSERT_TRUE(novel.Shown().empty());
        for (const char* command : commands) {
            SCOPED_TRACE(std::string(command) + (form == NovelForm::Packaged ? " packed" : ""));
            novel.Command(command);
            EXPECT_TRUE(novel.IsPlaying("sound"));
            EXPECT_FALSE(novel.IsPlaying("bgm"));
            // The effect track never loops.
            EXPECT_TRUE(WaitUntil([&] { return !novel.IsPlaying("sound"); }));
        }
        EXPECT_TRUE(novel.Shown().empty());
    }
}

TEST(SoundPlayer, MusicLoopsFadesAndStops) {
    for (NovelForm form : {NovelForm::Packaged, NovelForm::FileWithEngine}) {
        SoundNovel novel(form, Files());
        novel.Start();
        novel.Command(R"(.BGMPLAY "bgm\theme.ogg" 200)");
        EXPECT_EQ(novel.state->CurrentBgmName, "bgm\\theme.ogg");
        EXPECT_TRUE(novel.IsPlaying("bgm"));
        // Well past the music's 0.6 s: it has come round again.
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        EXPECT_TRUE(novel.IsPlaying("bgm"));
        novel.Command(".SOUNDPLAY \"se\\chime.wav\"");
        EXPECT_TRUE(novel.IsPlaying("sound"));
        EXPECT_TRUE(novel.IsPlaying("bgm"));

        novel.Command(".BGMSTOP");
        EXPECT_EQ(novel.state->CurrentBgmName, "");
        EXPECT_TRUE(WaitUntil([&] { return !novel.IsPlaying("bgm"); }));

        novel.Command(R"(.BGMPLAY "bgm\theme.ogg")");
        EXPECT_TRUE(novel.IsPlaying("bgm"));
        novel.Command(".BGMFADEOUT 100");
        EXPECT_TRUE(WaitUntil([&] { return !novel.IsPlaying("bgm"); }));

        // A command without its file does nothing.
        novel.Command(".BGMPLAY");
        EXPECT_FALSE(novel.IsPlaying("bgm"));
        EXPECT_TRUE(novel.Shown().empty());
    }
}

TEST(SoundPlayer, AMissingSoundIsToldAndReadingGoesOn) {
    for (NovelForm form : {NovelForm::Packaged, NovelForm::FileWithEngine}) {
        SoundNovel novel(form, Files());
        novel.Start();
        novel.Command(R"(.SOUNDPLAY "se\chime.wav")");
        novel.Command(R"(.SOUNDPLAY "se\nothing.wav")");
        EXPECT_EQ(novel.Shown(), std::vector<std::string>{
                                     ".SoundPlay エラー: ファイル se\\nothing.wav がありません."});
        // The chime that played was faded out for the new sound, which is silence.
        EXPECT_TRUE(WaitUntil([&] { return !novel.IsPlaying("sound"); }));
        EXPECT_EQ(novel.state->CurrentSoundName, "se\\nothing.wav");
        // Reading goes on: the next command still plays.
        novel.Command(R"(.SOUNDPLAY "se\door.ogg")");
        EXPECT_TRUE(novel.IsPlaying("sound"));
    }
}

// A page remembers the effect only while it is still sounding.
TEST(SoundPlayer, ThePageSnapshotKeepsOnlyASoundingEffect) {
    SoundNovel novel(NovelForm::Packaged, Files());
    novel.Start();
    novel.Command(R"(.SOUNDPLAY "se\chime.wav")");
    novel.main->PresentPage();
    EXPECT_EQ(novel.state->PageSnapshot.SnapshotSound, "se\\chime.wav");
    ASSERT_TRUE(WaitUntil([&] { return !novel.IsPlaying("sound"); }));
    novel.main->PresentPage();
    EXPECT_EQ(novel.state->PageSnapshot.SnapshotSound, "");
    EXPECT_EQ(novel.state->CurrentSoundName, "se\\chime.wav");
}

TEST(SoundPlayer, WithoutTheLibraryTheNovelRunsSilently) {
    SoundNovel novel(NovelForm::FileWithoutEngine, Files());
    novel.Start();
    EXPECT_EQ(novel.Shown(),
              (std::vector<std::string>{"Error: QKSound をロードできません.",
                                        "Error: Tavri! Novel サウンドエンジンを開始できませんでし"
                                        "た.\r\n音声無しモードで起動します."}));
    // The reading itself is untouched: the title comes and a click starts the novel.
    ASSERT_TRUE(novel.RunUntil([&] { return novel.main->AcceptsTitleClick(); }));
    novel.Click(320, 300);
    EXPECT_TRUE(novel.RunUntil([&] { return novel.state->RunMode != RmTitle; }));
    novel.Command(R"(.BGMPLAY "bgm\theme.ogg" 500)");
    novel.Command(R"(.SOUNDPLAY "se\chime.wav")");
    EXPECT_FALSE(novel.IsPlaying("bgm"));
    EXPECT_FALSE(novel.IsPlaying("sound"));
    EXPECT_EQ(novel.messages.records.size(), 2u);
}

// The packed library is loaded from a private copy: a file or a link planted at the fixed name
// an older player used in the shared temporary folder is neither loaded nor touched, and
// nothing of ours is left there after the program ends.
TEST(SoundPlayer, ThePackedLibraryIsLoadedFromAPrivateCopy) {
    namespace fs = std::filesystem;
    SoundNovel novel(NovelForm::Packaged, Files());
    TempDir tmp;
    const std::string planted = tmp.path() + "/$QKSND$.DLL";
    const auto stranger = platform::ReadWholeFile(FakeSoundEnginePath("revision2"));
    ASSERT_TRUE(stranger.has_value());
    tmp.Write("stranger.so", *stranger);
    for (bool link : {false, true}) {
        SCOPED_TRACE(link ? "link" : "file");
        fs::remove(planted);
        if (link) {
            fs::create_symlink(tmp.path() + "/stranger.so", planted);
        } else {
            tmp.Write("$QKSND$.DLL", *stranger);
        }
        const std::string old = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
        setenv("TMPDIR", tmp.path().c_str(), 1);
        {
            SoundNovel run(NovelForm::Packaged, Files());
            run.programPath = novel.programPath;
            run.Start();
            EXPECT_TRUE(run.Shown().empty());
            // The loaded library no longer needs its copy.
            EXPECT_FALSE(PrivateCopyKept(tmp.path()));
            run.Command(R"(.SOUNDPLAY "se\door.wav")");
            EXPECT_TRUE(run.IsPlaying("sound"));
            EXPECT_TRUE(run.Shown().empty());
        }
        if (old.empty()) {
            unsetenv("TMPDIR");
        } else {
            setenv("TMPDIR", old.c_str(), 1);
        }
        EXPECT_EQ(platform::ListDirectory(tmp.path()),
                  (std::vector<std::string>{"$QKSND$.DLL", "stranger.so"}));
        EXPECT_EQ(platform::ReadWholeFile(tmp.path() + "/stranger.so"), stranger);
        EXPECT_EQ(fs::is_symlink(planted), link);
    }
}

// The mixed output, written by SDL's disk driver: an effect comes out at its pitch and level,
// and music asked to fade in starts quiet.
TEST(SoundPlayer, TheMixedOutputCarriesTheSounds) {
    TempDir out;
    const std::string capture = out.path() + "/mixed.raw";
    setenv("SDL_DISKAUDIOFILE", capture.c_str(), 1);
    std::map<std::string, std::vector<uint8_t>> files = Files();
    files["se/tone.wav"] = WavTone(0.5, 1000);
    files["bgm/long.ogg"] = OggTone(2.0, 500);
    size_t toneAt = 0, musicAt = 0;
    {
        SoundNovel novel(NovelForm::Packaged, files, "disk");
        novel.Start();
        ASSERT_TRUE(novel.Shown().empty());
        toneAt = std::filesystem::file_size(capture);
        novel.Command(R"(.SOUNDPLAY "se\tone.wav")");
        ASSERT_TRUE(WaitUntil([&] { return !novel.IsPlaying("sound"); }));
        musicAt = std::filesystem::file_size(capture);
        novel.Command(R"(.BGMPLAY "bgm\long.ogg" 1000)");
        std::this_thread::sleep_for(std::chrono::milliseconds(1800));
    }
    unsetenv("SDL_DISKAUDIOFILE");
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const auto bytes = platform::ReadWholeFile(capture);
    ASSERT_TRUE(bytes.has_value());
    std::vector<int16_t> left;  // 44,100 Hz, 16-bit stereo
    for (size_t i = 0; i + 3 < bytes->size(); i += 4) {
        left.push_back(int16_t((*bytes)[i] | ((*bytes)[i + 1] << 8)));
    }
    // The tone: from its first audible sample, 0.4 s at half of full scale and 1 kHz.
    size_t first = toneAt / 4;
    while (first < left.size() && std::abs(left[first]) < 1000) {
        ++first;
    }
    ASSERT_LT(first + 17640, left.size());
    int peak = 0, crossings = 0;
    for (size_t i = first; i < first + 17640; ++i) {
        peak = std::max(peak, std::abs(int(left[i])));
        crossings += (left[i - 1] < 0) != (left[i] < 0) ? 1 : 0;
    }
    EXPECT_NEAR(peak, 16384, 2500);
    EXPECT_NEAR(crossings / 2, 400, 20);  // cycles in 0.4 s
    // The music: far quieter in its first 0.2 s than a second later.
    auto rms = [&](size_t from, size_t count) {
        double sum = 0;
        for (size_t i = from; i < from + count && i < left.size(); ++i) {
            sum += double(left[i]) * left[i];
        }
        return std::sqrt(sum / double(count));
    };
    const size_t start = musicAt / 4;
    ASSERT_LT(start + 66150, left.size());
    const double early = rms(start, 8820), late = rms(start + 57330, 8820);
    EXPECT_GT(late, 5000);
    EXPECT_LT(early, late * 0.5);
}

}  // namespace
}  // namespace tavri::test
