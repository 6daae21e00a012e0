#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/TextEncoding.h"
#include "run/RunMain.h"

namespace tavri {

using platform::Cp932;

namespace {

// Lines on a page sit this far apart, relative to the glyph height.
int LineHeightOf(const TSize& glyph) {
    // Menu rows are found by dividing by it, so it never reaches 0.
    return std::max(1, int(int64_t(glyph.Height) * 140 / 100));
}

// Japanese typesetting keeps these off the start of a line, so they may hang past the margin.
bool IsLineHeadCharacter(std::string_view ch) {
    static const std::string kLineHead[] = {Cp932("、"), Cp932("。"), Cp932("！"), Cp932("？"),
                                            Cp932("」")};
    return std::find(std::begin(kLineHead), std::end(kLineHead), ch) != std::end(kLineHead);
}

bool LinkQualifies(const TNovelLink& link, const CNovelCounters& counters) {
    if (!link.Enabled) {
        return false;
    }
    if (!link.Conditional) {
        return true;
    }
    const int k = counters.IndexOf(link.CounterName);
    return k >= 0 && counters.Entries[size_t(k)].Value >= link.Threshold;
}

// DibCopyRect takes inclusive bounds; bands and markers are kept as width and height.
TRect InclusiveRect(int x, int y, int width, int height) {
    return TRect{x, y, x + width - 1, y + height - 1};
}

constexpr int kMarkSize = 24;
constexpr int kMarkRectHeight = 27;

// ----- Links -----

// The caption as the header's numbering shows it.
std::string NumberedCaption(uint8_t numbering, int index, const std::string& caption) {
    switch (numbering) {
        case 1:
            return std::to_string(index + 1) + ". " + caption;
        case 2:
            return std::string(1, char('A' + index)) + ". " + caption;
        default:
            return caption;
    }
}

// Copies a row band onto the screen; bands near the edges are clipped to the picture.
void CopyBand(TRunCommon& state, const TImage& source, int top, int height) {
    DibCopyRect(source, state.ScreenImage, InclusiveRect(0, top, kCanvasWidth, height));
}

}  // namespace

// The steps after an item's text, on the window's menu state.
struct TLinkSteps {
    // The menu's pictures are made once: captions drawn into NextFrameImage and into a tinted copy,
    // so that hovering only copies bands between the two.
    static bool BuildChoices(TMainForm& form, const CNovelItem& item, int lh) {
        TRunCommon& state = form.State;
        form.Application.Display().SetCursor(platform::CursorKind::Hourglass);
        form.PresentPage();
        form.ChoicesBuilt = true;
        form.ChoiceCount = 0;
        form.HoverChoice = -1;
        // In link order, so the menu reads as the author listed it.
        for (const TNovelLink& link : item.Links) {
            if (!LinkQualifies(link, state.Counters())) {
                continue;
            }
            const int32_t target = state.Items().IndexOf(link.Target);
            form.ChoiceTargets[size_t(form.ChoiceCount)] = target;
            if (target < 0) {
                continue;
            }
            form.ChoiceCaptions[size_t(form.ChoiceCount)] =
                NumberedCaption(state.Header().ChoiceNumbering, form.ChoiceCount, link.Caption);
            ++form.ChoiceCount;
        }
        if (form.ChoiceCount == 0) {
            form.Application.Messages().Show(Cp932("有効なリンク先がありません。"),
                                             Cp932("メニューリンク"), platform::MsgIcon::Error,
                                             platform::MsgButtons::Ok);
            form.SetRunMode(RmTitle);
            form.PresentPage();
            form.PresentScreen();
            return false;
        }

        const TRect& area = state.TextArea;
        state.ChoiceHighlightImage.Assign(state.NextFrameImage);
        const int64_t tintBottom = area.Top + int64_t(form.ChoiceCount) * lh;
        DibFillBlend(state.ChoiceHighlightImage,
                     TRect{0, 0, kCanvasWidth, int(std::min<int64_t>(tintBottom, kCanvasHeight))},
                     state.Header().ChoiceHighlightColor, 40);

        TAntiAliasTextout& renderer = state.TextRenderer;
        const int bandHeight = state.GlyphSize.Height + lh / 4;
        for (int i = 0; i < form.ChoiceCount; ++i) {
            const std::string& caption = form.ChoiceCaptions[size_t(i)];
            const int y = area.Top + lh * i;
            for (TImage* image : {&state.NextFrameImage, &state.ChoiceHighlightImage}) {
                renderer.Target = image;
                renderer.TextColor = state.Header().DefaultTextColor;
                renderer.Font = FontOf(state.Session.DefaultFont);
                int x = area.Left + 8;
                for (size_t p = 0; p < caption.size();) {
                    const size_t length = platform::CharLength(caption, p);
                    const std::string_view ch = std::string_view(caption).substr(p, length);
                    renderer.TextOut(x, y, ch);
                    x += renderer.MeasureText(ch).Width;
                    p += length;
                }
                CopyBand(state, state.NextFrameImage, y - lh / 8, bandHeight);
                form.PresentRect(TRect{0, y - lh / 8, kCanvasWidth, y - lh / 8 + bandHeight});
            }
        }
        form.Application.Display().SetCursor(platform::CursorKind::Default);
        return true;
    }

    static void FollowMenuLinks(TMainForm& form, const CNovelItem& item) {
        TRunCommon& state = form.State;
        state.TextRenderer.AntiAlias = state.Header().TextAntiAlias != 0;
        state.GlyphSize = state.TextRenderer.MeasureText(Cp932("あ"));
        const int lh = LineHeightOf(state.GlyphSize);
        if (!form.ChoicesBuilt && !BuildChoices(form, item, lh)) {
            return;
        }

        const int64_t numerator = int64_t(lh / 6) + state.MousePosition.Y - state.TextArea.Top;
        const int32_t row =
            numerator < 0 ? 65535 / lh : int32_t(std::min<int64_t>(numerator / lh, INT32_MAX));
        if (row != form.HoverChoice) {
            for (int i = 0; i < form.ChoiceCount; ++i) {
                if (form.HoverChoice < 0 || i == form.HoverChoice || i == row) {
                    const TImage& source =
                        i == row ? state.ChoiceHighlightImage : state.NextFrameImage;
                    CopyBand(state, source, state.TextArea.Top + lh * i - lh / 8,
                             state.GlyphSize.Height + lh / 4 + 1);
                }
            }
            form.PresentScreen();
            form.HoverChoice = row;
        }

        TPendingClick& click = state.PendingClick;
        if (click.Pending && click.Button == uint8_t(ui::MouseButton::Right)) {
            click.Pending = false;
            TTimerPause pause(form);
            form.Services->ShowSystemMenu();
            return;
        }
        if (row < 0 || row >= form.ChoiceCount || !click.Pending ||
            click.Button != uint8_t(ui::MouseButton::Left)) {
            // Space and Enter click at the top, outside every row: they choose nothing.
            click.Pending = false;
            return;
        }
        click.Pending = false;
        state.CurrentItem = form.ChoiceTargets[size_t(row)];
        state.TextCursor = TTextCursor{1, 0};
        form.SetRunMode(RmTyping);
        state.NextFrameImage.Assign(state.BackgroundImage);
        state.SpriteLayer.Draw(state.NextFrameImage);
        form.PresentPage();
        form.PresentScreen();
    }

    static void FollowAutomaticLink(TMainForm& form, const CNovelItem& item) {
        TRunCommon& state = form.State;
        // From the last link: authors put the most specific condition last.
        int32_t target = -1;
        for (int i = kLinkCount - 1; i >= 0; --i) {
            const TNovelLink& link = item.Links[size_t(i)];
            if (LinkQualifies(link, state.Counters())) {
                target = state.Items().IndexOf(link.Target);
                break;
            }
        }
        state.CurrentItem = target;
        if (target < 0) {
            form.Application.Messages().Show(Cp932("リンク先が見つかりません。"),
                                             Cp932("自動リンク"), platform::MsgIcon::Error,
                                             platform::MsgButtons::Ok);
            form.SetRunMode(RmTitle);
        } else {
            state.TextCursor = TTextCursor{1, 0};
            form.SetRunMode(RmTyping);
        }
        form.PresentPage();
        form.PresentScreen();
    }
};

// ----- Typing -----

void TMainForm::TypeCharacters(int n) {
    const TRect& area = State.TextArea;
    int typed = 0;
    while (typed < n) {
        const CNovelItem* item = CurrentItemOrNull();
        TTextCursor& cursor = State.TextCursor;
        // A cursor from a bookmark of another scenario may point anywhere.
        cursor.Line = std::max(cursor.Line, 0);
        cursor.Column = std::max(cursor.Column, 1);
        if (item == nullptr || size_t(cursor.Line) >= item->Lines.size()) {
            SetRunMode(RmLinks);
            return;
        }
        const std::string& line = item->Lines[size_t(cursor.Line)];
        if (line.empty()) {
            cursor = TTextCursor{1, cursor.Line + 1};
            return;
        }
        if (size_t(cursor.Column) > line.size()) {
            cursor = TTextCursor{1, cursor.Line + 1};
            continue;
        }
        if (cursor.Column == 1 && line[0] == '.') {
            TCommandWords words = ParseCommandLine(line);
            cursor.Line += 1;
            ExecuteCommand(std::move(words));
            return;
        }

        const size_t start = size_t(cursor.Column) - 1;
        const size_t length = platform::CharLength(line, start);
        const std::string ch = line.substr(start, length);
        cursor.Column += int32_t(length);
        const bool lineEnded = size_t(cursor.Column) > line.size();
        ++typed;

        if (ch == "@") {
            PageFull = false;
            SetRunMode(RmClickWait);
            return;
        }
        if (ch == ";" && lineEnded) {
            cursor = TTextCursor{1, cursor.Line + 1};
            return;
        }

        TAntiAliasTextout& renderer = State.TextRenderer;
        renderer.Target = &State.ScreenImage;
        renderer.AntiAlias = State.Header().TextAntiAlias != 0;
        State.GlyphSize = renderer.MeasureText(ch);
        const int lh = LineHeightOf(State.GlyphSize);
        TPoint& pen = State.PenPosition;

        if (!IsLineHeadCharacter(ch) && int64_t(pen.X) + State.GlyphSize.Width / 2 > area.Right) {
            if (int64_t(pen.Y) + 2 * int64_t(lh) >= area.Bottom) {
                // Typed again as the first character of the next page.
                cursor.Column -= int32_t(length);
                PageFull = true;
                SetRunMode(RmClickWait);
                return;
            }
            pen = TPoint{area.Left, pen.Y + lh};
        }

        renderer.TextOut(pen.X, pen.Y, ch);
        PresentRect(
            TRect{pen.X, pen.Y, pen.X + State.GlyphSize.Width + 2, pen.Y + State.GlyphSize.Height});
        // Line-head characters may hang on without end in a damaged scenario; the pen stays
        // far off the picture instead of wrapping around.
        pen.X = int32_t(std::min<int64_t>(int64_t(pen.X) + State.GlyphSize.Width, INT32_MAX / 2));

        if (lineEnded) {
            cursor = TTextCursor{1, cursor.Line + 1};
            if (int64_t(pen.Y) + 2 * int64_t(lh) >= area.Bottom) {
                PageFull = true;
                SetRunMode(RmClickWait);
                return;
            }
            pen = TPoint{area.Left, pen.Y + lh};
        }
    }
}

// ----- Click wait -----

void TMainForm::WaitForClick() {
    const TRect& area = State.TextArea;
    TPoint& pen = State.PenPosition;
    State.GlyphSize.Width = kMarkSize;
    // Erases the previous marker frame.
    DibCopyRect(State.NextFrameImage, State.ScreenImage,
                InclusiveRect(pen.X, pen.Y, kMarkSize, kMarkRectHeight));

    TPendingClick& click = State.PendingClick;
    bool pending = click.Pending;
    uint8_t button = click.Button;
    if (SkipMode) {
        pending = true;
        button = uint8_t(ui::MouseButton::Left);
    } else {
        SetTimerInterval(NormalTimerInterval);
    }

    if (pending) {
        click.Pending = false;
        if (button == uint8_t(ui::MouseButton::Right)) {
            TTimerPause pause(*this);
            Services->ShowSystemMenu();
            return;
        }
        // Set directly rather than through SetRunMode, so that a font chosen by a command lasts.
        State.RunMode = RmTyping;
        TTextCursor& cursor = State.TextCursor;
        const CNovelItem* item = CurrentItemOrNull();
        const size_t lineLength =
            item != nullptr && cursor.Line >= 0 && size_t(cursor.Line) < item->Lines.size()
                ? item->Lines[size_t(cursor.Line)].size()
                : 0;
        if (int64_t(lineLength) < int64_t(cursor.Column)) {
            // The "@" ended its line: the line break it stood in front of still belongs here.
            // A line past the item (a damaged bookmark) may sit at the very end of the range.
            cursor = TTextCursor{1, cursor.Line < INT32_MAX ? cursor.Line + 1 : cursor.Line};
            const int lh = LineHeightOf(State.GlyphSize);
            if (int64_t(pen.Y) + 2 * int64_t(lh) >= area.Bottom) {
                PageFull = true;
            } else {
                pen = TPoint{area.Left, pen.Y + lh};
            }
        }
        if (PageFull) {
            Yield();
            PresentPage();
            PresentScreen();
        }
    } else {
        const int interval = std::max(1, TimerInterval());
        const uint32_t k = uint32_t(std::max(1, 250 / interval));
        DrawClickMark(State.ScreenImage, pen.X + 1, pen.Y + 3, int((State.TickTotal / k) & 1u));
    }
    PresentRect(TRect{pen.X, pen.Y, pen.X + kMarkSize, pen.Y + kMarkRectHeight});
}

void TMainForm::DrawClickMark(TImage& target, int x, int y, int frame) {
    const TImage& marks = State.ClickMarkImage;
    if (marks.PixelFormat() != TPixelFormat::Pf24bit ||
        target.PixelFormat() != TPixelFormat::Pf24bit) {
        return;
    }
    const int64_t sourceLeft = int64_t(kMarkSize) * frame;
    for (int i = 0; i < kMarkSize; ++i) {
        const int64_t ty = int64_t(y) + i;
        if (i >= marks.Height() || ty < 0 || ty >= std::min(target.Height(), kCanvasHeight)) {
            continue;
        }
        for (int j = 0; j < kMarkSize; ++j) {
            const int64_t sx = sourceLeft + j, tx = int64_t(x) + j;
            if (sx < 0 || sx >= marks.Width() || tx < 0 ||
                tx >= std::min(target.Width(), kCanvasWidth)) {
                continue;
            }
            const TColor c = marks.Pixel(int(sx), i);
            if (c != 0xFFFFFF) {
                target.SetPixel(int(tx), int(ty), c);
            }
        }
    }
}

// ----- Links -----

void TMainForm::FollowLinks() {
    const CNovelItem* item = CurrentItemOrNull();
    const uint8_t kind = item != nullptr ? item->LinkKind : uint8_t(0xFF);
    switch (kind) {
        case LinkMenu:
            TLinkSteps::FollowMenuLinks(*this, *item);
            return;
        case LinkAuto:
            TLinkSteps::FollowAutomaticLink(*this, *item);
            return;
        case LinkEnding:
            if (State.Header().BookmarkMode == BmTitleAndEnding) {
                PresentPage();
                PresentScreen();
                State.PageNumber = -1;
                TTimerPause pause(*this);
                Services->ShowBookmarkScreen(Cp932("しおりに記録"), true);
            }
            SetRunMode(RmTitle);
            return;
        default:
            // Waiting here would leave the reader with nothing to click: end as an ending does.
            SetRunMode(RmTitle);
            PresentPage();
            PresentScreen();
            return;
    }
}

}  // namespace tavri
