// Backgrounds and MIDI music: where a named picture is found, how it is placed in the frame, and
// that a picture which cannot be had leaves the frame alone without a word.

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "PackageFile2.h"
#include "graphics/DIBTools.h"
#include "graphics/PictureEncode.h"
#include "graphics/PictureWriters.h"
#include "graphics/TestBitmaps.h"
#include "midi/SmfWriter.h"
#include "platform/Stream.h"
#include "run/RunFixture.h"

namespace tavri::test {
namespace {

constexpr TColor kRed = RGB(255, 0, 0);
constexpr TColor kGreen = RGB(0, 255, 0);
constexpr TColor kBlue = RGB(0, 0, 255);
constexpr TColor kWhite = RGB(255, 255, 255);

const char* const kSource = R"(
[header]
NovelTitle = "Loading"
StartItemName = "start"

[item "start"]
Text:
| hello
)";

// An RGB PNG whose pixel (x, y) has the colour `colourAt` gives it.
template <typename F>
std::vector<uint8_t> Png(int width, int height, F colourAt) {
    TImage image(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.SetPixel(x, y, colourAt(x, y));
        }
    }
    return EncodePngRgb(image);
}

std::vector<uint8_t> Plain(int width, int height, TColor colour) {
    return Png(width, height, [colour](int, int) { return colour; });
}

void Fill(TImage& image, TColor colour) {
    DibFillBlend(image, {0, 0, image.Width(), image.Height()}, colour, 100);
}

TEST(LoadingTest, SmallPictureIsCentredAndFramedByThePreviousFrame) {
    RunFixture f(kSource, {{"bg/small.png", Plain(320, 240, kRed)}});
    Fill(f.state->NextFrameImage, kGreen);
    f.state->LoadBackground("bg\\small.png");
    const TImage& next = f.state->NextFrameImage;
    EXPECT_EQ(next.Pixel(160, 120), kRed);
    EXPECT_EQ(next.Pixel(479, 359), kRed);
    EXPECT_EQ(next.Pixel(159, 120), kGreen);
    EXPECT_EQ(next.Pixel(480, 359), kGreen);
    EXPECT_EQ(next.Pixel(160, 119), kGreen);
    EXPECT_EQ(next.Pixel(160, 360), kGreen);
    EXPECT_TRUE(SameImage(f.state->BackgroundImage, next));
    EXPECT_EQ(f.state->CurrentBackgroundName, "bg\\small.png");
    EXPECT_EQ(f.state->PageSnapshot.SnapshotBackground, "bg\\small.png");
    EXPECT_TRUE(f.messages.records.empty());
}

TEST(LoadingTest, PictureOneColumnTooWideIsPlacedAtTheLeftEdgeAndClipped) {
    const auto picture = Png(641, 480, [](int x, int) {
        return x == 0 ? kBlue : x == 640 ? kRed : kWhite;
    });
    RunFixture f(kSource, {{"wide.png", picture}});
    f.state->LoadPicture("wide.png");
    const TImage& next = f.state->NextFrameImage;
    EXPECT_EQ(next.Pixel(0, 0), kBlue);
    EXPECT_EQ(next.Pixel(0, 479), kBlue);
    EXPECT_EQ(next.Pixel(639, 0), kWhite);
}

TEST(LoadingTest, FullScreenPictureReplacesTheFrame) {
    // A BMP this time, so that the third decoder is covered too.
    TBmpSpec bmp;
    bmp.Width = 640;
    bmp.Height = 480;
    std::vector<std::vector<uint32_t>> rows(480, std::vector<uint32_t>(640, kBlue));
    rows[0][0] = kRed;
    bmp.Pixels = PackBmpRows(rows, 24, false);
    RunFixture f(kSource, {{"full.bmp", WriteBmp(bmp)}});
    Fill(f.state->NextFrameImage, kGreen);
    f.state->LoadPicture("FULL.BMP");
    const TImage& next = f.state->NextFrameImage;
    EXPECT_EQ(next.Width(), 640);
    EXPECT_EQ(next.Height(), 480);
    EXPECT_EQ(next.PixelFormat(), TPixelFormat::Pf24bit);
    EXPECT_EQ(next.Pixel(0, 0), kRed);
    EXPECT_EQ(next.Pixel(639, 479), kBlue);
}

struct ExtensionCase {
    const char* name;
    bool jpegData;
    bool loads;
};

// The decoder is chosen by the last extension alone; four-letter and unknown extensions load
// nothing even when the file holds a good picture.
TEST(LoadingTest, OnlyJpgPngAndBmpExtensionsAreDecoded) {
    TJpegSpec jpeg;
    jpeg.Width = 16;
    jpeg.Height = 16;
    jpeg.Samples.assign(16 * 16 * 3, 200);
    const auto jpegBytes = WriteJpeg(jpeg);
    const auto pngBytes = Plain(16, 16, kRed);
    const ExtensionCase cases[] = {
        {"a.jpg", true, true},    {"b.JPG", true, true},      {"c.Png", false, true},
        {"d.jpeg", true, false},  {"e", false, false},        {"f.png.gif", false, false},
        {"g.x.png", false, true}, {"h.bMp.png", false, true},
    };
    std::map<std::string, std::vector<uint8_t>> files;
    for (const ExtensionCase& c : cases) {
        files[c.name] = c.jpegData ? jpegBytes : pngBytes;
    }
    RunFixture f(kSource, files);
    for (const ExtensionCase& c : cases) {
        SCOPED_TRACE(c.name);
        Fill(f.state->NextFrameImage, kGreen);
        f.state->LoadPicture(c.name);
        EXPECT_EQ(f.state->NextFrameImage.Pixel(320, 240) != kGreen, c.loads);
        EXPECT_EQ(f.state->NextFrameImage.Pixel(0, 0), kGreen);
    }
    EXPECT_TRUE(f.messages.records.empty());
}

TEST(LoadingTest, MissingOrUndecodableFilesChangeNothingSilently) {
    RunFixture f(kSource, {{"broken.png", {'n', 'o', 't', ' ', 'p', 'n', 'g'}}});
    Fill(f.state->NextFrameImage, kGreen);
    const TImage before = f.state->NextFrameImage;
    f.state->LoadPicture("broken.png");
    f.state->LoadPicture("missing.png");
    f.state->LoadPicture("");
    EXPECT_TRUE(SameImage(f.state->NextFrameImage, before));
    EXPECT_TRUE(f.messages.records.empty());
}

TEST(LoadingTest, PackageNamesAreFoundWithoutRegardToCase) {
    RunFixture f(kSource, {{"bg/pic.png", Plain(640, 480, kBlue)}});
    PackageOverlay package(f, {{"BG\\PIC.PNG", Plain(640, 480, kRed)}});
    f.state->LoadPicture("bg\\pic.png");
    EXPECT_EQ(f.state->NextFrameImage.Pixel(10, 10), kRed);
}

TEST(LoadingTest, PackageDataThatDoesNotDecodeFallsBackToTheDiskFile) {
    RunFixture f(kSource, {{"bg/pic.png", Plain(640, 480, kBlue)}});
    PackageOverlay package(f, {{"bg\\pic.png", {1, 2, 3, 4}}});
    f.state->LoadPicture("bg\\pic.png");
    EXPECT_EQ(f.state->NextFrameImage.Pixel(10, 10), kBlue);
}

TEST(LoadingTest, NameMissingFromThePackageIsReadFromDisk) {
    RunFixture f(kSource, {{"disk.png", Plain(640, 480, kBlue)}});
    PackageOverlay package(f, {{"other.png", Plain(640, 480, kRed)}});
    f.state->LoadPicture("disk.png");
    EXPECT_EQ(f.state->NextFrameImage.Pixel(10, 10), kBlue);
}

TEST(LoadingTest, BackgroundIsComposedWithTheSprites) {
    // The sprite's top-left pixel is its transparent colour.
    const auto chara = Png(10, 10, [](int x, int y) { return x + y == 0 ? kWhite : kRed; });
    RunFixture f(kSource, {{"bg.png", Plain(640, 480, kBlue)}, {"chara.png", chara}});
    f.state->SpriteLayer.SetSpriteAligned("c", "chara.png", "TOP", "LEFT");
    f.state->LoadBackground("bg.png");
    EXPECT_EQ(f.state->BackgroundImage.Pixel(5, 5), kBlue);
    EXPECT_EQ(f.state->NextFrameImage.Pixel(5, 5), kRed);
    EXPECT_EQ(f.state->NextFrameImage.Pixel(15, 15), kBlue);
}

// The song is one note long: played in a loop it sounds again and again, else once.
TEST(LoadingTest, MidiPlayTakesTheLoopFlag) {
    RunFixture f(kSource);
    const auto song = WriteSmf(0, 480, {TSmfTrack().NoteOn(0, 0, 60, 100)});
    f.dir.Write("novel/song.mid", song);
    // The opening's first frame would stop the music; only the music's own timer runs.
    f.main->PauseTimer();
    f.main->PlayMidi("song.mid", true);
    f.RunFor(40);
    EXPECT_GE(CountSent(f.midi, NoteOnMessage(60)), 2);
    PackageOverlay package(f, {{"song.mid", song}});
    f.midi.Clear();
    f.main->PlayMidi("SONG.MID", false);
    f.RunFor(40);
    EXPECT_EQ(CountSent(f.midi, NoteOnMessage(60)), 1);
}

}  // namespace
}  // namespace tavri::test
