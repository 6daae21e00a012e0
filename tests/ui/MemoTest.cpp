// The scroll bar and the read-only memo: range and thumb arithmetic, the arrows, the track and
// a held button repeating, the thumb dragged, the wheel, and text wrapped and appended as a
// memo takes it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/Fonts.h"
#include "platform/TextEncoding.h"
#include "ui/Memo.h"
#include "ui/ScrollBar.h"
#include "ui/UiFixture.h"

namespace tavri::test {
namespace {

using platform::Cp932;

struct MemoForm : ui::TForm {
    explicit MemoForm(ui::TApplication& app) : TForm(app), memo(*this), bar(*this) {
        ClientWidth = 300;
        ClientHeight = 200;
        memo.SetBounds(10, 10, 200, 85);
        memo.Font.Face = Cp932("ＭＳ Ｐゴシック");
        memo.Font.Height = -11;
        bar.SetBounds(250, 0, ui::TScrollBar::kWidth, 200);
        bar.SetRange(0, 99, 10);
        bar.OnChange = [this](ui::TScrollBar& b) { changes.push_back(b.Position()); };
        Show();
    }
    ui::TMemo memo;
    ui::TScrollBar bar;
    std::vector<int> changes;
};

TEST(ScrollBar, TheRangeBoundsThePositionAndSizesTheThumb) {
    UiFixture f;
    MemoForm form(f.app);
    ui::TScrollBar& bar = form.bar;
    // 200 px: two 17 px arrows, a 166 px track; the page is a tenth of the whole.
    EXPECT_EQ(bar.LastPosition(), 90);
    EXPECT_EQ(bar.ThumbHeight(), 16);
    EXPECT_EQ(bar.ThumbTop(), 17);
    bar.SetPosition(500);
    EXPECT_EQ(bar.Position(), 90);
    EXPECT_EQ(bar.ThumbTop() + bar.ThumbHeight(), 200 - 17);
    bar.SetPosition(-4);
    EXPECT_EQ(bar.Position(), 0);
    EXPECT_EQ(form.changes, (std::vector<int>{90, 0}));  // one call per real move
    // A page larger than the whole: nothing to scroll, the thumb fills the track.
    bar.SetRange(0, 4, 10);
    EXPECT_EQ(bar.LastPosition(), 0);
    EXPECT_EQ(bar.ThumbHeight(), 166);
    // A huge range keeps the thumb grabbable.
    bar.SetRange(0, 1000000, 10);
    EXPECT_EQ(bar.ThumbHeight(), ui::TScrollBar::kMinThumb);
}

TEST(ScrollBar, ArrowsTrackDragAndWheelMoveThePosition) {
    UiFixture f;
    MemoForm form(f.app);
    ui::TScrollBar& bar = form.bar;
    f.ClickAt(258, 190);  // the down arrow
    f.Drain();
    EXPECT_EQ(bar.Position(), 1);
    f.ClickAt(258, 150);  // the track below the thumb: a page
    f.Drain();
    EXPECT_EQ(bar.Position(), 11);
    f.ClickAt(258, 5);  // the up arrow
    f.Drain();
    EXPECT_EQ(bar.Position(), 10);

    // Held on the down arrow: one step, then after the delay one every 50 ms.
    f.MoveTo(258, 190);
    f.Press(258, 190, platform::SsLeft);
    f.Release(258, 190, ui::TScrollBar::kRepeatDelay + 5 * ui::TScrollBar::kRepeatInterval + 10);
    f.Drain();
    EXPECT_GE(bar.Position(), 10 + 1 + 5);
    EXPECT_LE(bar.Position(), 10 + 1 + 7);

    // The thumb dragged to the bottom of the track and beyond.
    const int thumbMiddle = bar.ThumbTop() + bar.ThumbHeight() / 2;
    f.MoveTo(258, thumbMiddle);
    f.Press(258, thumbMiddle, platform::SsLeft);
    f.MoveTo(258, 400, 10);
    f.Release(258, 400, 20);
    f.Drain();
    EXPECT_EQ(bar.Position(), 90);

    platform::TInputEvent wheel;
    wheel.kind = platform::TInputEvent::Kind::MouseWheel;
    wheel.x = 258;
    wheel.y = 100;
    wheel.wheel = 2;  // away from the reader: up, three lines a notch
    f.display.Schedule(f.clock.Now(), wheel);
    f.Drain();
    EXPECT_EQ(bar.Position(), 84);
}

TEST(Memo, TextIsAppendedAsAMemoTakesItAndWrapsAtItsWidth) {
    UiFixture f;
    MemoForm form(f.app);
    ui::TMemo& memo = form.memo;
    memo.Append("one\r\ntwo\nthr");
    memo.Append("ee\r\n\r\nsix");
    EXPECT_EQ(memo.Lines(), (std::vector<std::string>{"one", "two", "three", "", "six"}));

    // A line wider than the text area breaks between characters, never inside one.
    memo.Clear();
    std::string wide;
    for (int i = 0; i < 40; ++i) {
        wide += Cp932("あ");
    }
    memo.Append(wide);
    const std::vector<std::string>& shown = memo.DisplayLines();
    ASSERT_GT(shown.size(), 2u);
    std::string joined;
    for (const std::string& piece : shown) {
        EXPECT_EQ(piece.size() % 2, 0u);
        EXPECT_LE(TextExtent(memo.Font, piece).Width, 200 - ui::TScrollBar::kWidth);
        joined += piece;
    }
    EXPECT_EQ(joined, wide);
}

TEST(Memo, TheWheelAndTheBarScrollItALineAtATime) {
    UiFixture f;
    MemoForm form(f.app);
    ui::TMemo& memo = form.memo;
    for (int i = 0; i < 20; ++i) {
        memo.Append("line " + std::to_string(i) + "\r\n");
    }
    ASSERT_EQ(memo.DisplayLines().size(), 20u);
    const int visible = memo.VisibleLineCount();
    EXPECT_EQ(visible, (85 - 2) / memo.LineHeight());
    platform::TInputEvent wheel;
    wheel.kind = platform::TInputEvent::Kind::MouseWheel;
    wheel.x = 60;  // over the text, not the bar
    wheel.y = 40;
    wheel.wheel = -1;
    f.display.Schedule(f.clock.Now(), wheel);
    f.Drain();
    EXPECT_EQ(memo.TopLine(), 3);
    for (int i = 0; i < 10; ++i) {
        f.display.Schedule(f.clock.Now(), wheel);
    }
    f.Drain();
    EXPECT_EQ(memo.TopLine(), 20 - visible);  // the last line at the bottom, no further
    // The bar's down arrow is the memo's own (at the memo's right edge).
    memo.VertScrollBar.SetPosition(0);
    f.ClickAt(10 + 200 - 8, 10 + 85 - 5);
    f.Drain();
    EXPECT_EQ(memo.TopLine(), 1);
}

}  // namespace
}  // namespace tavri::test
