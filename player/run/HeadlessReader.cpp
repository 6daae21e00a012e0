#include "run/HeadlessReader.h"

#include <algorithm>
#include <cstdio>

#include "graphics/PictureEncode.h"
#include "platform/FileSystem.h"
#include "platform/TextEncoding.h"

namespace tavri {

namespace {

// How long the reader looks at a page before it clicks, in novel time.
constexpr uint32_t kReadingPause = 400;

std::string Plural(int n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string NovelTime(uint32_t ms) {
    return (ms >= 60000 ? Plural(int(ms / 60000), "minute", "minutes")
                        : Plural(int(ms / 1000), "second", "seconds")) +
           " of novel time";
}

}  // namespace

void THeadlessAnswers::ShowBookmarkScreen(const std::string&, bool markMode) {
    if (!markMode) {
        main_.StartNewReading();
    }
}

THeadlessReader::THeadlessReader(platform::VirtualClock& clock, platform::HeadlessDisplay& display,
                                 TMainForm& main, int firstChoice)
    : clock_(clock), display_(display), main_(main), answers_(main), choice_(firstChoice) {}

void THeadlessReader::Progressed() {
    lastProgress_ = clock_.Now();
}

void THeadlessReader::Shoot() {
    ++result_.Pages;
    if (folder_.empty()) {
        return;
    }
    char name[32];
    std::snprintf(name, sizeof name, "/page-%04d.bmp", result_.Pages);
    const TImage& frame = main_.Application.Frame();
    TImage picture = frame.Empty() ? main_.State.ScreenImage : frame;
    picture.SetPixelFormat(TPixelFormat::Pf24bit);
    platform::WriteWholeFile(folder_ + name, EncodeBmp24(picture));
}

std::string THeadlessReader::ItemText(int32_t index) const {
    std::string text = "item " + std::to_string(index);
    if (const CNovelItem* item = main_.State.Session.Items->ItemOrNull(index)) {
        text += " \"" + platform::Cp932ToUtf8(item->Name) + "\"";
    }
    return text;
}

std::string THeadlessReader::WhereItStands() const {
    const TRunCommon& state = main_.State;
    if (state.RunMode == RmTitle) {
        return "at the title";
    }
    const std::string where =
        "at " + ItemText(state.CurrentItem) + ", line " + std::to_string(state.TextCursor.Line + 1);
    if (main_.IsTransitionActive()) {
        return where + ", in a transition";
    }
    if (main_.IsWaiting()) {
        return where + ", in a .WAIT";
    }
    switch (state.RunMode) {
        case RmTyping:
            return where + ", typing";
        case RmClickWait:
            return where + ", at a click wait";
        case RmLinks:
            return where + (main_.OfferedChoiceCount() > 0 ? ", at a choice menu"
                                                           : ", with no choice to take");
        default:
            return where;
    }
}

void THeadlessReader::Act() {
    TRunCommon& state = main_.State;
    if (clickedTitle_ && state.RunMode != RmTitle) {
        readingBegan_ = true;
        if (state.CurrentItem >= 0) {
            lastItem_ = state.CurrentItem;
        }
    }
    if (readingBegan_ && state.RunMode == RmTitle) {
        // Back at the title: an ending, or a reading that ran into a link that leads nowhere.
        const CNovelItem* item = state.Session.Items->ItemOrNull(state.CurrentItem);
        if (item != nullptr && item->LinkKind >= LinkEnding) {
            ++result_.Endings;
            result_.Finished = true;
        } else {
            result_.StoppedAt = "the reading went back to the title from " + ItemText(lastItem_) +
                                ", not from an ending: its links lead nowhere";
        }
        return;
    }
    const bool idle = !main_.IsTransitionActive() && !main_.IsWaiting() &&
                      !state.PendingClick.Pending && display_.PendingScripted() == 0;
    bool wantsClick = false;
    int x = 320, y = 240;
    if (idle && main_.AcceptsTitleClick()) {
        if (clickedTitle_) {
            result_.StoppedAt = "the title did not start a reading when it was clicked";
            return;
        }
        wantsClick = true;
    } else if (idle && state.RunMode == RmClickWait) {
        wantsClick = true;
    } else if (idle && state.RunMode == RmLinks && main_.OfferedChoiceCount() > 0) {
        // Row e of the menu is under y = 26 + lh × e (see the hover rule); aim at its middle.
        const int lh = std::max(1, state.GlyphSize.Height * 140 / 100);
        const int e = choice_ % main_.OfferedChoiceCount();
        x = 200;
        y = 26 + lh * e + lh / 2;
        wantsClick = true;
    }
    if (!wantsClick) {
        waiting_ = false;
        return;
    }
    if (!waiting_) {
        waiting_ = true;
        waitingSince_ = clock_.Now();
        return;
    }
    if (clock_.Now() - waitingSince_ < kReadingPause) {
        return;
    }
    waiting_ = false;
    Progressed();
    if (state.RunMode == RmTitle) {
        clickedTitle_ = true;
    } else {
        Shoot();
    }
    if (state.RunMode == RmLinks) {
        ++choice_;
    }
    platform::TInputEvent move;
    move.kind = platform::TInputEvent::Kind::MouseMove;
    move.x = x;
    move.y = y;
    display_.Schedule(clock_.Now(), move);
    // Give the menu a tick to see the pointer before the click.
    platform::TInputEvent down = move;
    down.kind = platform::TInputEvent::Kind::MouseDown;
    down.button = platform::MouseButton::Left;
    down.shift = platform::SsLeft;
    display_.Schedule(clock_.Now() + 100, down);
    platform::TInputEvent up = down;
    up.kind = platform::TInputEvent::Kind::MouseUp;
    up.shift = 0;
    display_.Schedule(clock_.Now() + 100, up);
}

THeadlessReadResult THeadlessReader::Read(const std::string& shotsFolder, uint32_t limitMs,
                                          uint32_t stallMs) {
    folder_ = shotsFolder;
    if (!folder_.empty()) {
        platform::CreateDirectories(folder_);
    }
    const uint32_t start = clock_.Now();
    Progressed();
    ui::TApplication& app = main_.Application;
    while (!result_.Finished && result_.StoppedAt.empty()) {
        if (app.Terminated()) {
            result_.StoppedAt = "the window closed " + WhereItStands();
            break;
        }
        if (clock_.Now() - start >= limitMs) {
            result_.StoppedAt = "no ending after " + NovelTime(limitMs) + ", " + WhereItStands();
            break;
        }
        if (clock_.Now() - lastProgress_ >= stallMs) {
            result_.StoppedAt =
                "nothing to click for " + NovelTime(stallMs) + ", " + WhereItStands();
            break;
        }
        app.HandleMessage();
        Act();
    }
    return result_;
}

std::string HeadlessReadSummary(const THeadlessReadResult& result) {
    const std::string read = Plural(result.Pages, "page", "pages") + " and " +
                             Plural(result.Endings, "ending", "endings") + " read";
    if (result.Finished) {
        return read;
    }
    return "The novel did not reach an ending: " + result.StoppedAt + " (" + read + ")";
}

}  // namespace tavri
