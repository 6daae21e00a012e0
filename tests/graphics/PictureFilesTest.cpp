#include <gtest/gtest.h>

#include "graphics/DIBTools.h"
#include "graphics/TestBitmaps.h"
#include "media/MediaFixture.h"
#include "platform/MessageBox.h"
#include "platform/TextEncoding.h"
#include "support/TestSupport.h"

namespace tavri {
namespace {

using platform::Cp932;
using test::Bmp;

const TColor kRed = RGB(255, 0, 0);

using Media = test::MediaFixture;

TEST(PictureFiles, LookupOrderAndVariants) {
    Media m;
    m.dir.Write("trans/wipe.BMP", Bmp(2, 2, kRed, kRed));
    m.dir.Write("bg/photo.bmp", Bmp(3, 1, kRed, kRed));
    m.UsePackage({{"mask", {}}, {"mask.png", {}}, {"only.BMP", {}}});
    struct Case {
        const char* name;
        bool found, package;
        const char* as;
    } cases[] = {
        {"MASK", true, true, "MASK"},
        {"only", true, true, "only.BMP"},
        {"trans\\wipe.png", true, false, "trans\\wipe.BMP"},
        {"bg\\photo.jpg", true, false, "bg\\photo.BMP"},
        {"nothing.png", false, false, "nothing.png"},
    };
    for (const Case& c : cases) {
        const TMediaFile found = LookupPicture(c.name, m.source);
        EXPECT_EQ(found.Found(), c.found) << c.name;
        EXPECT_EQ(found.InPackage(), c.package) << c.name;
        EXPECT_EQ(found.Name, c.as) << c.name;
    }
}

TEST(PictureFiles, LoadImageFileFallsBackAndReportsMissingFiles) {
    Media m;
    m.dir.Write("pic.bmp", Bmp(3, 2, kRed, kRed));
    // The archive's copy is damaged: the disk copy is used.
    m.UsePackage({{"PIC.BMP", {'B', 'M', 1, 2}}, {"good", Bmp(5, 1, kRed, kRed)}});
    TImage target(1, 1);
    EXPECT_TRUE(DibLoadImageFile(target, "pic.bmp", m.source));
    EXPECT_EQ(target.Width(), 3);
    EXPECT_EQ(target.Pixel(2, 1), kRed);
    // Found without an extension, but only ".PNG" and ".BMP" names are decoded.
    EXPECT_FALSE(DibLoadImageFile(target, "good", m.source));
    EXPECT_TRUE(m.box.records.empty());

    EXPECT_FALSE(DibLoadImageFile(target, Cp932("背景\\無い.png"), m.source));
    ASSERT_EQ(m.box.records.size(), 1u);
    EXPECT_EQ(m.box.records[0].text, Cp932("ファイル 背景\\無い.png がありません."));
    EXPECT_EQ(m.box.records[0].caption, Cp932("画像ファイル読み込みエラー"));
    EXPECT_EQ(m.box.records[0].icon, platform::MsgIcon::Error);
    EXPECT_EQ(target.Width(), 3);
}

}  // namespace
}  // namespace tavri
