#include <gtest/gtest.h>

#include "graphics/Canvas.h"
#include "ui/FormRgn.h"
#include "ui/HotImage.h"
#include "ui/HotPaint.h"
#include "ui/TavriFormAlpha.h"
#include "ui/UiFixture.h"

namespace tavri::test {
namespace {

using ui::TForm;
using ui::TRegionStyle;

// A form whose pixels all differ, so that a misplaced or misblended pixel shows.
class PatternForm : public TForm {
  public:
    PatternForm(ui::TApplication& app, int w, int h) : TForm(app), rgn(*this), alpha(*this) {
        ClientWidth = w;
        ClientHeight = h;
    }
    ui::TFormRgn rgn;
    ui::TTavriFormAlpha alpha;

  protected:
    void PaintForm(TImage& surface) override {
        for (int y = 0; y < surface.Height(); ++y) {
            for (int x = 0; x < surface.Width(); ++x) {
                surface.SetPixel(x, y, RGB(uint8_t(255 - x), uint8_t(200 - y), uint8_t(x * y)));
            }
        }
    }
};

// The expected picture, pixel by pixel from the rule: inside the region the form blended as
// (a × form + (255 − a) × picture + 127) div 255, elsewhere the picture.
TImage Expected(const TImage& picture, PatternForm& form, bool (*inside)(int, int, int, int)) {
    TImage out = picture;
    const TImage& surface = form.Surface();
    const unsigned a = form.Alpha();
    for (int y = 0; y < surface.Height(); ++y) {
        for (int x = 0; x < surface.Width(); ++x) {
            const int px = form.Left + x, py = form.Top + y;
            if (px < 0 || py < 0 || px >= 640 || py >= 480 ||
                !inside(x, y, surface.Width(), surface.Height())) {
                continue;
            }
            const TColor f = surface.Pixel(x, y), p = picture.Pixel(px, py);
            auto mix = [a](unsigned fc, unsigned pc) {
                return uint8_t((a * fc + (255 - a) * pc + 127) / 255);
            };
            out.SetPixel(px, py,
                         RGB(mix(RedOf(f), RedOf(p)), mix(GreenOf(f), GreenOf(p)),
                             mix(BlueOf(f), BlueOf(p))));
        }
    }
    return out;
}

TEST(FormHost, CompositesEachRegionStyleAtItsAlpha) {
    struct Case {
        const char* name;
        TRegionStyle style;
        int ew, eh;
        bool enable;
        bool (*inside)(int x, int y, int w, int h);
    };
    const Case cases[] = {
        {"round", TRegionStyle::rsRoundRect, 32, 32, true,
         [](int x, int y, int w, int h) {
             return RoundRectContains(TRect{0, 0, w, h}, 32, 32, x, y);
         }},
        {"rect", TRegionStyle::rsRect, 32, 32, true, [](int, int, int, int) { return true; }},
        {"ellipse", TRegionStyle::rsEllipse, 0, 0, true,
         [](int x, int y, int w, int h) {
             // Pixel centres inside the inscribed ellipse, in whole numbers.
             const int64_t dx = 2 * x + 1 - w, dy = 2 * y + 1 - h;
             return dx * dx * h * h + dy * dy * w * w <= int64_t(w) * w * h * h;
         }},
        {"square corners", TRegionStyle::rsRoundRect, 0, 0, true,
         [](int, int, int, int) { return true; }},
        {"disabled", TRegionStyle::rsEllipse, 0, 0, false, [](int, int, int, int) { return true; }},
    };
    for (const Case& c : cases) {
        UiFixture f;
        PatternForm form(f.app, 90, 61);
        form.Left = 600;  // partly outside the picture on the right
        form.Top = 13;
        form.alpha.SetAlpha(230);
        form.rgn.SetRgnRight(90);
        form.rgn.SetRgnBottom(61);
        form.rgn.SetRgnWidth(c.ew);
        form.rgn.SetRgnHeight(c.eh);
        form.rgn.SetStyle(c.style);
        form.rgn.SetEnable(c.enable);
        form.Show();
        f.app.HandleMessage();
        EXPECT_TRUE(SameImage(f.app.Frame(), Expected(f.main.picture, form, c.inside))) << c.name;
        EXPECT_EQ(f.display.frame.size(), size_t(640 * 480 * 3)) << c.name;
        EXPECT_TRUE(
            std::equal(f.display.frame.begin(), f.display.frame.end(), f.app.Frame().Bits()))
            << c.name;
    }
}

TEST(FormHost, OpaqueAndInvisibleFormsAndLaterFormsOnTop) {
    UiFixture f;
    PatternForm lower(f.app, 50, 50), upper(f.app, 50, 50);
    lower.alpha.SetAlpha(255);
    upper.alpha.SetAlpha(0);
    upper.Left = upper.Top = 25;
    lower.Show();
    upper.Show();
    f.app.HandleMessage();
    // Fully transparent: the lower form shows through unchanged, exactly.
    EXPECT_EQ(f.app.Frame().Pixel(30, 30), lower.Surface().Pixel(30, 30));
    EXPECT_EQ(f.app.Frame().Pixel(60, 60), f.main.picture.Pixel(60, 60));
    lower.Hide();
    f.app.HandleMessage();
    EXPECT_TRUE(SameImage(f.app.Frame(), f.main.picture));
}

TEST(FormRgn, DefaultsAndApplyingEachChange) {
    UiFixture f;
    PatternForm form(f.app, 400, 300);
    ui::TFormRgn& rgn = form.rgn;
    EXPECT_EQ(rgn.RgnLeft(), 0);
    EXPECT_EQ(rgn.RgnTop(), 0);
    EXPECT_EQ(rgn.RgnRight(), 400);
    EXPECT_EQ(rgn.RgnBottom(), 300);
    EXPECT_EQ(rgn.RgnWidth(), 30);
    EXPECT_EQ(rgn.RgnHeight(), 30);
    EXPECT_EQ(rgn.Style(), TRegionStyle::rsRoundRect);
    EXPECT_FALSE(rgn.Preview());
    EXPECT_TRUE(rgn.Enable());
    EXPECT_EQ(ui::TTavriFormAlpha(form).Alpha(), 200);
    EXPECT_TRUE(ui::TTavriFormAlpha::Available());

    rgn.SetRgnWidth(32);
    ASSERT_TRUE(form.Region().has_value());
    EXPECT_FALSE(form.RegionContains(0, 0));  // a rounded corner
    EXPECT_TRUE(form.RegionContains(200, 150));
    rgn.SetEnable(false);
    EXPECT_FALSE(form.Region().has_value());
    EXPECT_TRUE(form.RegionContains(0, 0));
    rgn.SetEnable(true);
    EXPECT_FALSE(form.RegionContains(0, 0));
    // Clicks outside the region fall through to what lies beneath.
    form.Show();
    f.ClickAt(1, 1);
    f.ClickAt(200, 150);
    f.Drain();
    ASSERT_EQ(f.main.clicks.size(), 1u);
    EXPECT_EQ(f.main.clicks[0], std::make_pair(1, 1));
}

TEST(HotImage, SwapsPicturesOnEnterAndLeave) {
    UiFixture f;
    PatternForm form(f.app, 200, 100);
    form.rgn.SetEnable(false);
    form.alpha.SetAlpha(255);
    ui::THotImage hot(form);
    hot.SetBounds(10, 10, 50, 20);
    TImage enter(50, 20), leave(50, 20);
    FillRect(enter, TRect{0, 0, 50, 20}, RGB(1, 2, 3));
    FillRect(leave, TRect{0, 0, 50, 20}, RGB(4, 5, 6));
    hot.SetPictureOnEnter(enter);
    hot.SetPictureOnLeave(leave);
    std::vector<std::string> log;
    hot.OnMouseEnter = [&](ui::THotImage& sender) {
        log.push_back(sender.Picture.Pixel(0, 0) == RGB(1, 2, 3) ? "enter" : "enter?");
    };
    hot.OnMouseLeave = [&](ui::THotImage&) { log.push_back("leave"); };
    ui::THotPaintBox box(form);
    box.SetBounds(100, 10, 50, 50);
    box.OnMouseEnter = [&](ui::THotPaintBox&) { log.push_back("box enter"); };
    box.OnMouseLeave = [&](ui::THotPaintBox&) { log.push_back("box leave"); };
    form.Show();

    f.MoveTo(20, 15);
    f.MoveTo(25, 16);  // still inside: no new enter
    f.MoveTo(120, 20);
    f.MoveTo(300, 300);
    f.Drain();
    EXPECT_EQ(log, (std::vector<std::string>{"enter", "leave", "box enter", "box leave"}));
    EXPECT_TRUE(SameImage(hot.Picture, leave));
    EXPECT_EQ(f.app.Frame().Pixel(20, 15), RGB(4, 5, 6));

    // An empty leave picture shows nothing after the mouse leaves.
    hot.SetPictureOnLeave(TImage());
    f.MoveTo(20, 15);
    f.MoveTo(300, 300);
    f.Drain();
    EXPECT_TRUE(hot.Picture.Empty());
}

}  // namespace
}  // namespace tavri::test

#include "ui/Cursors.h"

namespace tavri::test {
namespace {

TEST(Cursors, FastForwardSignIsWhiteWithABlackOutline) {
    const platform::TCursorImage c = ui::FastForwardCursorImage();
    ASSERT_EQ(c.width, 32);
    ASSERT_EQ(c.height, 32);
    ASSERT_EQ(c.pixels.size(), 32u * 32u);
    EXPECT_EQ(c.hotX, 16);
    EXPECT_EQ(c.hotY, 16);
    auto at = [&](int x, int y) { return c.pixels[size_t(y * 32 + x)]; };
    EXPECT_EQ(at(0, 0), 0u);  // transparent corners
    EXPECT_EQ(at(31, 31), 0u);
    EXPECT_EQ(at(8, 16), 0xFFFFFFFFu);  // inside each triangle
    EXPECT_EQ(at(19, 16), 0xFFFFFFFFu);
    // Every white pixel is fenced by black or white: the sign never touches the transparent part.
    for (int y = 1; y < 31; ++y) {
        for (int x = 1; x < 31; ++x) {
            if (at(x, y) != 0xFFFFFFFFu) {
                continue;
            }
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    EXPECT_NE(at(x + dx, y + dy), 0u) << x << "," << y;
                }
            }
        }
    }
}

}  // namespace
}  // namespace tavri::test
