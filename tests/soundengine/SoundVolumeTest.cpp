#include <gtest/gtest.h>

#include "Sound.h"
#include "SoundTrackList.h"

using namespace morwick;

namespace {

TEST(SoundVolume, UserToRawTable) {
    const std::pair<int32_t, int32_t> table[] = {
        {0, 0},         {-2500, -613},   {-5000, -1414}, {-7500, -2628},
        {-9000, -3974}, {-10000, -9786}, {100, 0},       {-20000, -9786},
    };
    for (const auto& [user, raw] : table) {
        EXPECT_EQ(UserToRaw(user), raw) << user;
    }
}

TEST(SoundVolume, RawToUserIsTheInverseUpToTruncation) {
    for (int32_t user = 0; user >= -9000; user -= 250) {
        EXPECT_NEAR(RawToUser(UserToRaw(user)), user, 4) << user;
    }
    EXPECT_EQ(RawToUser(0), 0);
}

TEST(SoundVolume, SoundWithoutBufferAnswersZero) {
    CStreamingSound sound(0x80);
    EXPECT_FALSE(sound.IsPlaying());
    EXPECT_EQ(sound.GetRawVolume(), 0);
    EXPECT_EQ(sound.GetVolume(), 0);
    EXPECT_EQ(sound.GetPan(), 0);
    sound.SetVolume(-5000);
    sound.SetPan(100);
    sound.Stop();
    sound.Play();
    sound.FadeIn(100);
    sound.FadeOut(100);
    sound.Restart();
    EXPECT_FALSE(sound.IsPlaying());
    EXPECT_EQ(sound.GetVolume(), 0);
}

TEST(SoundTrackList, LookupCreatesOnceAndNamesAreCaseSensitive) {
    CSoundTrackList list;
    const auto bgm = list.GetTrack("bgm");
    EXPECT_EQ(list.GetTrack("bgm"), bgm);
    EXPECT_EQ(list.Size(), 1u);
    EXPECT_NE(list.GetTrack("BGM"), bgm);
    EXPECT_NE(list.GetTrack(""), bgm);
    EXPECT_EQ(list.Size(), 3u);
    EXPECT_EQ(bgm->volume, 0);
    EXPECT_FALSE(bgm->streamingSound.IsLooping());
    list.SetVolume("sound", -3000);
    EXPECT_EQ(list.GetVolume("sound"), -3000);
    EXPECT_EQ(list.Remove("sound"), 1u);
    EXPECT_EQ(list.Remove("sound"), 0u);
    EXPECT_EQ(list.GetVolume("sound"), 0);
    list.Clear();
    EXPECT_EQ(list.Size(), 0u);
    // The caller's reference keeps a removed track alive, and nothing else.
    EXPECT_EQ(bgm.use_count(), 1);
}

}  // namespace
