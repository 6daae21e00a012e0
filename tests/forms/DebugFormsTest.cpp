// The debug forms as an author uses them with "/DEBUG": F5 edits the counters, F6 jumps to an
// item; neither changes anything but what it says.

#include <gtest/gtest.h>

#include <string>

#include "graphics/TestBitmaps.h"
#include "midi/SmfWriter.h"
#include "platform/TextEncoding.h"
#include "run/RunFixture.h"

namespace tavri::test {
namespace {

using platform::Cp932;

const char* const kNovel = R"(
[header]
NovelTitle = "Debug"
StartItemName = "start"
TextSpeed = 10
DefaultTransitionName = "NONE"

[counter "a very long counter name that does not fit its column at all"]
Value = 70000
Minimum = -5
Maximum = 100000

[counter "small"]
Value = 3
Minimum = 0
Maximum = 10

[item "start"]
LinkKind = auto
Link = "" -> "twin"
Text:
| .GraphLoad "bg.bmp"
| .MidiPlay "tune.mid"
| one@
| two@

[item "twin"]
LinkKind = auto
Link = "" -> "end"
Text:
| first twin@

[item "end"]
LinkKind = ending
Text:
| the end@

[item "twin"]
LinkKind = ending
Text:
| second twin@
)";

const char* const kNoCounters = R"(
[header]
NovelTitle = "Plain"
StartItemName = "start"
DefaultTransitionName = "NONE"

[item "start"]
LinkKind = ending
Text:
| one@
)";

std::map<std::string, std::vector<uint8_t>> Files() {
    return {
        {"bg.bmp", Bmp(640, 480, RGB(0, 90, 0), RGB(0, 90, 0))},
        {"tune.mid", WriteSmf(0, 480, {TSmfTrack().NoteOn(0, 0, 60, 100).NoteOff(96000, 0, 60)})}};
}

struct DebugFixture {
    explicit DebugFixture(const char* novel = kNovel) : f(novel, Files(), {"/DEBUG"}) {
        f.StartReading();
        EXPECT_TRUE(f.RunUntil(
            [&] { return f.state->RunMode == RmClickWait && !f.main->IsTransitionActive(); }));
        CancelStrandedModals(f, 30000, alive);
    }
    ~DebugFixture() { *alive = false; }
    // Runs `step` once `form` is the modal form, then the key that opens it.
    void OpenWith(int key, const ui::TForm& form, std::function<void()> step) {
        bool opened = false;
        When(
            f, [this, &form] { return f.app->Host().ModalForm() == &form; },
            [&opened, step = std::move(step)] {
                opened = true;
                step();
            });
        f.Key(key);
        f.RunFor(100);
        EXPECT_TRUE(opened) << "the key did not open " << form.Caption;
    }
    void ClickOn(const ui::TControl& control, int x, int y) {
        int ox = 0, oy = 0;
        control.FormOrigin(ox, oy);
        f.Click(control.Form().Left + ox + x, control.Form().Top + oy + y);
    }
    int32_t Counter(int i) { return f.state->Counters().Entries[size_t(i)].Value; }

    RunFixture f;
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
};

TEST(DebugForms, TheyExistOnlyInDebugMode) {
    RunFixture plain(kNovel, Files());
    EXPECT_EQ(plain.windows->CounterEditor(), nullptr);
    EXPECT_EQ(plain.windows->JumpForm(), nullptr);
    DebugFixture d;
    ASSERT_NE(d.f.windows->CounterEditor(), nullptr);
    EXPECT_EQ(d.f.windows->CounterEditor()->Caption, Cp932("デバッグモード: カウンタ操作"));
    EXPECT_EQ(d.f.windows->CounterEditor()->DialogClientWidth(), 337);
    EXPECT_EQ(d.f.windows->CounterEditor()->DialogClientHeight(), 330);
    EXPECT_EQ(d.f.windows->JumpForm()->Caption, Cp932("デバッグモード: アイテムジャンプ"));
    EXPECT_EQ(d.f.windows->JumpForm()->DialogClientWidth(), 248);
    EXPECT_EQ(d.f.windows->JumpForm()->DialogClientHeight(), 377);
    EXPECT_EQ(d.f.windows->CreationOrder().back(), "TDebugJumpForm");
}

TEST(DebugForms, F5DoesNothingWithoutCounters) {
    DebugFixture d(kNoCounters);
    d.f.Key(platform::VkF5);
    d.f.RunFor(200);
    EXPECT_EQ(d.f.app->Host().ModalForm(), nullptr);
    EXPECT_FALSE(d.f.windows->CounterEditor()->Visible());
}

TEST(DebugForms, TheCounterRowsShowFullValuesAndClipLongNames) {
    const TCounterRowTexts texts = CounterRowTexts(TNovelCounter{"n", 70000, -5, 100000, 0});
    EXPECT_EQ(texts.Value, "70000");
    EXPECT_EQ(texts.Range, "-5" + Cp932("～") + "100000");

    DebugFixture d;
    TDebugCounterForm& form = *d.f.windows->CounterEditor();
    d.OpenWith(platform::VkF5, form, [&] {
        EXPECT_EQ(form.List.Count(), 2);
        EXPECT_EQ(form.List.ItemIndex(), 0);
        EXPECT_EQ(form.ValueEdit.Text(), "70000");  // 32 bits, not cut to 16
        // The long name stops at its column: nothing is written between its end and the value.
        const TImage& surface = form.Surface();
        int ox = 0, oy = 0;
        form.List.FormOrigin(ox, oy);
        const int valueLeft = 180 + 50 - 4 -
                              TextExtent(
                                  [&] {
                                      TFont bold = form.List.Font;
                                      bold.Bold = true;
                                      return bold;
                                  }(),
                                  "70000")
                                  .Width;
        int inked = 0;
        for (int y = 2; y < 16; ++y) {
            for (int x = 180 + 1; x < valueLeft - 1; ++x) {
                inked += surface.Pixel(ox + x, oy + y) != ui::TListBox::kSelection;
            }
        }
        EXPECT_EQ(inked, 0);
        form.ModalResult = ui::mrOk;
    });
    EXPECT_FALSE(form.Visible());
}

TEST(DebugForms, ChangeAppliesTheValueHeldToTheCountersRange) {
    struct Case {
        const char* typed;
        int32_t applied;
    } cases[] = {{"8", 8}, {"-3", 0}, {"11", 10}, {"x", 3}};
    for (const Case& c : cases) {
        DebugFixture d;
        TDebugCounterForm& form = *d.f.windows->CounterEditor();
        d.OpenWith(platform::VkF5, form, [&] {
            d.ClickOn(form.List, 40, 18 + 9);  // the second counter
            When(
                d.f, [&] { return form.List.ItemIndex() == 1; },
                [&] {
                    EXPECT_EQ(form.ValueUpDown.Min(), 0);
                    EXPECT_EQ(form.ValueUpDown.Max(), 10);
                    form.ValueEdit.SetText(c.typed);
                    d.ClickOn(form.Button1, 30, 10);
                    When(
                        d.f, [&] { return d.Counter(1) != 3 || std::string(c.typed) == "x"; },
                        [&] {
                            d.f.Key(platform::VkReturn);  // "閉じる", the default button
                        });
                });
        });
        d.f.RunFor(300);
        EXPECT_FALSE(form.Visible()) << c.typed;
        EXPECT_EQ(d.Counter(1), c.applied) << c.typed;
        EXPECT_EQ(d.Counter(0), 70000) << c.typed;  // the other counter stays
        EXPECT_TRUE(d.f.main->IsTimerRunning());
    }
}

TEST(DebugForms, F6ListsTheItemsSortedWithTheCurrentOneSelected) {
    DebugFixture d;
    TDebugJumpForm& form = *d.f.windows->JumpForm();
    d.OpenWith(platform::VkF6, form, [&] {
        EXPECT_EQ(form.List.Items(), (std::vector<std::string>{"end", "start", "twin", "twin"}));
        EXPECT_EQ(form.List.ItemIndex(), 1);
        EXPECT_FALSE(d.f.main->IsTimerRunning());
        form.ModalResult = ui::mrCancel;
    });
    EXPECT_TRUE(d.f.main->IsTimerRunning());

    // Without a current item no row is chosen, and "ジャンプ" only closes.
    d.f.state->CurrentItem = -1;
    d.OpenWith(platform::VkF6, form, [&] {
        EXPECT_EQ(form.List.ItemIndex(), -1);
        d.f.Key(platform::VkReturn);
    });
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(d.f.state->CurrentItem, -1);
}

// Either row of a name shared by two items jumps to the later item; reading resumes at its first
// line with the picture, the music and the counters as they were.
TEST(DebugForms, AJumpResumesAtTheStartOfTheLastItemOfThatName) {
    for (const int row : {2, 3}) {
        DebugFixture d;
        TDebugJumpForm& form = *d.f.windows->JumpForm();
        const std::string midi = d.f.state->CurrentMidiName;
        const int32_t page = d.f.state->PageNumber;
        d.f.state->Counters().Entries[1].Value = 9;
        d.OpenWith(platform::VkF6, form, [&] {
            d.ClickOn(form.List, 40, 18 * row + 9);
            When(
                d.f, [&] { return form.List.ItemIndex() == row; },
                [&] { d.ClickOn(form.List, 40, 18 * row + 9); }, 1000);  // the double click
        });
        d.f.RunFor(300);
        EXPECT_FALSE(form.Visible());
        EXPECT_EQ(d.f.state->CurrentItem, 3) << row;  // the second "twin"
        EXPECT_EQ(d.f.state->PageNumber, page + 1);
        EXPECT_EQ(d.f.state->CurrentMidiName, midi);
        EXPECT_EQ(d.Counter(1), 9);
        EXPECT_EQ(d.f.state->ScreenImage.Pixel(600, 400), RGB(0, 90, 0));
        ASSERT_TRUE(d.f.RunUntil([&] { return d.f.state->RunMode == RmClickWait; }, 5000));
        EXPECT_EQ(d.f.state->TextCursor.Line, 0);  // waiting after its first line
    }
}

}  // namespace
}  // namespace tavri::test
