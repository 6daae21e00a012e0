#include <gtest/gtest.h>

#include "PackageFile2.h"
#include "graphics/SpriteLayer.h"
#include "platform/MessageBox.h"
#include "platform/TextEncoding.h"
#include "support/TestSupport.h"
#include "graphics/PictureWriters.h"
#include "graphics/TestBitmaps.h"

namespace tavri {
namespace {

using test::Bmp;

using platform::Cp932;
using platform::RecordingMessageBoxService;
using platform::TMemoryStream;

const TColor kGreen = RGB(0, 255, 0);
const TColor kRed = RGB(255, 0, 0);

struct Fixture {
    test::TempDir dir;
    RecordingMessageBoxService box;
    TMediaSource media{nullptr, dir.path(), &box};
    TSpriteLayer layer{true, &media};
};

TEST(SpriteLayer, SixteenSlotsThenTheMessageAndReuseOfFreedSlots) {
    Fixture f;
    f.dir.Write("chara/a.bmp", Bmp(4, 4, kRed, kGreen));
    for (int i = 0; i < kSpriteSlots; ++i) {
        f.layer.SetSprite("n" + std::to_string(i), "chara\\a.bmp", {i, 0});
        EXPECT_EQ(f.layer.IndexOf("N" + std::to_string(i)), i);
    }
    EXPECT_TRUE(f.box.records.empty());
    f.layer.SetSprite("extra", "chara\\a.bmp", {0, 0});
    ASSERT_EQ(f.box.records.size(), 1u);
    EXPECT_EQ(f.box.records[0].text, Cp932("キャラクターは16枚までしか使用できません"));
    EXPECT_EQ(f.box.records[0].caption, "Tavri! Novel Runtime");
    EXPECT_EQ(f.layer.IndexOf("extra"), -1);

    // Setting an existing name again keeps its slot even when all are full.
    f.layer.SetSprite("n5", "chara\\a.bmp", {99, 1});
    EXPECT_EQ(f.layer.Positions[5], (TSpritePosition{99, 1}));
    EXPECT_EQ(f.box.records.size(), 1u);

    f.layer.DeleteSprite("N3");
    EXPECT_EQ(f.layer.Names[3], "");
    EXPECT_EQ(f.layer.Pictures[3].Width(), 1);
    f.layer.SetSprite("Newcomer", "chara\\a.bmp", {0, 0});
    EXPECT_EQ(f.layer.IndexOf("NEWCOMER"), 3);
}

TEST(SpriteLayer, AlignedPlacement) {
    Fixture f;
    f.dir.Write("p300.bmp", Bmp(300, 400, kRed, kRed));
    f.dir.Write("p301.bmp", Bmp(301, 10, kRed, kRed));
    struct Case {
        const char* file;
        const char* vertical;
        const char* horizontal;
        TSpritePosition at;
    } cases[] = {
        {"p300.bmp", "MIDDLE", "CENTER", {170, 40}},
        {"p300.bmp", "bottom", "right", {340, 80}},
        {"p300.bmp", "Top", "Left", {0, 0}},
        {"p301.bmp", "", "CENTER", {170, 0}},
        {"p300.bmp", "CENTER", "MIDDLE", {0, 0}},
    };
    for (const Case& c : cases) {
        f.layer.SetSpriteAligned("s", c.file, c.vertical, c.horizontal);
        EXPECT_EQ(f.layer.Positions[0], c.at) << c.file << c.vertical << c.horizontal;
    }
}

TEST(SpriteLayer, DrawsInSlotOrderWithTheColourKey) {
    Fixture f;
    f.dir.Write("back.bmp", Bmp(4, 4, kRed, kGreen));     // green corner key: all but (0,0)
    f.dir.Write("front.BMP", Bmp(2, 2, RGB(0, 0, 255), kGreen));
    f.layer.SetSprite("back", "back.bmp", {0, 0});
    f.layer.SetSprite("front", "front", {1, 1});  // found under ".BMP"
    EXPECT_EQ(f.layer.FileNames[1], "front.BMP");
    TImage target(6, 6);
    f.layer.Draw(target);
    EXPECT_EQ(target.Pixel(0, 0), 0u);          // key colour skipped
    EXPECT_EQ(target.Pixel(3, 3), kRed);
    EXPECT_EQ(target.Pixel(1, 1), kRed);        // front's own key pixel skipped
    EXPECT_EQ(target.Pixel(2, 2), RGB(0, 0, 255));
    EXPECT_EQ(target.Pixel(5, 5), 0u);

    // Negative positions draw from the sprite's column -x onwards.
    TImage clipped(6, 6);
    f.layer.Positions[0] = {-2, 0};
    f.layer.DrawClipped(clipped, {0, 0, 6, 6});
    EXPECT_EQ(clipped.Pixel(0, 0), kRed);
    EXPECT_EQ(clipped.Pixel(2, 0), 0u);
}

TEST(SpriteLayer, AlphaPicturesBlendThroughTheirMaskAndIgnoreTheKey) {
    Fixture f;
    test::TPngSpec png;
    png.Width = 2;
    png.Height = 1;
    png.ColourType = 6;
    png.Samples = {255, 0, 0, 255, /**/ 0, 0, 255, 128};
    f.dir.Write("a.png", test::WritePng(png));
    f.layer.SetSprite("a", "a", {1, 0});
    ASSERT_TRUE(f.layer.HasAlpha[0]);
    EXPECT_EQ(f.layer.FileNames[0], "a.PNG");
    TImage target(4, 1);
    for (int x = 0; x < 4; ++x) {
        target.SetPixel(x, 0, RGB(255, 255, 255));
    }
    f.layer.Draw(target);
    EXPECT_EQ(target.Pixel(1, 0), kRed);  // opaque: exactly the sprite, though it is the corner
    // Transparency 127: each channel s + ((d - s) * 127 >> 8).
    EXPECT_EQ(target.Pixel(2, 0), RGB(126, 126, 255));
    EXPECT_EQ(target.Pixel(3, 0), RGB(255, 255, 255));
}

TEST(SpriteLayer, PicturesComeFromThePackageFirst) {
    test::TempDir dir;
    dir.Write("c.bmp", Bmp(3, 3, kRed, kRed));
    std::vector<uint8_t> archive = BuildPackage({{"chara\\C.BMP", Bmp(5, 5, kRed, kRed)}});
    TMemoryStream stream(archive);
    RecordingMessageBoxService box;
    TReadPackageFile package(box);
    package.OpenStream(stream);
    TMediaSource media{&package, dir.path(), &box};
    TSpriteLayer layer(true, &media);
    layer.SetSprite("a", "chara\\c.png", {0, 0});
    EXPECT_EQ(layer.FileNames[0], "chara\\c.BMP");
    EXPECT_EQ(layer.Pictures[0].Width(), 5);
    layer.SetSprite("b", "c.bmp", {0, 0});  // not in the package: from disk
    EXPECT_EQ(layer.Pictures[1].Width(), 3);
    // A missing picture leaves the slot in use with its previous picture, silently.
    layer.SetSprite("a", "gone.bmp", {0, 0});
    EXPECT_EQ(layer.Names[0], "a");
    EXPECT_EQ(layer.FileNames[0], "gone.bmp");
    EXPECT_EQ(layer.Pictures[0].Width(), 5);
    EXPECT_TRUE(box.records.empty());
}

TEST(SpriteLayer, SerialisedFormRoundTripsIntoDataOnlyLayers) {
    Fixture f;
    f.dir.Write("a.bmp", Bmp(4, 2, kRed, kGreen));
    std::string longName = std::string(127, 'x') + Cp932("表");  // 表 would straddle the cut
    f.layer.SetSprite(longName, "a.bmp", {-7, 300});
    f.layer.SetSprite("second", "a.bmp", {1, 2});
    EXPECT_EQ(f.layer.Names[0].size(), 127u);
    TMemoryStream m;
    f.layer.SaveToStream(m);
    ASSERT_EQ(m.Size(), int64_t(kSpriteLayerSize));
    EXPECT_EQ(m.Bytes()[0], 127);
    EXPECT_EQ(m.Bytes()[258], 0xF9);  // -7
    EXPECT_EQ(m.Bytes()[266 * 2], 0);  // free slot: zeros
    TMemoryStream again;
    f.layer.SaveToStream(again);
    EXPECT_EQ(again.Bytes(), m.Bytes());

    TSpriteLayer data(false);
    m.Seek(0, platform::SeekOrigin::Begin);
    data.LoadFromStream(m);
    EXPECT_EQ(data.Names[1], "second");
    EXPECT_EQ(data.Positions[0], (TSpritePosition{-7, 300}));
    data.Clear();
    data.SetSprite("x", "a.bmp", {0, 0});
    data.DeleteSprite("second");
    EXPECT_EQ(data.Names[1], "second");
    EXPECT_EQ(data.IndexOf("x"), -1);
    TImage target(4, 4);
    data.Draw(target);
    EXPECT_EQ(target.Pixel(1, 1), 0u);

    // An owning layer assigned from data reloads its pictures.
    TSpriteLayer owning(true, &f.media);
    owning.Assign(data);
    EXPECT_EQ(owning.Pictures[1].Width(), 4);
    EXPECT_EQ(owning.Positions[1], (TSpritePosition{1, 2}));

    TMemoryStream shortStream(std::vector<uint8_t>(kSpriteLayerSize - 1, 0));
    EXPECT_THROW(owning.LoadFromStream(shortStream), platform::EReadError);
    EXPECT_EQ(owning.Names[1], "second");
}

}  // namespace
}  // namespace tavri
