#include <gtest/gtest.h>

#include "platform/TextEncoding.h"
#include "ui/RunYesNo.h"
#include "ui/UiFixture.h"

namespace tavri::test {
namespace {

using platform::Cp932;
using ui::TYesNoForm;

// Where the dialog appears: centred on the picture.
constexpr int kLeft = 320 - 282 / 2, kTop = 240 - 109 / 2;

TEST(YesNoForm, LayoutAndLook) {
    UiFixture f;
    TYesNoForm dialog(f.app);
    EXPECT_EQ(dialog.Caption, Cp932("本を閉じる"));
    EXPECT_EQ(dialog.MessageLabel.Caption, Cp932("終了してよろしいですか？"));
    EXPECT_EQ(dialog.ClientWidth, 282);
    EXPECT_EQ(dialog.ClientHeight, 109);
    EXPECT_EQ(dialog.Alpha(), 230);
    EXPECT_EQ(dialog.FormRgn1.RgnRight(), 282);
    EXPECT_EQ(dialog.FormRgn1.RgnBottom(), 109);
    EXPECT_EQ(dialog.FormRgn1.RgnWidth(), 32);
    EXPECT_EQ(dialog.Image1.BoundsRect(), (TRect{0, 0, 282, 21}));
    EXPECT_EQ(dialog.HotImage1.BoundsRect(), (TRect{48, 68, 137, 93}));
    EXPECT_EQ(dialog.HotImage2.BoundsRect(), (TRect{144, 68, 233, 93}));
    // Button pictures: white corners, the colour inside, some black label ink.
    const TImage& hover = dialog.HotImage1.PictureOnEnter();
    const TImage& normal = dialog.HotImage1.PictureOnLeave();
    ASSERT_EQ(hover.Width(), 89);
    ASSERT_EQ(hover.Height(), 25);
    EXPECT_EQ(hover.Pixel(0, 0), RGB(255, 255, 255));
    EXPECT_EQ(hover.Pixel(44, 23), RGB(160, 160, 255));
    EXPECT_EQ(normal.Pixel(44, 23), RGB(230, 230, 255));
    EXPECT_TRUE(SameImage(dialog.HotImage1.Picture, normal));
    int ink = 0;
    for (int y = 0; y < 25; ++y) {
        for (int x = 0; x < 89; ++x) {
            ink += normal.Pixel(x, y) == 0;
        }
    }
    EXPECT_GT(ink, 10);

    // Not shown yet: inactive colours.
    EXPECT_EQ(dialog.Image1.Picture.Pixel(2, 2), RGB(205, 170, 0));
    EXPECT_EQ(dialog.Color, RGB(230, 230, 230));
}

TEST(YesNoForm, ScriptedClicksOnEachButtonGiveTheirResults) {
    struct Case {
        int x, y;
        int result;
    };
    const Case cases[] = {
        {kLeft + 48 + 44, kTop + 68 + 12, ui::mrOk},
        {kLeft + 144 + 44, kTop + 68 + 12, ui::mrCancel},
    };
    for (const Case& c : cases) {
        UiFixture f;
        TYesNoForm dialog(f.app);
        dialog.Caption = Cp932("しおりをはさむ");
        dialog.MessageLabel.SetCaption(Cp932("しおり1 をこのページにはさみます。"));
        // Escape does nothing; clicking the picture outside the dialog does nothing either.
        f.display.Key(platform::VkEscape);
        f.ClickAt(10, 10, 5);
        f.ClickAt(c.x, c.y, 10);
        f.ClickAt(11, 11, 20);  // after the dialog has closed: reaches the main window
        EXPECT_EQ(dialog.ShowModal(), c.result);
        EXPECT_FALSE(dialog.Visible());
        EXPECT_EQ(dialog.Left, kLeft);
        EXPECT_EQ(dialog.Top, kTop);
        EXPECT_TRUE(f.main.keys.empty());
        f.Drain();
        EXPECT_EQ(f.main.clicks, (std::vector<std::pair<int, int>>{{11, 11}}));
        // The texts stay for the next caller.
        EXPECT_EQ(dialog.Caption, Cp932("しおりをはさむ"));
    }
}

TEST(YesNoForm, ClosingByOtherMeansGivesCancel) {
    UiFixture f;
    TYesNoForm dialog(f.app);
    platform::TInputEvent close;
    close.kind = platform::TInputEvent::Kind::Close;
    f.display.Schedule(f.clock.Now() + 3, close);
    EXPECT_EQ(dialog.ShowModal(), ui::mrCancel);
    EXPECT_TRUE(f.app.Terminated());
}

TEST(YesNoForm, ActivationColoursFollowTheFocus) {
    UiFixture f;
    TYesNoForm dialog(f.app), other(f.app);
    other.OnShow = nullptr;  // stays at the top-left, clear of the dialog
    other.Left = other.Top = 0;
    dialog.Show();
    f.app.HandleMessage();
    EXPECT_EQ(dialog.Image1.Picture.Pixel(2, 2), RGB(160, 160, 255));
    EXPECT_EQ(dialog.Color, RGB(255, 255, 255));
    // The composited frame shows the active bar blended at 230 over the picture.
    const TColor bar = f.app.Frame().Pixel(kLeft + 140, kTop + 2);
    const TColor under = f.main.picture.Pixel(kLeft + 140, kTop + 2);
    EXPECT_EQ(RedOf(bar), (230 * 160 + 25 * RedOf(under) + 127) / 255);

    other.Show();  // another window is activated
    EXPECT_EQ(dialog.Image1.Picture.Pixel(2, 2), RGB(205, 170, 0));
    EXPECT_EQ(dialog.Color, RGB(230, 230, 230));
    f.ClickAt(kLeft + 140, kTop + 50);  // clicking the dialog activates it again
    f.Drain();
    EXPECT_EQ(dialog.Image1.Picture.Pixel(2, 2), RGB(160, 160, 255));
    EXPECT_EQ(dialog.Color, RGB(255, 255, 255));
    EXPECT_FALSE(other.Active());
}

TEST(YesNoForm, DraggedByItsTitleBarAndKeptInsideThePicture) {
    UiFixture f;
    TYesNoForm dialog(f.app);
    dialog.Show();
    int ups = 0;
    dialog.Image1.OnMouseUp = [&](ui::TControl&, platform::MouseButton, uint8_t, int, int) {
        ++ups;
    };
    f.Press(kLeft + 100, kTop + 10, platform::SsLeft);
    f.MoveTo(kLeft + 150, kTop + 30);
    f.Drain();
    EXPECT_EQ(dialog.Left, kLeft + 50);
    EXPECT_EQ(dialog.Top, kTop + 20);
    f.MoveTo(-500, 2000);
    f.Release(-500, 2000);
    f.Drain();
    EXPECT_EQ(dialog.Left, 0);
    EXPECT_EQ(dialog.Top, 480 - 109);
    EXPECT_EQ(ups, 1);  // the title bar heard the button go up
    EXPECT_FALSE(f.app.Host().Dragging());
    // Moving afterwards does not drag.
    f.MoveTo(300, 100);
    f.Drain();
    EXPECT_EQ(dialog.Left, 0);

    // A press on the body, or one without the left button held, does not drag.
    f.Press(dialog.Left + 100, dialog.Top + 10, 0);
    f.MoveTo(dialog.Left + 150, dialog.Top + 30);
    f.Release(dialog.Left + 150, dialog.Top + 30);
    f.Drain();
    EXPECT_EQ(dialog.Left, 0);
}

}  // namespace
}  // namespace tavri::test
