// The controls of the dialogs: the list (sorting, selection by mouse and keys, scrolling, double
// clicks), the header's sections, the edit and its caret, the up-down, and the dialog frame
// with its default button and close box.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/TextEncoding.h"
#include "ui/Button.h"
#include "ui/DialogForm.h"
#include "ui/Edit.h"
#include "ui/HeaderControl.h"
#include "ui/ListBox.h"
#include "ui/UiFixture.h"
#include "ui/UpDown.h"

namespace tavri::test {
namespace {

using platform::Cp932;

struct Dialog : ui::TDialogForm {
    explicit Dialog(ui::TApplication& app)
        : TDialogForm(app),
          list(*this, &Client),
          header(*this, &Client),
          edit(*this, &Client),
          upDown(*this, &Client),
          ok(*this, &Client) {
        SetClientSize(300, 300);
        list.SetBounds(0, 20, 200, 18 * 5);  // five rows
        header.SetBounds(0, 0, 300, 17);
        header.Sections = {{"a", 100, 60, false}, {"b", 50, 50, false}, {"c", 80, 80, true}};
        edit.SetBounds(0, 200, 60, 20);
        upDown.SetBounds(60, 200, 15, 20);
        upDown.Associate(&edit);
        ok.SetBounds(100, 250, 75, 21);
        ok.ModalResult = ui::mrOk;
        DefaultButton = &ok;
        list.OnClick = [this](ui::TControl&) { ++clicks; };
        list.OnDblClick = [this](ui::TListBox&) { ++doubleClicks; };
    }
    // A point of a control, on the picture.
    std::pair<int, int> At(const ui::TControl& c, int x, int y) const {
        int ox = 0, oy = 0;
        c.FormOrigin(ox, oy);
        return {Left + ox + x, Top + oy + y};
    }
    ui::TListBox list;
    ui::THeaderControl header;
    ui::TEdit edit;
    ui::TUpDown upDown;
    ui::TButton ok;
    int clicks = 0, doubleClicks = 0;
};

TEST(ListBox, SortsByUpperCasedBytesWithDoubleByteCharactersAsUnits) {
    // "\x83\x61" is a double-byte character whose second byte is the letter a: it must stay.
    EXPECT_EQ(ui::SortKey("ab\x83\x61z"), "AB\x83\x61Z");
    UiFixture f;
    Dialog d(f.app);
    d.list.Sorted = true;
    const std::vector<std::string> names = {"beta",     "Alpha", "\x83\x41", "alpha",
                                            "\x83\x61", "_x",    "Beta2",    "alpha"};
    for (const std::string& name : names) {
        d.list.Add(name);
    }
    // Equal keys ("Alpha", "alpha", "alpha") keep the order they came in; high bytes last.
    EXPECT_EQ(d.list.Items(), (std::vector<std::string>{"Alpha", "alpha", "alpha", "beta", "Beta2",
                                                        "_x", "\x83\x41", "\x83\x61"}));
}

TEST(ListBox, RowsAreChosenWithTheMouseAndTheKeysAndKeptInView) {
    UiFixture f;
    Dialog d(f.app);
    for (int i = 0; i < 12; ++i) {
        d.list.Add("row " + std::to_string(i));
    }
    d.Show();
    auto [x, y] = d.At(d.list, 40, 18 * 2 + 9);
    f.ClickAt(x, y);
    f.Drain();
    EXPECT_EQ(d.list.ItemIndex(), 2);
    EXPECT_EQ(d.clicks, 1);
    // A second press on the same row soon after is a double click; a late one is not.
    f.ClickAt(x, y, 100);
    f.Drain();
    EXPECT_EQ(d.doubleClicks, 1);
    f.ClickAt(x, y, 100);
    f.ClickAt(x, y, 100 + ui::TListBox::kDoubleClickTime + 1);
    f.Drain();
    EXPECT_EQ(d.doubleClicks, 1);

    // The keys go to the list, which has the focus; the selection stays in view.
    for (int i = 0; i < 6; ++i) {
        f.display.Key(platform::VkDown);
    }
    f.Drain();
    EXPECT_EQ(d.list.ItemIndex(), 8);
    EXPECT_EQ(d.list.TopIndex(), 8 - 5 + 1);
    f.display.Key(platform::VkEnd);
    f.display.Key(platform::VkDown);
    f.Drain();
    EXPECT_EQ(d.list.ItemIndex(), 11);
    f.display.Key(platform::VkHome);
    f.display.Key(platform::VkUp);
    f.Drain();
    EXPECT_EQ(d.list.ItemIndex(), 0);
    EXPECT_EQ(d.list.TopIndex(), 0);
    d.list.SetItemIndex(-1);
    EXPECT_EQ(d.list.ItemIndex(), -1);
    d.list.SetItemIndex(40);
    EXPECT_EQ(d.list.ItemIndex(), -1);
}

TEST(HeaderControl, ADividerDraggedResizesItsSectionNotBelowItsMinimum) {
    UiFixture f;
    Dialog d(f.app);
    d.Show();
    int resized = 0;
    d.header.OnSectionResize = [&](ui::THeaderControl&, int) { ++resized; };
    const auto [x, y] = d.At(d.header, 100 + 50 + 80, 8);  // the right edge of section 2
    f.MoveTo(x, y);
    f.Press(x, y, platform::SsLeft);
    f.MoveTo(x + 30, y, 10);
    f.Release(x + 30, y, 20);
    f.Drain();
    EXPECT_EQ(d.header.Sections[2].Width, 110);
    f.MoveTo(x + 30, y);
    f.Press(x + 30, y, platform::SsLeft);
    f.MoveTo(x - 100, y, 10);
    f.Release(x - 100, y, 20);
    f.Drain();
    EXPECT_EQ(d.header.Sections[2].Width, 80);
    EXPECT_GT(resized, 0);
    EXPECT_EQ(d.header.SectionLeft(2), 150);
}

TEST(EditAndUpDown, TypedNumbersAreHeldToTheRangeAndStepWithoutWrapping) {
    UiFixture f;
    Dialog d(f.app);
    d.Show();
    d.upDown.SetRange(100000, -70000);  // given the wrong way round: the lower is the minimum
    EXPECT_EQ(d.upDown.Min(), -70000);
    EXPECT_EQ(d.upDown.Max(), 100000);
    d.upDown.SetPosition(99999);
    EXPECT_EQ(d.edit.Text(), "99999");

    // Typed: digits and a minus sign only, at the caret.
    const auto [ex, ey] = d.At(d.edit, 5, 10);
    f.ClickAt(ex, ey);
    f.Drain();
    EXPECT_TRUE(d.edit.Focused());
    f.display.Key(platform::VkEnd);
    for (int i = 0; i < 5; ++i) {
        f.display.Key(platform::VkBack);
    }
    platform::TInputEvent text;
    text.kind = platform::TInputEvent::Kind::Text;
    text.text = "-12a" + Cp932("あ") + "3";
    f.display.Schedule(f.clock.Now(), text);
    f.Drain();
    EXPECT_EQ(d.edit.Text(), "-123");
    // Up and Down in the edit step from the typed number.
    f.display.Key(platform::VkUp);
    f.Drain();
    EXPECT_EQ(d.upDown.Position(), -122);

    // At the limits the arrows stop; a typed number past them is brought back.
    d.upDown.SetPosition(100000);
    const auto [ux, uy] = d.At(d.upDown, 7, 4);
    f.ClickAt(ux, uy);
    f.Drain();
    EXPECT_EQ(d.upDown.Position(), 100000);
    d.edit.SetText("-99999999999999999999999");
    d.upDown.ReadEdit();
    EXPECT_EQ(d.upDown.Position(), -70000);
    d.edit.SetText("-");
    d.upDown.ReadEdit();
    EXPECT_EQ(d.upDown.Position(), -70000);
    EXPECT_EQ(d.edit.Text(), "-70000");
    const auto [lx, ly] = d.At(d.upDown, 7, 15);
    f.ClickAt(lx, ly);
    f.Drain();
    EXPECT_EQ(d.upDown.Position(), -70000);
}

TEST(EditAndUpDown, TheCaretMovesByWholeCharactersAndTakesTypedText) {
    UiFixture f;
    Dialog d(f.app);
    d.Show();
    d.edit.Accepts = nullptr;  // any text, not only numbers
    d.edit.SetText("a" + Cp932("あ") + "b");
    d.FocusedControl = &d.edit;
    for (const int key : {platform::VkLeft, platform::VkLeft}) {
        f.display.Key(key);
    }
    platform::TInputEvent text;
    text.kind = platform::TInputEvent::Kind::Text;
    text.text = "X";
    f.display.Schedule(f.clock.Now(), text);
    f.Drain();
    EXPECT_EQ(d.edit.Text(), "aX" + Cp932("あ") + "b");  // before the double-byte character
    f.display.Key(platform::VkDelete);
    f.display.Key(platform::VkHome);
    f.display.Key(platform::VkDelete);
    f.Drain();
    EXPECT_EQ(d.edit.Text(), "Xb");
    EXPECT_EQ(d.edit.CaretPosition(), 0u);
}

TEST(DialogForm, ItIsDraggedByItsCaptionBarAndKeptOnThePicture) {
    UiFixture f;
    Dialog d(f.app);
    d.Show();
    d.CentreOnPicture();
    const int left = d.Left, top = d.Top;
    const auto [x, y] = d.At(d.CaptionBar, 40, 10);
    f.MoveTo(x, y);
    f.Press(x, y, platform::SsLeft);
    f.MoveTo(x - 30, y + 20, 10);
    f.Release(x - 30, y + 20, 20);
    f.Drain();
    EXPECT_EQ(d.Left, left - 30);
    EXPECT_EQ(d.Top, top + 20);
    f.MoveTo(x - 30, y + 20);
    f.Press(x - 30, y + 20, platform::SsLeft);
    f.MoveTo(-500, -500, 10);
    f.Release(-500, -500, 20);
    f.Drain();
    EXPECT_EQ(d.Left, 0);
    EXPECT_EQ(d.Top, 0);
}

TEST(DialogForm, EnterPressesTheDefaultButtonAndTheCloseBoxGivesItsResult) {
    UiFixture f;
    Dialog d(f.app);
    d.list.Add("x");
    f.display.Key(platform::VkReturn);
    EXPECT_EQ(d.ShowModal(), ui::mrOk);
    EXPECT_EQ(d.Left, 320 - d.ClientWidth / 2);  // centred on the picture

    d.CloseBoxResult = 7;
    f.app.Post([&] {
        const auto [x, y] = d.At(d.CloseBox, d.CloseBox.Width / 2, d.CloseBox.Height / 2);
        f.ClickAt(x, y);
    });
    EXPECT_EQ(d.ShowModal(), 7);
}

}  // namespace
}  // namespace tavri::test
