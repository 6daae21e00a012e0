// The bookmark screen as a reader uses it, one behaviour at a time: paging through many
// bookmarks, the empty book, removing, changing one's mind in the dialog, a disk that refuses the
// file, a bookmark whose scene is gone, closing the book, and the popup at the picture's edge.

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bookmark/BookmarkData.h"
#include "platform/Display.h"
#include "platform/FileSystem.h"
#include "platform/TextEncoding.h"
#include "run/BookmarkPosition.h"
#include "run/RunFixture.h"

namespace tavri::test {
namespace {

using platform::Cp932;

const char* const kNovel = R"(
[header]
NovelTitle = "Book"
StartItemName = "start"
TextSpeed = 10
DefaultTransitionName = "NONE"

[counter "score"]
Value = 5
Maximum = 100

[item "start"]
LinkKind = auto
Link = "" -> "end"
Text:
| one@
| two@

[item "end"]
LinkKind = ending
Text:
| the end@
)";

// A reading waiting at its first click, with `count` bookmarks of the current page in the book,
// told apart by their titles ("mark 1", "mark 2", ...).
struct BookFixture {
    explicit BookFixture(int count) {
        f.StartReading();
        EXPECT_TRUE(f.RunUntil([&] { return f.state->RunMode == RmClickWait; }));
        for (int i = 0; i < count; ++i) {
            TBookmarkData* record = screen().Bookmarks().Add();
            FillBookmark(*record, f.main->TakeReadingPosition(), platform::TLocalTime{});
            record->EntryTitle = "mark " + std::to_string(i + 1);
        }
    }
    ~BookFixture() { platform::testing::FailReplaceAt(std::nullopt, 0); }

    TBookmarkForm& screen() { return f.windows->Bookmarks(); }
    ui::TForm* modal() { return f.app->Host().ModalForm(); }
    std::vector<std::string> Titles() {
        std::vector<std::string> titles;
        for (int32_t i = 0; i < screen().Bookmarks().Count(); ++i) {
            titles.push_back(screen().Bookmarks()[i].EntryTitle);
        }
        return titles;
    }
    std::vector<std::string> TitlesOnDisk() {
        std::vector<std::string> titles;
        const auto bytes = platform::ReadWholeFile(f.session.BookmarkPath);
        if (!bytes) {
            return titles;
        }
        platform::TMemoryStream stream(*bytes);
        TBookmarkList list;
        EXPECT_EQ(list.LoadFromStream(stream), TBookmarkLoad::Whole);
        for (int32_t i = 0; i < list.Count(); ++i) {
            titles.push_back(list[i].EntryTitle);
        }
        return titles;
    }

    // The steps run one after the other inside the screen's modal loop. A step waits for its
    // `ready` (by default: the screen on top with no page turning) before it runs.
    void Step(std::function<void()> action, std::function<bool()> ready = {}) {
        if (!ready) {
            ready = [this] { return modal() == &screen() && !screen().Timer.Enabled(); };
        }
        steps.push_back({std::move(ready), std::move(action)});
    }
    void Click(TScreenPoint at, platform::MouseButton button = platform::MouseButton::Left) {
        ClickAt(f, at.X, at.Y, button);
    }
    // A click on the screen once `form` is on top.
    void ClickOn(const ui::TForm& form, TScreenPoint at) {
        Step([this, at] { Click(at); }, [this, &form] { return modal() == &form; });
    }
    // Shows the screen and runs the steps; the last one must end the screen. A script that
    // stalls fails the test and has its forms cancelled rather than hanging.
    void Show(const char* utf8Caption, bool markMode) {
        auto alive = std::make_shared<bool>(true);
        Next(0, alive);
        When(
            f, [this] { return f.clock.Now() >= deadline_; },
            [this, alive] {
                ADD_FAILURE() << "the script stalled at step " << done_ << " of " << steps.size();
                CancelAll(alive);
            },
            kStall + 1000, alive);
        deadline_ = f.clock.Now() + kStall;
        screen().ShowScreen(Cp932(utf8Caption), markMode);
        *alive = false;
        EXPECT_EQ(done_, steps.size()) << "the screen closed before the script ended";
        steps.clear();
        done_ = 0;
    }

    RunFixture f{kNovel};
    struct TStep {
        std::function<bool()> ready;
        std::function<void()> action;
    };
    std::vector<TStep> steps;

  private:
    static constexpr uint32_t kStall = 60000;
    void Next(size_t i, std::shared_ptr<bool> alive) {
        if (i >= steps.size()) {
            return;
        }
        When(
            f, steps[i].ready,
            [this, i, alive] {
                done_ = i + 1;
                steps[i].action();
                Next(i + 1, alive);
            },
            kStall, alive);
    }
    void CancelAll(std::shared_ptr<bool> alive) {
        if (ui::TForm* form = modal()) {
            form->ModalResult = ui::mrCancel;
            When(
                f, [] { return true; }, [this, alive] { CancelAll(alive); }, 1000, alive);
        }
    }
    uint32_t deadline_ = 0;
    size_t done_ = 0;
};

// Right-arrow presses until the row stops moving, then left-arrow presses back to the start. With
// fifty bookmarks the row's last slot takes no 51st, and a right click chooses nothing.
TEST(BookmarkForm, TheArrowsPageAsFarAsTheModeAllows) {
    struct Case {
        int count;
        bool markMode;
        int lastFirstSlot;  // the first slot shown once the row can go no further
    } cases[] = {{10, true, 8}, {10, false, 7}, {50, true, 47}, {2, false, 0}, {3, true, 1}};
    for (const Case& c : cases) {
        BookFixture b(c.count);
        std::vector<int32_t> firstSlots;
        for (int press = 0; press < c.lastFirstSlot + 2; ++press) {
            b.Step([&] {
                b.Click(kRightArrow);
                firstSlots.push_back(b.screen().FirstSlot());
            });
        }
        b.Step([&] { firstSlots.push_back(b.screen().FirstSlot()); });
        if (c.count == kMaxBookmarks) {
            const auto stillHere = [&b](const char* what) {
                b.Step([&b, what] { EXPECT_EQ(b.modal(), &b.screen()) << what; });
            };
            b.Step([&b] { b.Click({106 + 3 * 140 + 6, 217}); });  // the 13 pixels of slot 3
            stillHere("a click on slot 3");
            b.Step([&b] { b.Click(BookmarkSlot(1), platform::MouseButton::Right); });
            stillHere("a right click");
        } else {
            for (int press = 0; press < c.lastFirstSlot + 1; ++press) {
                b.Step([&] { b.Click(kLeftArrow); });
            }
            b.Step([&] { EXPECT_EQ(b.screen().FirstSlot(), 0) << c.count; });
        }
        b.Step([&] { b.Click(kScreenCancelButton); });
        b.Show("しおり", c.markMode);
        ASSERT_FALSE(firstSlots.empty());
        EXPECT_EQ(firstSlots.back(), c.lastFirstSlot) << c.count << " mark " << c.markMode;
        for (size_t i = 1; i < firstSlots.size(); ++i) {
            EXPECT_EQ(firstSlots[i], std::min<int32_t>(int32_t(i), c.lastFirstSlot)) << i;
        }
        EXPECT_EQ(b.screen().Bookmarks().Count(), c.count);
        EXPECT_FALSE(platform::FileExists(b.f.session.BookmarkPath));
    }
}

// A page turn slides the row 28 pixels a step for five steps of 55 ms; a second press while it
// slides adds a step, so the turn ends sooner, and still moves by one bookmark.
TEST(BookmarkForm, APageTurnSlidesAndASecondPressShortensIt) {
    for (const bool secondPress : {false, true}) {
        BookFixture b(6);
        std::vector<int32_t> scroll;
        uint32_t started = 0, ended = 0;
        b.Step([&] {
            started = b.f.clock.Now();
            b.Click(kRightArrow);
        });
        // Watch every step of the slide.
        std::function<void()> watch = [&] {
            scroll.push_back(b.screen().ScrollStep());
            if (secondPress && scroll.size() == 2) {
                b.Click(kRightArrow);
            }
            if (b.screen().Timer.Enabled()) {
                When(
                    b.f, [] { return true; }, [&] { watch(); }, 1000);
            } else {
                ended = b.f.clock.Now();
            }
        };
        b.Step([&] { watch(); }, [&] { return b.screen().Timer.Enabled(); });
        b.Step([&] { b.Click(kScreenCancelButton); },
               [&] { return ended != 0 && b.modal() == &b.screen(); });
        b.Show("しおり", false);

        EXPECT_EQ(b.screen().FirstSlot(), 1);
        ASSERT_FALSE(scroll.empty());
        EXPECT_EQ(scroll.back(), 0);
        for (int32_t s : scroll) {
            EXPECT_LE(s, 0);
            EXPECT_GE(s, -TBookmarkForm::kScrollSteps);
        }
        // Five ticks, or four when the second press skipped one (the watch looks every 10 ms).
        const uint32_t took = ended - started;
        const uint32_t ticks = secondPress ? 4 : 5;
        EXPECT_GE(took, ticks * TBookmarkForm::kPageTurnInterval) << took;
        EXPECT_LE(took, ticks * TBookmarkForm::kPageTurnInterval + 20) << took;
    }
}

// Pixels of the row's page image in the columns [x0, x1) that are not the paper's white.
int Inked(const TImage& page, int x0, int x1) {
    int inked = 0;
    for (int y = 0; y < page.Height(); ++y) {
        for (int x = x0; x < x1 && x < page.Width(); ++x) {
            inked += page.Pixel(x, y) != RGB(255, 255, 255);
        }
    }
    return inked;
}

// The slots and arrows of an empty book: in open mode it says so and nothing can be chosen; in
// mark mode the first slot is a new bookmark and only it can be chosen.
TEST(BookmarkForm, AnEmptyBookOffersOnlyWhatExists) {
    for (const bool markMode : {false, true}) {
        BookFixture b(0);
        int inkedNew = 0, inkedRest = 0, inkedMiddle = 0;
        const auto nothingHappened = [&](const char* what) {
            b.Step([&b, what, markMode] {
                EXPECT_EQ(b.screen().FirstSlot(), 0) << what << " mark " << markMode;
                EXPECT_EQ(b.screen().ScrollStep(), 0) << what;
            });
        };
        b.Step([&] {
            inkedNew = Inked(b.screen().PageImage(), 0, 140);
            inkedRest = Inked(b.screen().PageImage(), 160, 433);  // the paper is 154 wide
            inkedMiddle = Inked(b.screen().PageImage(), 100, 333);
        });
        for (const TScreenPoint at : {BookmarkSlot(1), BookmarkSlot(2), kLeftArrow, kRightArrow}) {
            b.Step([&b, at] { b.Click(at); });
            nothingHappened("a click");
        }
        if (!markMode) {
            b.Step([&b] { b.Click(BookmarkSlot(0)); });
            nothingHappened("a click on the first slot");
        } else {
            b.Step([&b] { b.Click(BookmarkSlot(0)); });
            b.Step(
                [&b] {
                    EXPECT_EQ(b.f.windows->BookmarkMenu().CaptionLabel.Caption, Cp932(" しおり 1"));
                    EXPECT_TRUE(b.f.windows->BookmarkMenu().HotImage1.Visible);
                    EXPECT_FALSE(b.f.windows->BookmarkMenu().HotImage3.Visible);
                    b.f.Key(platform::VkEscape);
                },
                [&b] { return b.modal() == &b.f.windows->BookmarkMenu(); });
        }
        b.Step([&b] { b.Click(kScreenCancelButton); });
        b.Show("しおり", markMode);

        if (markMode) {
            EXPECT_GT(inkedNew, 1000);  // the paper bookmark, its number and "新しいしおり"
            EXPECT_EQ(inkedRest, 0);
        } else {
            EXPECT_GT(inkedMiddle, 200);  // "しおりがありません"
            EXPECT_EQ(Inked(b.screen().PageImage(), 0, 20), 0);
        }
        EXPECT_EQ(b.screen().Bookmarks().Count(), 0);
        EXPECT_FALSE(platform::FileExists(b.f.session.BookmarkPath));
    }
}

// The pointer over a bookmark highlights it; off the row nothing is highlighted.
TEST(BookmarkForm, ThePointerHighlightsTheBookmarkUnderIt) {
    BookFixture b(3);
    const auto move = [&b](int x, int y) {
        platform::TInputEvent event;
        event.kind = platform::TInputEvent::Kind::MouseMove;
        event.x = x;
        event.y = y;
        b.f.display.Schedule(b.f.clock.Now(), event);
    };
    int plain = 0, highlighted = 0;
    b.Step([&] { move(BookmarkSlot(0).X, BookmarkSlot(0).Y); });
    b.Step([&] {
        EXPECT_EQ(b.screen().HoverSlot(), 0);
        plain = Inked(b.screen().PageImage(), 290, 420);
        move(BookmarkSlot(2).X, BookmarkSlot(2).Y);
    });
    b.Step([&] {
        EXPECT_EQ(b.screen().HoverSlot(), 2);
        highlighted = Inked(b.screen().PageImage(), 290, 420);
        move(320, 440);  // the cancel bar, off the row
    });
    b.Step([&] {
        EXPECT_EQ(b.screen().HoverSlot(), TBookmarkForm::kLeftRow);
        b.Click(kScreenCancelButton);
    });
    b.Show("しおり", false);
    EXPECT_NE(plain, highlighted);
}

// Placing over a bookmark replaces it, placing on the new slot adds one; either closes the
// screen and rewrites the file.
TEST(BookmarkForm, PlacingReplacesOrAddsAndWritesTheFile) {
    for (const int slot : {1, 2}) {
        BookFixture b(2);
        b.ClickOn(b.screen(), BookmarkSlot(slot));
        b.ClickOn(b.f.windows->BookmarkMenu(), PopupPlace(BookmarkSlot(slot)));
        b.Step(
            [&b, slot] {
                EXPECT_EQ(b.f.yesNo->MessageLabel.Caption,
                          Cp932("しおり") + std::to_string(slot + 1) +
                              Cp932(" をこのページにはさみます。"));
                b.Click(kYesNoOkButton);
            },
            [&b] { return b.modal() == b.f.yesNo; });
        b.Show("しおりをはさむ", true);
        const std::string placed = Cp932("1回目 0ページ");
        const std::vector<std::string> expected =
            slot == 1 ? std::vector<std::string>{"mark 1", placed}
                      : std::vector<std::string>{"mark 1", "mark 2", placed};
        EXPECT_EQ(b.Titles(), expected) << slot;
        EXPECT_EQ(b.TitlesOnDisk(), expected) << slot;
    }
}

// A removal is confirmed, rewrites the file and leaves the screen open on the rest.
TEST(BookmarkForm, RemovingABookmarkKeepsTheScreenOpen) {
    for (const bool markMode : {false, true}) {
        BookFixture b(3);
        b.ClickOn(b.screen(), BookmarkSlot(1));
        b.ClickOn(b.f.windows->BookmarkMenu(), PopupRemove(BookmarkSlot(1)));
        b.ClickOn(*b.f.yesNo, kYesNoOkButton);
        b.Step([&b] {
            EXPECT_EQ(b.Titles(), (std::vector<std::string>{"mark 1", "mark 3"}));
            b.Click(kScreenCancelButton);
        });
        b.Show("しおり", markMode);
        EXPECT_EQ(b.TitlesOnDisk(), (std::vector<std::string>{"mark 1", "mark 3"}));
        EXPECT_EQ(b.f.state->PageNumber, 0);
    }
}

// "キャンセル" in any of the screen's confirmations changes nothing: the book, the file, the
// reading and the program stay as they were, and the screen comes back at its width.
TEST(BookmarkForm, DecliningAConfirmationChangesNothing) {
    struct Case {
        const char* name;
        bool markMode;
        TScreenPoint first;
        TScreenPoint (*popupItem)(TScreenPoint);
        const char* caption;
    } cases[] = {
        {"place", true, BookmarkSlot(0), PopupPlace, "しおりをはさむ"},
        {"open", false, BookmarkSlot(0), PopupOpen, "しおりからひらく"},
        {"remove", false, BookmarkSlot(1), PopupRemove, "しおりをはずす"},
        {"start over", false, kStartOverButton, nullptr, "最初から読む"},
        {"close the book", true, kCloseBookButton, nullptr, "本を閉じる"},
    };
    for (const Case& c : cases) {
        BookFixture b(2);
        ASSERT_TRUE(b.f.RunUntil([&] { return b.f.state->TextCursor.Line == 0; }));
        const TTextCursor cursor = b.f.state->TextCursor;
        b.ClickOn(b.screen(), c.first);
        if (c.popupItem != nullptr) {
            b.ClickOn(b.f.windows->BookmarkMenu(), c.popupItem(c.first));
        }
        b.Step(
            [&b, &c] {
                EXPECT_EQ(b.f.yesNo->Caption, Cp932(c.caption)) << c.name;
                EXPECT_EQ(b.screen().ClientWidth, 0) << c.name;
                b.Click(kYesNoCancelButton);
            },
            [&b] { return b.modal() == b.f.yesNo; });
        b.Step([&b, &c] {
            EXPECT_EQ(b.screen().ClientWidth, 549) << c.name;
            b.Click(kScreenCancelButton);
        });
        b.Show("しおり", c.markMode);
        EXPECT_EQ(b.Titles(), (std::vector<std::string>{"mark 1", "mark 2"})) << c.name;
        EXPECT_FALSE(platform::FileExists(b.f.session.BookmarkPath)) << c.name;
        EXPECT_EQ(b.f.state->TextCursor, cursor) << c.name;
        EXPECT_EQ(b.f.state->ReadingCount, 1) << c.name;
        EXPECT_FALSE(b.f.app->Terminated()) << c.name;
    }
}

// A disk that refuses the file: the reader is told, the bookmark stays in the book, and the next
// save that succeeds writes it too.
TEST(BookmarkForm, ASaveThatFailsIsToldAndWrittenByTheNextOne) {
    BookFixture b(0);
    platform::testing::FailReplaceAt(platform::testing::TReplaceStep::Rename, EROFS);
    const auto place = [&b](int slot) {
        b.ClickOn(b.screen(), BookmarkSlot(slot));
        b.ClickOn(b.f.windows->BookmarkMenu(), PopupPlace(BookmarkSlot(slot)));
        b.ClickOn(*b.f.yesNo, kYesNoOkButton);
    };
    place(0);
    b.Show("しおりをはさむ", true);
    ASSERT_EQ(b.f.messages.records.size(), 1u);
    EXPECT_EQ(b.f.messages.records[0].text,
              Cp932("しおりファイル ") +
                  platform::Utf8ToCp932(platform::NativeFileNameOf(b.f.session.BookmarkPath)) +
                  Cp932(" に書き込めません。"));
    EXPECT_EQ(b.f.messages.records[0].icon, platform::MsgIcon::Error);
    EXPECT_EQ(b.screen().Bookmarks().Count(), 1);
    EXPECT_FALSE(platform::FileExists(b.f.session.BookmarkPath));

    platform::testing::FailReplaceAt(std::nullopt, 0);
    place(1);
    b.Show("しおりをはさむ", true);
    EXPECT_EQ(b.TitlesOnDisk().size(), 2u);
    EXPECT_EQ(b.f.messages.records.size(), 1u);
}

// A novel in a folder that cannot be written keeps its bookmarks in the user's folder: the
// reader is told once where, and the next start finds them there.
TEST(BookmarkForm, ANovelThatCannotBeWrittenKeepsItsBookmarksInTheUsersFolder) {
    BookFixture b(0);
    b.screen().File().Writable = [](const std::string&) { return false; };
    const std::string moved = b.screen().File().MovedPath();
    ASSERT_FALSE(moved.empty());
    for (int slot : {0, 1}) {
        b.ClickOn(b.screen(), BookmarkSlot(slot));
        b.ClickOn(b.f.windows->BookmarkMenu(), PopupPlace(BookmarkSlot(slot)));
        b.ClickOn(*b.f.yesNo, kYesNoOkButton);
        b.Show("しおりをはさむ", true);
    }
    ASSERT_EQ(b.f.messages.records.size(), 1u);
    EXPECT_EQ(b.f.messages.records[0].text, b.screen().File().MovedMessage());
    EXPECT_EQ(b.f.messages.records[0].icon, platform::MsgIcon::Information);
    EXPECT_FALSE(platform::FileExists(b.f.session.BookmarkPath));
    EXPECT_TRUE(platform::FileExists(moved));

    b.f.Restart();
    EXPECT_EQ(b.screen().Bookmarks().Count(), 2);
    EXPECT_EQ(b.screen().File().CurrentPath(), moved);
}

// A bookmark of a scene the scenario no longer has is refused with a message; nothing changes
// and the screen stays open.
TEST(BookmarkForm, ABookmarkOfAMissingSceneIsRefused) {
    BookFixture b(1);
    b.screen().Bookmarks()[0].ItemName = "gone";
    ASSERT_TRUE(b.f.RunUntil([&] { return b.f.state->TextCursor.Line == 0; }));
    const TTextCursor cursor = b.f.state->TextCursor;
    b.ClickOn(b.screen(), BookmarkSlot(0));
    b.ClickOn(b.f.windows->BookmarkMenu(), PopupOpen(BookmarkSlot(0)));
    b.ClickOn(*b.f.yesNo, kYesNoOkButton);
    b.Step([&b] {
        ASSERT_EQ(b.f.messages.records.size(), 1u);
        EXPECT_EQ(b.f.messages.records[0].text, Cp932("このしおりの場面はシナリオにありません。"));
        EXPECT_EQ(b.f.messages.records[0].caption, Cp932("しおりからひらく"));
        b.Click(kScreenCancelButton);
    });
    b.Show("しおりから読む", false);
    EXPECT_EQ(b.f.state->TextCursor, cursor);
    EXPECT_EQ(b.f.state->Items().ItemOrNull(b.f.state->CurrentItem)->Name, "start");
}

// "本を閉じる" confirmed ends the program once the screen has gone.
TEST(BookmarkForm, ClosingTheBookEndsTheProgram) {
    BookFixture b(1);
    b.ClickOn(b.screen(), kCloseBookButton);
    b.ClickOn(*b.f.yesNo, kYesNoOkButton);
    b.Show("しおり", false);
    EXPECT_TRUE(b.f.app->Terminated());
    EXPECT_EQ(b.screen().Bookmarks().Count(), 1);
}

// The popup opens at the click, moved back onto the picture at its right and bottom edges;
// Escape and its cancel bar both give 63.
TEST(BookmarkForm, ThePopupStaysOnThePictureAndCancels) {
    BookFixture b(0);
    TBookmarkMenuForm& popup = b.f.windows->BookmarkMenu();
    struct Case {
        int left, top;
        bool escape;
    } cases[] = {{100, 120, true}, {630, 470, false}, {639, 10, true}, {10, 479, false}};
    for (const Case& c : cases) {
        int left = -1, top = -1;
        When(
            b.f, [&] { return b.modal() == &popup; },
            [&] {
                left = popup.Left;
                top = popup.Top;
                if (c.escape) {
                    b.f.Key(platform::VkEscape);
                } else {
                    b.Click(PopupCancel({popup.Left, popup.Top}));
                }
            });
        EXPECT_EQ(popup.ShowAt(c.left, c.top, 7), BcCancel);
        EXPECT_EQ(left, std::min(c.left, 640 - popup.ClientWidth)) << c.left;
        EXPECT_EQ(top, std::min(c.top, 480 - popup.ClientHeight)) << c.top;
    }
}

}  // namespace
}  // namespace tavri::test
