// Our own message box, shown where the system's cannot be: the buttons each kind of message
// gets, Enter and Escape, the text on it, and the novel held still while it is up.

#include <gtest/gtest.h>

#include "platform/TextEncoding.h"
#include "ui/MessageForm.h"
#include "ui/UiFixture.h"

namespace tavri::test {
namespace {

using platform::Cp932;

TEST(MessageForm, EachKindGetsItsButtonsAndEnterAndEscapeAnswer) {
    struct Case {
        platform::MsgButtons buttons;
        int key;
        int expected;
        std::vector<const char*> labels;
    } cases[] = {
        {platform::MsgButtons::Ok, platform::VkReturn, platform::IdOk, {"ＯＫ"}},
        {platform::MsgButtons::Ok, platform::VkEscape, platform::IdOk, {"ＯＫ"}},
        {platform::MsgButtons::OkCancel,
         platform::VkReturn,
         platform::IdOk,
         {"ＯＫ", "キャンセル"}},
        {platform::MsgButtons::OkCancel,
         platform::VkEscape,
         platform::IdCancel,
         {"ＯＫ", "キャンセル"}},
        {platform::MsgButtons::YesNo, platform::VkReturn, platform::IdYes, {"はい", "いいえ"}},
        {platform::MsgButtons::YesNo, platform::VkEscape, platform::IdNo, {"はい", "いいえ"}},
    };
    for (const Case& c : cases) {
        UiFixture f;
        ui::TMessageForm form(f.app);
        std::vector<std::string> labels;
        f.app.Post([&] {
            for (const auto& b : form.Buttons) {
                labels.push_back(b->Caption);
            }
            f.display.Key(c.key);
        });
        EXPECT_EQ(form.Ask(Cp932("一行目\r\n二行目"), Cp932("見出し"), platform::MsgIcon::Error,
                           c.buttons),
                  c.expected);
        std::vector<std::string> expected;
        for (const char* l : c.labels) {
            expected.push_back(Cp932(l));
        }
        EXPECT_EQ(labels, expected);
        ASSERT_EQ(form.Lines.size(), 2u);
        EXPECT_EQ(form.Lines[1]->Caption, Cp932("二行目"));
        EXPECT_EQ(form.Caption, Cp932("見出し"));
        EXPECT_LE(form.ClientWidth, 640);
    }
}

TEST(MessageForm, ABoxInsideARunningApplicationHoldsItsTimersAndAClickAnswers) {
    UiFixture f;
    int ticks = 0;
    ui::TIdleTimer timer(f.app);
    timer.SetInterval(10);
    timer.ActiveOnlyWhenAppActive = false;
    timer.OnTimer = [&](int) { ++ticks; };
    f.app.HandleMessage();
    f.clock.Advance(50);
    f.app.HandleMessage();
    const int before = ticks;
    ASSERT_GT(before, 0);
    int answer = 0;
    f.app.Post([&] {
        // Let time pass with the box up, then click "いいえ".
        f.clock.Advance(500);
        ui::TMessageForm* form = nullptr;
        for (ui::TForm* shown : f.app.Host().ZOrder()) {
            form = dynamic_cast<ui::TMessageForm*>(shown);
        }
        ASSERT_NE(form, nullptr);
        const ui::TButton& no = *form->Buttons.back();
        int x = 0, y = 0;
        no.FormOrigin(x, y);
        f.ClickAt(form->Left + x + 10, form->Top + y + 10);
    });
    answer = ui::ShowOwnMessageBox(&f.app, Cp932("続けますか？"), Cp932("確認"),
                                   platform::MsgIcon::Question, platform::MsgButtons::YesNo);
    EXPECT_EQ(answer, platform::IdNo);
    EXPECT_EQ(ticks, before);  // the timer stood still while the box was up
    f.clock.Advance(50);
    f.app.HandleMessage();
    EXPECT_GT(ticks, before);  // and runs again after
}

}  // namespace
}  // namespace tavri::test
