// The bookmark screen and its popup on the headless display, driven by clicks as a reader gives
// them: placing, opening and removing bookmarks, paging, the confirmations, and the file they
// leave behind.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "bookmark/BookmarkData.h"
#include "graphics/TestBitmaps.h"
#include "midi/SmfWriter.h"
#include "platform/FileSystem.h"
#include "platform/TextEncoding.h"
#include "run/RunFixture.h"
#include "soundengine/SoundFixtures.h"

namespace tavri::test {
namespace {

using platform::Cp932;

// No BookmarkMode line: the header's default, 2, the bookmark book at the title and the end.
const char* const kNovel = R"(
[header]
NovelTitle = "Book"
StartItemName = "start"
TextSpeed = 10
DefaultTransitionName = "NONE"

[counter "kept"]
Value = 1
Maximum = 100
Persistent = 1

[counter "plain"]
Value = 2
Maximum = 100

[item "start"]
LinkKind = auto
Link = "" -> "end"
Text:
| .CounterSet "kept" 50
| .CounterSet "plain" 60
| .MidiPlay "my tune, one.mid"
| .BGMPlay "night air.wav"
| .GraphLoad "bg.bmp"
| .CharSet "girl" "girl.bmp" BOTTOM CENTER
| one@
| two@
| .CounterSet "plain" 70
| three@

[item "end"]
LinkKind = ending
Text:
| the end@
)";

std::vector<uint8_t> Bytes(const std::string& s) {
    return std::vector<uint8_t>(s.begin(), s.end());
}

std::map<std::string, std::vector<uint8_t>> Files() {
    return {
        {"bg.bmp", Bmp(640, 480, RGB(0, 0, 200), RGB(0, 0, 200))},
        {"girl.bmp", Bmp(40, 80, RGB(200, 0, 0), RGB(255, 255, 255))},
        {"my tune, one.mid",
         WriteSmf(0, 480, {TSmfTrack().NoteOn(0, 0, 60, 100).NoteOff(96000, 0, 60)})},
        {"night air.wav",
         Bytes(soundtest::Wav(1, 22050, 16, soundtest::Sine16(1, 22050, 440, 0.2, 22050)))},
    };
}

int32_t CounterValue(RunFixture& f, const char* name) {
    const CNovelCounters& counters = f.state->Counters();
    return counters.Entries[size_t(counters.IndexOf(name))].Value;
}

// Clicks through the click waits until `done` holds.
void ReadUntil(RunFixture& f, const std::function<bool()>& done) {
    for (int i = 0; i < 50 && !done(); ++i) {
        ASSERT_TRUE(f.RunUntil([&] {
            return done() || (f.state->RunMode == RmClickWait && !f.main->IsTransitionActive());
        }));
        if (done()) {
            return;
        }
        f.Click(320, 240);
        ASSERT_TRUE(f.RunUntil([&] { return f.state->RunMode != RmClickWait; }));
    }
    ASSERT_TRUE(done());
}

const CNovelItem& CurrentItem(RunFixture& f) {
    const CNovelItem* item = f.state->Items().ItemOrNull(f.state->CurrentItem);
    EXPECT_NE(item, nullptr);
    static const CNovelItem none;
    return item != nullptr ? *item : none;
}

// Waiting for a click after the line `text`.
bool AtClickWait(RunFixture& f, const char* text) {
    if (f.state->RunMode != RmClickWait || f.main->IsTransitionActive()) {
        return false;
    }
    const CNovelItem& item = CurrentItem(f);
    const int32_t line = f.state->TextCursor.Line;
    return line >= 0 && size_t(line) < item.Lines.size() && item.Lines[size_t(line)] == text;
}

// The reader's clicks on the screen's slot, the popup's item and the dialog's OK, scheduled
// before whatever opens the screen.
void ChooseInPopup(RunFixture& f, int slot, TScreenPoint (*item)(TScreenPoint)) {
    const TScreenPoint at = BookmarkSlot(slot);
    ClickWhenModal(f, f.windows->Bookmarks(), at.X, at.Y);
    const TScreenPoint choice = item(at);
    ClickWhenModal(f, f.windows->BookmarkMenu(), choice.X, choice.Y);
    ClickWhenModal(f, *f.yesNo, kYesNoOkButton.X, kYesNoOkButton.Y);
}

TBookmarkList FileOnDisk(RunFixture& f) {
    TBookmarkList list;
    const auto bytes = platform::ReadWholeFile(f.session.BookmarkPath);
    EXPECT_TRUE(bytes.has_value());
    platform::TMemoryStream stream(bytes.value_or(std::vector<uint8_t>{}));
    list.LoadFromStream(stream);
    return list;
}

TEST(BookmarkScreen, AClearedNovelIsMarkedAtItsEndAndTheNextReadingKeepsItsPersistentCounters) {
    RunFixture f(kNovel, Files());
    f.StartReading();  // the book at the title was empty: "はじめから読む" was chosen
    EXPECT_FALSE(platform::FileExists(f.session.BookmarkPath));

    // At the end the book opens to place a bookmark; the reader places one in the first slot.
    ChooseInPopup(f, 0, PopupPlace);
    ReadUntil(f, [&] { return f.state->RunMode == RmTitle; });
    EXPECT_EQ(f.windows->Bookmarks().Caption, Cp932("しおりに記録"));
    EXPECT_TRUE(f.windows->Bookmarks().MarkMode());
    TBookmarkList onDisk = FileOnDisk(f);
    ASSERT_EQ(onDisk.Count(), 1);
    EXPECT_EQ(onDisk[0].PageNumber, -1);
    EXPECT_EQ(onDisk[0].EntryTitle, Cp932("1回目 クリア"));
    EXPECT_EQ(onDisk[0].ItemName, "end");

    // At the title the book opens to read from a bookmark: the cleared one starts reading two.
    ASSERT_TRUE(f.RunUntil([&] { return f.main->AcceptsTitleClick(); }));
    ChooseInPopup(f, 0, PopupOpen);
    f.Click(320, 300);
    ASSERT_TRUE(f.RunUntil([&] { return f.state->RunMode != RmTitle; }));
    EXPECT_EQ(f.windows->Bookmarks().Caption, Cp932("しおりから読む"));
    EXPECT_EQ(f.state->ReadingCount, 2);
    EXPECT_EQ(f.state->PageNumber, 0);
    EXPECT_EQ(CounterValue(f, "kept"), 50);
    EXPECT_EQ(CounterValue(f, "plain"), 2);
    EXPECT_TRUE(f.messages.records.empty());
}

TEST(BookmarkScreen, ABookmarkPlacedMidReadingBringsThePageBackAfterARestart) {
    RunFixture f(kNovel, Files());
    f.StartReading();
    ReadUntil(f, [&] { return AtClickWait(f, "two@"); });
    const TTextCursor pageStart = f.state->PageSnapshot.SnapshotCursor;
    const int32_t page = f.state->PageNumber;

    // The screen's operation as the system menu opens it.
    ChooseInPopup(f, 0, PopupPlace);
    f.windows->Bookmarks().ShowScreen(Cp932("しおりをはさむ"), true);
    ASSERT_EQ(FileOnDisk(f).Count(), 1);
    EXPECT_EQ(FileOnDisk(f)[0].EntryTitle,
              Cp932("1回目 ") + std::to_string(page) + Cp932("ページ"));

    f.Restart();
    ASSERT_EQ(f.windows->Bookmarks().Bookmarks().Count(), 1);
    ASSERT_TRUE(f.RunUntil([&] { return f.main->AcceptsTitleClick(); }));
    ChooseInPopup(f, 0, PopupOpen);
    f.Click(320, 300);
    ASSERT_TRUE(f.RunUntil([&] { return f.state->RunMode != RmTitle; }));
    EXPECT_EQ(CurrentItem(f).Name, "start");
    EXPECT_EQ(f.state->TextCursor, pageStart);
    EXPECT_EQ(f.state->PageNumber, page);
    EXPECT_EQ(CounterValue(f, "kept"), 50);
    EXPECT_EQ(CounterValue(f, "plain"), 60);
    EXPECT_EQ(f.state->SpriteLayer.IndexOf("girl"), 0);
    EXPECT_EQ(f.state->CurrentMidiName, "my tune, one.mid");  // quoted: the comma stayed
    EXPECT_EQ(f.state->CurrentBgmName, "night air.wav");      // and so did the space
    EXPECT_EQ(f.state->ScreenImage.Pixel(10, 10), RGB(0, 0, 200));
    EXPECT_EQ(f.state->ScreenImage.Pixel(320, 470), RGB(200, 0, 0));
    for (const auto& m : f.messages.records) {
        ADD_FAILURE() << platform::Cp932ToUtf8(m.caption) << ": " << platform::Cp932ToUtf8(m.text);
    }
}

}  // namespace
}  // namespace tavri::test
