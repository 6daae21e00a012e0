// The system menu on the headless display: what a right click opens, the items a novel offers,
// where the menu sits, its fades, each item's action, and a click beside it.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/TextEncoding.h"
#include "run/RunFixture.h"

namespace tavri::test {
namespace {

using platform::Cp932;

std::string Novel(int bookmarkMode, int skipSetting) {
    char header[160];
    std::snprintf(header, sizeof header, "BookmarkMode = %d\nSkipSetting = %d\n", bookmarkMode,
                  skipSetting);
    return std::string(R"(
[header]
NovelTitle = "Menu test"
StartItemName = "start"
TextSpeed = 10
DefaultTransitionName = "NONE"
)") + header +
           R"(
[item "start"]
Link = "go on" -> "next"
Text:
| one@
| two@
| three@

[item "next"]
LinkKind = ending
Text:
| the end@
)";
}

struct MenuFixture {
    explicit MenuFixture(int bookmarkMode = 2, int skipSetting = 2)
        : f(Novel(bookmarkMode, skipSetting)) {
        f.StartReading();
        AtClickWait();
        CancelStrandedModals(f, 30000, alive);
    }
    ~MenuFixture() { *alive = false; }
    TMenuForm& menu() { return f.windows->Menu(); }
    void AtClickWait() {
        EXPECT_TRUE(f.RunUntil(
            [&] { return f.state->RunMode == RmClickWait && !f.main->IsTransitionActive(); }));
    }
    // Right click, then the fade-in to its end.
    void OpenMenu() {
        f.Click(320, 240, platform::MouseButton::Right);
        EXPECT_TRUE(f.RunUntil([&] { return menu().Visible(); }, 1000));
        EXPECT_TRUE(f.RunUntil([&] { return !menu().Fader.Fading(); }, 1000));
    }
    // Clicks through the click waits (away from the choice rows) until the choices are offered.
    void ReachChoices() {
        for (int i = 0; i < 5 && f.state->RunMode != RmLinks; ++i) {
            f.Click(320, 460);
            f.RunUntil([&] { return f.state->RunMode != RmClickWait; }, 1000);
            f.RunUntil(
                [&] { return f.state->RunMode == RmLinks || f.state->RunMode == RmClickWait; },
                2000);
            f.RunFor(50);
        }
        EXPECT_EQ(f.state->RunMode, RmLinks);
    }
    // The middle of an item, on the picture.
    TScreenPoint At(const ui::TControl& item) {
        int x = 0, y = 0;
        item.FormOrigin(x, y);
        return {item.Form().Left + x + 60, item.Form().Top + y + 16};
    }
    void Click(TScreenPoint at) { f.Click(at.X, at.Y); }
    bool Closed() {
        return f.RunUntil([&] { return !menu().Visible(); }, 1000);
    }

    RunFixture f;
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
};

TEST(SystemMenu, ItsItemsAndHeightFollowTheNovel) {
    struct Case {
        int bookmarkMode, skipSetting, height;
    } cases[] = {{0, 0, 141}, {2, 0, 205}, {0, 2, 173}, {2, 2, 237}, {1, 1, 237}};
    for (const Case& c : cases) {
        MenuFixture m(c.bookmarkMode, c.skipSetting);
        TMenuForm& menu = m.menu();
        EXPECT_EQ(menu.ClientHeight, c.height) << c.bookmarkMode << c.skipSetting;
        EXPECT_EQ(menu.ClientWidth, 195);
        EXPECT_EQ(menu.SavePanel.Visible, c.bookmarkMode != 0);
        EXPECT_EQ(menu.SkipPanel.Visible, c.skipSetting != 0);
        m.OpenMenu();
        EXPECT_EQ(menu.Left, 640 - 195);
        EXPECT_EQ(menu.Top, 32);
        // Rounded on the left, straight on the right.
        EXPECT_FALSE(menu.RegionContains(0, 0));
        EXPECT_FALSE(menu.RegionContains(0, c.height - 1));
        EXPECT_TRUE(menu.RegionContains(194, 0));
        EXPECT_TRUE(menu.RegionContains(194, c.height - 1));
        // Each visible item sits where its panel puts it, one below the other.
        EXPECT_EQ(m.At(menu.CancelHotimage).Y, 32 + c.height - 101 + 64 + 16);
    }
}

TEST(SystemMenu, ARightClickOpensItAtClickWaitsAndChoicesOnly) {
    MenuFixture m;
    m.f.Click(320, 240, platform::MouseButton::Right);
    ASSERT_TRUE(m.f.RunUntil([&] { return m.menu().Visible(); }, 1000));
    EXPECT_EQ(m.f.app->Host().ModalForm(), nullptr);  // modeless
    EXPECT_TRUE(m.f.main->IsTimerRunning());
    EXPECT_EQ(m.f.display.Cursor(), platform::CursorKind::Default);
    EXPECT_LT(m.menu().Alpha(), 100);  // still fading in
    ASSERT_TRUE(m.f.RunUntil([&] { return !m.menu().Fader.Fading(); }, 1000));
    EXPECT_EQ(m.menu().Alpha(), 230);
    m.Click(m.At(m.menu().CancelHotimage));
    ASSERT_TRUE(m.Closed());

    // While typing, a right click opens nothing.
    m.f.Click(320, 240);
    ASSERT_TRUE(m.f.RunUntil([&] { return m.f.state->RunMode == RmTyping; }, 1000));
    m.f.Click(320, 240, platform::MouseButton::Right);
    m.AtClickWait();
    m.f.RunFor(300);
    EXPECT_FALSE(m.menu().Visible());

    // At the choices it opens.
    m.ReachChoices();
    ASSERT_EQ(m.f.state->RunMode, RmLinks);
    m.OpenMenu();
    EXPECT_TRUE(m.menu().Visible());
}

TEST(SystemMenu, TwoQuickCancelsStartOneFadeOut) {
    MenuFixture m;
    m.OpenMenu();
    const uint32_t start = m.f.clock.Now();
    m.Click(m.At(m.menu().CancelHotimage));
    m.f.RunFor(40);
    EXPECT_FALSE(m.menu().Enabled);
    const int fading = m.menu().Alpha();
    EXPECT_LT(fading, 230);
    m.Click(m.At(m.menu().CancelHotimage));
    ASSERT_TRUE(m.Closed());
    EXPECT_LE(m.f.clock.Now() - start, 200u + 3 * TFadeTimer::kPeriod);
    EXPECT_EQ(m.menu().Alpha(), 0);
    EXPECT_EQ(m.f.state->RunMode, RmClickWait);  // the clicks never reached the novel
}

TEST(SystemMenu, TheDisplayModeItemSwitchesAtOnceAndNamesTheOtherMode) {
    MenuFixture m;
    const bool startedFull = m.f.display.IsFullScreen();
    for (int round = 0; round < 2; ++round) {
        const bool full = m.f.display.IsFullScreen();
        m.OpenMenu();
        EXPECT_EQ(m.menu().DisplayModeLabel(), Cp932(full ? "ウインドウモード" : "フルスクリーン"));
        m.Click(m.At(m.menu().DispmodeHotImage));
        m.f.RunFor(5);
        EXPECT_FALSE(m.menu().Visible()) << "closed without a fade";
        EXPECT_EQ(m.f.display.IsFullScreen(), !full);
        // Closed in full screen at a click wait, the pointer hides again.
        EXPECT_EQ(m.f.display.Cursor() == platform::CursorKind::Hidden, !full);
    }
    EXPECT_EQ(m.f.display.IsFullScreen(), startedFull);
}

// Shown, the menu has the normal pointer; closed in full screen the pointer hides again, except
// at the choices, where the reader needs it.
TEST(SystemMenu, ThePointerIsShownWithTheMenuAndHiddenAfterItInFullScreen) {
    MenuFixture m;
    m.f.main->EnterFullScreen();
    ASSERT_TRUE(m.f.display.IsFullScreen());
    m.OpenMenu();
    EXPECT_EQ(m.f.display.Cursor(), platform::CursorKind::Default);
    m.Click(m.At(m.menu().CancelHotimage));
    ASSERT_TRUE(m.Closed());
    EXPECT_EQ(m.f.display.Cursor(), platform::CursorKind::Hidden);

    m.ReachChoices();
    ASSERT_EQ(m.f.state->RunMode, RmLinks);
    m.OpenMenu();
    m.Click(m.At(m.menu().CancelHotimage));
    ASSERT_TRUE(m.Closed());
    EXPECT_EQ(m.f.display.Cursor(), platform::CursorKind::Default);
}

// Alt+Enter and F11 switch the display as the menu's item does; a plain Enter still reads on.
TEST(SystemMenu, TheDesktopKeysSwitchTheDisplayAsTheItemDoes) {
    MenuFixture m;
    const bool startedFull = m.f.display.IsFullScreen();
    const TTextCursor before = m.f.state->TextCursor;
    platform::TInputEvent altEnter;
    altEnter.kind = platform::TInputEvent::Kind::KeyDown;
    altEnter.key = platform::VkReturn;
    altEnter.shift = platform::SsAlt;
    m.f.display.Schedule(m.f.clock.Now(), altEnter);
    m.f.RunFor(100);
    EXPECT_EQ(m.f.display.IsFullScreen(), !startedFull);
    EXPECT_EQ(m.f.state->TextCursor, before);  // not a click
    EXPECT_EQ(m.f.state->RunMode, RmClickWait);
    m.f.Key(platform::VkF11);
    m.f.RunFor(100);
    EXPECT_EQ(m.f.display.IsFullScreen(), startedFull);
    m.f.Key(platform::VkReturn);
    ASSERT_TRUE(m.f.RunUntil([&] { return m.f.state->TextCursor != before; }, 1000));
}

TEST(SystemMenu, FastForwardStartsOnlyAtAClickWait) {
    {
        MenuFixture m;
        m.OpenMenu();
        m.Click(m.At(m.menu().SkipHotImage));
        m.f.RunFor(5);
        EXPECT_TRUE(m.f.main->IsSkipMode());
        EXPECT_EQ(m.f.main->TimerInterval(), 1);
        // The click waits that follow pass by themselves up to the choices, while the menu
        // fades out.
        ASSERT_TRUE(m.f.RunUntil([&] { return m.f.state->RunMode == RmLinks; }, 5000));
        ASSERT_TRUE(m.Closed());
    }
    {
        MenuFixture m;
        m.ReachChoices();
        ASSERT_EQ(m.f.state->RunMode, RmLinks);
        m.OpenMenu();
        m.Click(m.At(m.menu().SkipHotImage));
        ASSERT_TRUE(m.Closed());
        EXPECT_FALSE(m.f.main->IsSkipMode());
    }
}

TEST(SystemMenu, TheBookmarkItemsOpenTheScreenInTheirModes) {
    struct Case {
        ui::THotImage TMenuForm::*item;
        const char* caption;
        bool markMode;
    } cases[] = {{&TMenuForm::MarkHotimage, "しおりをはさむ", true},
                 {&TMenuForm::OpenHotimage, "しおりから読む", false}};
    for (const Case& c : cases) {
        MenuFixture m;
        m.OpenMenu();
        bool shown = false;
        When(
            m.f, [&] { return m.f.app->Host().ModalForm() == &m.f.windows->Bookmarks(); },
            [&] {
                shown = true;
                EXPECT_EQ(m.f.windows->Bookmarks().Caption, Cp932(c.caption));
                EXPECT_EQ(m.f.windows->Bookmarks().MarkMode(), c.markMode);
                m.f.Click(kScreenCancelButton.X, kScreenCancelButton.Y);
            });
        m.Click(m.At(m.menu().*c.item));
        ASSERT_TRUE(m.Closed());
        EXPECT_TRUE(shown) << c.caption;
        EXPECT_EQ(m.f.state->RunMode, RmClickWait);
    }
}

TEST(SystemMenu, CloseTheBookAsksFirst) {
    for (const bool ok : {false, true}) {
        MenuFixture m;
        m.OpenMenu();
        ClickWhenModal(m.f, *m.f.yesNo, ok ? kYesNoOkButton.X : kYesNoCancelButton.X,
                       kYesNoOkButton.Y);
        m.Click(m.At(m.menu().CloseHotimage));
        m.f.RunFor(400);
        EXPECT_EQ(m.f.yesNo->Caption, Cp932("本を閉じる"));
        EXPECT_EQ(m.f.yesNo->MessageLabel.Caption, Cp932("終了してよろしいですか？"));
        EXPECT_EQ(m.f.app->Terminated(), ok);
        EXPECT_FALSE(m.f.yesNo->Visible());
    }
}

TEST(SystemMenu, TheVersionItemOpensTheVersionForm) {
    MenuFixture m;
    m.OpenMenu();
    TAboutForm& about = m.f.windows->About();
    bool shown = false;
    When(
        m.f, [&] { return m.f.app->Host().ModalForm() == &about; },
        [&] {
            shown = true;
            EXPECT_EQ(about.Left, 320 - 212);
            EXPECT_EQ(about.Top, 240 - 153);
            int x = 0, y = 0;
            about.HotImage1.FormOrigin(x, y);
            m.f.Click(about.Left + x + 46, about.Top + y + 12);
        });
    m.Click(m.At(m.menu().AboutHotimage));
    ASSERT_TRUE(m.Closed());
    EXPECT_TRUE(shown);
    EXPECT_FALSE(about.Visible());
}

// A click beside the menu fades it out and still reaches the novel, which goes on.
TEST(SystemMenu, AClickBesideItClosesItAndReachesTheNovel) {
    MenuFixture m;
    m.OpenMenu();
    const TTextCursor before = m.f.state->TextCursor;
    m.f.Key(platform::VkEscape);  // keys go to the menu, which ignores them
    m.f.RunFor(50);
    EXPECT_FALSE(m.f.yesNo->Visible());
    m.f.Click(100, 300);
    ASSERT_TRUE(m.Closed());
    ASSERT_TRUE(m.f.RunUntil([&] { return m.f.state->TextCursor != before; }, 1000));
}

}  // namespace
}  // namespace tavri::test
