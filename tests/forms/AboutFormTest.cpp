// The version form: its layout, what it names, and its list of libraries scrolled.

#include <gtest/gtest.h>

#include <string>

#include "platform/TextEncoding.h"
#include "run/RunFixture.h"
#include "ui/RunYesNo.h"

namespace tavri::test {
namespace {

using platform::Cp932;

const char* const kNovel = R"(
[header]
NovelTitle = "星の図書館"
StartItemName = "start"
DefaultTransitionName = "NONE"

[item "start"]
LinkKind = ending
Text:
| one@
)";

TEST(AboutForm, NamesTheNovelThePlayerAndTheLibraries) {
    RunFixture f(kNovel);
    TAboutForm& about = f.windows->About();
    EXPECT_EQ(about.Caption, Cp932("バージョン情報"));
    EXPECT_EQ(about.ClientWidth, 424);
    EXPECT_EQ(about.ClientHeight, 306);
    EXPECT_EQ(about.NovelTitleLabel.Caption, Cp932("星の図書館"));
    EXPECT_EQ(about.SystemVerLabel.Caption, Cp932("Tavri! Novel R.9.61 ランタイム"));
    const std::vector<std::string> lines = AcknowledgementLines("/usr/share/sounds/sf2/X.sf2");
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines[0].rfind("SDL2 2.", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind("libpng 1.", 0), 0u) << lines[1];
    EXPECT_EQ(lines[9], "SoundFont: X.sf2");
    EXPECT_EQ(lines.back(), Cp932("これらのライブラリの作者の皆様に感謝いたします。"));
    EXPECT_EQ(AcknowledgementLines("")[9].rfind("SoundFont: ", 0), 0u);
    // The memo holds them, and the recording MIDI ports have no SoundFont.
    EXPECT_EQ(about.ComponentMemo.Lines().size(), 13u);
    EXPECT_EQ(about.ComponentMemo.Lines()[9], AcknowledgementLines("")[9]);

    // Its title bar stays in the active colours, also after it loses the focus.
    ui::TForm probe(*f.app);
    ui::TImageControl bar(probe);
    probe.Caption = about.Caption;
    probe.ClientWidth = about.ClientWidth;
    bar.SetBounds(0, 0, about.ClientWidth, 21);
    ui::DrawTitleBar(probe, bar, true);
    about.DoDeactivate();
    EXPECT_EQ(about.Image1.Picture.Pixel(200, 10), bar.Picture.Pixel(200, 10));
}

TEST(AboutForm, TheListScrollsWithTheWheelAndTheBar) {
    RunFixture f(kNovel);
    TAboutForm& about = f.windows->About();
    ui::TMemo& memo = about.ComponentMemo;
    bool done = false;
    When(
        f, [&] { return f.app->Host().ModalForm() == &about; },
        [&] {
            int x = 0, y = 0;
            memo.FormOrigin(x, y);
            const int left = about.Left + x, top = about.Top + y;
            EXPECT_LT(memo.VisibleLineCount(), 13);
            platform::TInputEvent wheel;
            wheel.kind = platform::TInputEvent::Kind::MouseWheel;
            wheel.x = left + 50;
            wheel.y = top + 20;
            wheel.wheel = -5;
            f.display.Schedule(f.clock.Now(), wheel);
            // Then the thumb dragged back to the top.
            When(
                f, [&] { return memo.TopLine() > 0; },
                [&, left, top] {
                    EXPECT_EQ(memo.TopLine(), 13 - memo.VisibleLineCount());
                    const ui::TScrollBar& bar = memo.VertScrollBar;
                    const int thumb = top + bar.ThumbTop() + bar.ThumbHeight() / 2;
                    const int barX = left + memo.Width - 8;
                    platform::TInputEvent e;
                    e.kind = platform::TInputEvent::Kind::MouseMove;
                    e.x = barX;
                    e.y = thumb;
                    f.display.Schedule(f.clock.Now(), e);
                    e.kind = platform::TInputEvent::Kind::MouseDown;
                    f.display.Schedule(f.clock.Now(), e);
                    e.kind = platform::TInputEvent::Kind::MouseMove;
                    e.y = top - 100;
                    f.display.Schedule(f.clock.Now() + 10, e);
                    e.kind = platform::TInputEvent::Kind::MouseUp;
                    f.display.Schedule(f.clock.Now() + 20, e);
                    When(
                        f, [&] { return memo.TopLine() == 0; },
                        [&] {
                            done = true;
                            about.Close();
                        },
                        1000);
                },
                1000);
        });
    auto alive = std::make_shared<bool>(true);
    CancelStrandedModals(f, 20000, alive);
    about.ShowModal();
    *alive = false;
    EXPECT_TRUE(done);
}

}  // namespace
}  // namespace tavri::test
