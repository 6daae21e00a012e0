// The bookmark file as a reader meets it: a full book of 50 bookmarks saved after a placing, the
// book read when the bookmark screen is made, and a bookmark opened back to its page.
//
// Saving (ours: TBookmarkFile::Save, the crash-safe replacement) runs beside the same list
// serialised and written with a plain write and rename, so the ratio is what the flushes cost
// on top of the serialising. Loading (ours: TBookmarkFile::Load) runs beside reading the bytes
// alone, so the ratio is the parse over the I/O. Restoring runs the novel headless on a virtual
// clock, from the reader's OK to the page typed and waiting for a click, beside a fresh start of
// the same novel to its first click wait.
//
// The files go to a fresh folder under $TAVRI_BENCH_DIR (default /tmp), so that a disk whose
// flushes cost something can be measured when /tmp is in memory:
//
//   TAVRI_BENCH_DIR=build/bench-tmp build/bin/tavri-bench --benchmark_filter=Bookmark

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "BenchFiles.h"
#include "ScenarioSource.h"
#include "Startup.h"
#include "bookmark/BookmarkData.h"
#include "bookmark/BookmarkFile.h"
#include "forms/NovelWindows.h"
#include "graphics/Image.h"
#include "graphics/PictureEncode.h"
#include "platform/Clock.h"
#include "platform/Display.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/Stream.h"
#include "platform/TextEncoding.h"
#include "run/BookmarkPosition.h"
#include "run/HeadlessReader.h"
#include "run/RunCommon.h"
#include "run/RunMain.h"

namespace tavri {
namespace {

using bench::TBenchFolder;
using bench::WriteAll;

using platform::Cp932;

// ----- A full book -----

// What a long novel's bookmark holds: every counter of the table in use, three characters on
// the stage, music on both tracks, and names as long as authors give them.
void FillRecord(TBookmarkData& record, int index) {
    const std::string chapter = std::to_string(index / 5 + 1);
    record.ItemName = Cp932("第" + chapter + "章　森の入り口、分かれ道の手前");
    record.SavedCursor = TSavedCursor{1 + 2 * (index % 9), 4 + index % 23};
    record.CounterTable.Count = kMaxCounters;
    for (int k = 0; k < kMaxCounters; ++k) {
        TNovelCounter& counter = record.CounterTable.Entries[size_t(k)];
        counter.Name = Cp932("好感度_" + std::to_string(k));
        counter.Value = (index * 31 + k * 7) % 101;
        counter.Minimum = 0;
        counter.Maximum = 100;
        counter.PersistentFlag = k % 8 == 0 ? 1 : 0;
    }
    record.BackgroundName = Cp932("背景\\森_" + std::to_string(index % 12) + ".jpg");
    record.MidiName = Cp932("音楽\\森のテーマ.mid");
    record.SoundName = Cp932("効果音\\足音.wav");
    const char* const names[] = {"さくら", "かえで", "先生"};
    const char* const files[] = {"立ち絵\\さくら_笑顔.png", "立ち絵\\かえで_驚き.png",
                                 "立ち絵\\先生_普通.png"};
    for (size_t slot = 0; slot < 3; ++slot) {
        record.Sprites.Names[slot] = Cp932(names[slot]);
        record.Sprites.FileNames[slot] = Cp932(files[slot]);
        record.Sprites.Positions[slot] = TSpritePosition{80 + int32_t(slot) * 200, 96};
    }
    record.ReservedNumber = 0;
    record.BgmName = Cp932("bgm\\夜風.ogg");
    const platform::TLocalTime placed{2024, 1 + index % 12, 1 + index % 28, 21, index % 60, 7, 0};
    record.SavedAt = BookmarkDateValue(placed);
    record.ReadingCount = 1 + index / 20;
    record.PageNumber = 12 + index * 3;
    record.EntryTitle = BookmarkEntryTitle(record.ReadingCount, record.PageNumber);
    record.EntryDate = BookmarkEntryDate(placed);
}

void FillFullBook(TBookmarkList& list) {
    list.Clear();
    while (TBookmarkData* record = list.Add()) {
        FillRecord(*record, list.Count() - 1);
    }
}

void ReportFile(benchmark::State& state, const std::string& path) {
    std::error_code error;
    const uintmax_t size = std::filesystem::file_size(path, error);
    if (!error) {
        state.counters["file_bytes"] = double(size);
        state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size));
    }
}

void BookmarkSaveOurs(benchmark::State& state) {
    TBookmarkList list;
    FillFullBook(list);
    TBenchFolder folder;
    if (folder.path().empty()) {
        state.SkipWithError("no folder for the bookmark file");
        return;
    }
    const std::string path = folder.path() + "novel.qkb";
    TBookmarkFile file(path);
    for (auto _ : state) {
        std::string error;
        if (!file.Save(list, &error)) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
    ReportFile(state, path);
}

// The serialising is the same as ours; only the way to the disk differs.
void BookmarkSavePlainWriteRename(benchmark::State& state) {
    TBookmarkList list;
    FillFullBook(list);
    TBenchFolder folder;
    if (folder.path().empty()) {
        state.SkipWithError("no folder for the bookmark file");
        return;
    }
    const std::string path = folder.path() + "novel.qkb", temporary = path + ".new";
    for (auto _ : state) {
        platform::TMemoryStream stream;
        list.SaveToStream(stream);
        const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const bool written = fd >= 0 && WriteAll(fd, stream.Bytes());
        if (fd < 0 || close(fd) != 0 || !written || rename(temporary.c_str(), path.c_str()) != 0) {
            state.SkipWithError("writing and renaming failed");
            break;
        }
    }
    ReportFile(state, path);
}

// A full book on disk, written the way the player writes it.
struct TBookOnDisk {
    TBenchFolder folder;
    std::string path;
    bool written = false;
    TBookOnDisk() {
        if (folder.path().empty()) {
            return;
        }
        path = folder.path() + "novel.qkb";
        TBookmarkList list;
        FillFullBook(list);
        written = TBookmarkFile(path).Save(list);
    }
};

void BookmarkLoadOurs(benchmark::State& state) {
    TBookOnDisk book;
    if (!book.written) {
        state.SkipWithError("the bookmark file could not be written");
        return;
    }
    for (auto _ : state) {
        // A new file object each time, as every start of the novel makes one.
        TBookmarkFile file(book.path);
        TBookmarkList list;
        file.Load(list);
        if (list.Count() != kMaxBookmarks) {
            state.SkipWithError("the bookmark file did not load whole");
            break;
        }
        benchmark::DoNotOptimize(list);
    }
    ReportFile(state, book.path);
}

void BookmarkLoadReadBytes(benchmark::State& state) {
    TBookOnDisk book;
    if (!book.written) {
        state.SkipWithError("the bookmark file could not be written");
        return;
    }
    for (auto _ : state) {
        std::optional<std::vector<uint8_t>> bytes = platform::ReadWholeFile(book.path);
        if (!bytes) {
            state.SkipWithError("the bookmark file could not be read");
            break;
        }
        benchmark::DoNotOptimize(bytes->data());
    }
    ReportFile(state, book.path);
}

// ----- Opening a bookmark -----

// Two pages of the same length, so that both sides type as much: the first sets the scene with
// commands, the second is where the bookmark is placed. No transitions, so that the comparison
// is of the work each way does rather than of a fade's frames.
const char* const kNovel = R"(
[header]
NovelTitle = "しおり"
StartItemName = "forest"
TextSpeed = 10
DefaultTransitionName = "NONE"
CharTransitionName = "NONE"

[counter "好感度"]
Maximum = 100
Persistent = 1

[counter "勇気"]
Maximum = 100

[counter "寄り道"]
Maximum = 100

[counter "日数"]
Maximum = 100

[item "forest"]
LinkKind = auto
Link = "" -> "forest"
Text:
| .GraphLoad "bg.bmp"
| .CharSet "girl" "girl.bmp" BOTTOM CENTER
| .CounterSet "好感度" 3
| .CounterSet "勇気" 1
| .CounterSet "日数" 1
| 森の入り口に着いた。道が二つに分かれている。
| 左は湖へ、右は古い山小屋へ続いているらしい。@
| .NEXTPAGE
| .CounterPlus "好感度" 1
| .CounterSet "寄り道" 2
| 湖のほとりに出た。水面に細い月が映っている。
| 少女は黙って、向こう岸の灯りを指さした。@
| .NEXTPAGE
| 続く。@
)";

TImage Gradient(int width, int height) {
    TImage image(width, height);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = image.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = uint8_t(120 + y / 4);
            row[3 * x + 1] = uint8_t(60 + x / 6);
            row[3 * x + 2] = uint8_t(30 + (x + y) / 10);
        }
    }
    return image;
}

// A figure on a white ground: a head and a body.
TImage Figure(int width, int height) {
    TImage image(width, height);
    const int radius = width / 4, headX = width / 2, headY = radius + 4;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int dx = x - headX, dy = y - headY;
            const bool head = dx * dx + dy * dy <= radius * radius;
            const bool body = y > headY + radius && x > width / 6 && x < width - width / 6;
            image.SetPixel(x, y, head || body ? RGB(200, 80, 90) : RGB(255, 255, 255));
        }
    }
    return image;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    return platform::WriteWholeFile(path, bytes);
}

// A novel read headless to its second page, where a bookmark is placed: the windows as the
// program body opens them, on the headless display and a virtual clock, the title answered by
// starting a new reading as the bookmark screen's start-over does.
class TReadingNovel {
  public:
    TReadingNovel() {
        if (folder_.path().empty()) {
            error_ = "no folder for the novel";
            return;
        }
        const std::string data = folder_.path() + "novel";
        std::error_code ignored;
        std::filesystem::create_directories(data, ignored);
        if (!WriteFile(data + "/bench.qke", tool::CompileSource(kNovel, "bench.src").ToBytes()) ||
            !WriteFile(data + "/bg.bmp", EncodeBmp24(Gradient(640, 480))) ||
            !WriteFile(data + "/girl.bmp", EncodeBmp24(Figure(160, 320)))) {
            error_ = "the novel's files could not be written";
            return;
        }
        const TStartupEnvironment env{
            {data + "/bench.qke"}, folder_.path() + "TavriNovelRun", data, clock_, messages_};
        if (StartNovel(env, session_) != 0) {
            error_ = "the novel did not start";
            return;
        }
        windows_ = std::make_unique<TNovelWindows>(session_, display_, clock_, messages_);
        answers_ = std::make_unique<THeadlessAnswers>(windows_->Main());
        windows_->ReplaceServices(answers_.get());
        windows_->Show();

        TMainForm& main = windows_->Main();
        if (!RunUntil([&] { return main.AcceptsTitleClick(); })) {
            error_ = "the title never took a click";
            return;
        }
        Click();
        if (!RunUntil([&] { return windows_->State().RunMode != RmTitle; }) ||
            !RunUntil([&] { return AtClickWait(); })) {
            error_ = "the first page was never typed";
            return;
        }
        Click();
        if (!RunUntil([&] { return windows_->State().RunMode != RmClickWait; }) ||
            !RunUntil([&] { return AtClickWait(); })) {
            error_ = "the second page was never typed";
            return;
        }
        TBookmarkForm& book = windows_->Bookmarks();
        book.TakeBookmark(0);
        if (book.Bookmarks().Count() != 1 || book.Bookmarks()[0].BackgroundName != "bg.bmp" ||
            book.Bookmarks()[0].Sprites.IndexOf("girl") != 0) {
            error_ = "the bookmark does not hold the page";
            return;
        }
        // What start-up reported (no sound engine beside the program) is not the pages' doing.
        messages_.records.clear();
    }
    ~TReadingNovel() {
        windows_.reset();
        answers_.reset();
    }
    TReadingNovel(const TReadingNovel&) = delete;
    TReadingNovel& operator=(const TReadingNovel&) = delete;

    // Empty once the novel waits for a click on the bookmarked page.
    const std::string& Error() const { return error_; }
    TNovelWindows& Windows() { return *windows_; }
    const platform::RecordingMessageBoxService& Messages() const { return messages_; }

    // The page is drawn: its text typed, no transition left.
    bool AtClickWait() {
        return windows_->State().RunMode == RmClickWait && !windows_->Main().IsTransitionActive();
    }
    // Loop turns until `done`, at most ten minutes of novel time.
    bool RunUntil(const std::function<bool()>& done) {
        ui::TApplication& app = windows_->Application();
        const uint32_t end = clock_.Now() + 600000;
        while (!done()) {
            if (app.Terminated() || int32_t(end - clock_.Now()) <= 0) {
                return false;
            }
            app.HandleMessage();
        }
        return true;
    }

  private:
    void Click() {
        platform::TInputEvent move;
        move.kind = platform::TInputEvent::Kind::MouseMove;
        move.x = 320;
        move.y = 300;
        display_.Schedule(clock_.Now(), move);
        display_.Click(320, 300, platform::MouseButton::Left);
    }

    TBenchFolder folder_;
    platform::VirtualClock clock_{100000};
    platform::HeadlessDisplay display_{clock_};
    platform::RecordingMessageBoxService messages_;
    TNovelSession session_;
    std::unique_ptr<TNovelWindows> windows_;
    std::unique_ptr<THeadlessAnswers> answers_;
    std::string error_;
};

// The page on the screen is the one expected: the background and the character standing, the
// counters as the page left them. Looked at after the timing, so the timing stays the reader's.
bool PageHolds(benchmark::State& state, TReadingNovel& novel, int32_t liking, int32_t detour) {
    TRunCommon& run = novel.Windows().State();
    const CNovelCounters& counters = run.Counters();
    const auto value = [&](const char* name) {
        const int index = counters.IndexOf(Cp932(name));
        return index < 0 ? -1 : counters.Entries[size_t(index)].Value;
    };
    if (run.CurrentBackgroundName != "bg.bmp" || run.SpriteLayer.IndexOf("girl") != 0 ||
        value("好感度") != liking || value("寄り道") != detour) {
        state.SkipWithError("the page on the screen is not the one expected");
        return false;
    }
    return true;
}

// What the novel said while it was measured: nothing, or the first message.
bool Quiet(benchmark::State& state, const TReadingNovel& novel) {
    if (novel.Messages().records.empty()) {
        return true;
    }
    const std::string text = platform::Cp932ToUtf8(novel.Messages().records.front().text);
    state.SkipWithError(text.c_str());
    return false;
}

// The reader's OK in the bookmark screen leads here: the page comes back, drawn and waiting.
void BookmarkRestoreOurs(benchmark::State& state) {
    TReadingNovel novel;
    if (!novel.Error().empty()) {
        state.SkipWithError(novel.Error().c_str());
        return;
    }
    TBookmarkForm& book = novel.Windows().Bookmarks();
    for (auto _ : state) {
        if (!book.RestoreBookmark(0) || !novel.RunUntil([&] { return novel.AtClickWait(); })) {
            state.SkipWithError("the bookmarked page did not come back");
            return;
        }
    }
    if (PageHolds(state, novel, 4, 2)) {
        Quiet(state, novel);
    }
}

// The bookmark screen's start-over: the novel from its first line to its first click wait.
void BookmarkRestoreFreshStart(benchmark::State& state) {
    TReadingNovel novel;
    if (!novel.Error().empty()) {
        state.SkipWithError(novel.Error().c_str());
        return;
    }
    TMainForm& main = novel.Windows().Main();
    for (auto _ : state) {
        main.StartNewReading();
        if (!novel.RunUntil([&] { return novel.AtClickWait(); })) {
            state.SkipWithError("the first page was never typed");
            return;
        }
    }
    if (PageHolds(state, novel, 3, 0)) {
        Quiet(state, novel);
    }
}

[[maybe_unused]] const bool kRegistered = [] {
    benchmark::RegisterBenchmark("BookmarkSave/ours/full", BookmarkSaveOurs)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("BookmarkSave/plain_write_rename/full",
                                 BookmarkSavePlainWriteRename)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("BookmarkLoad/ours/full", BookmarkLoadOurs)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("BookmarkLoad/read_bytes/full", BookmarkLoadReadBytes)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("BookmarkRestore/ours", BookmarkRestoreOurs)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("BookmarkRestore/fresh_start", BookmarkRestoreFreshStart)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    return true;
}();

}  // namespace
}  // namespace tavri
