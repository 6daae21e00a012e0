#include "ui/MessageForm.h"

#include <algorithm>
#include <memory>

#include "graphics/Canvas.h"
#include "graphics/CanvasText.h"
#include "platform/Clock.h"
#include "platform/TextEncoding.h"
#include "ui/Application.h"

namespace tavri::ui {

namespace {

using platform::Cp932;

constexpr int kMargin = 16, kMarkSize = 24, kButtonWidth = 88, kButtonHeight = 24;

TColor MarkColour(platform::MsgIcon icon) {
    switch (icon) {
        case platform::MsgIcon::Error:
            return RGB(210, 40, 40);
        case platform::MsgIcon::Warning:
            return RGB(240, 190, 0);
        case platform::MsgIcon::None:
            return RGB(240, 240, 240);
        default:
            return RGB(0, 120, 215);
    }
}

// The lines of the text: CR LF, CR and LF all break.
std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            lines.emplace_back();
        } else {
            lines.back() += text[i];
        }
    }
    return lines;
}

}  // namespace

TMessageForm::TMessageForm(TApplication& application)
    : TDialogForm(application), Mark(*this, &Client) {
    Font.Face = Cp932("ＭＳ Ｐゴシック");
    Font.Height = -14;
    Mark.Shape = TShapeType::stEllipse;
    Mark.PenWidth = 0;
}

int TMessageForm::Ask(std::string_view text, std::string_view caption, platform::MsgIcon icon,
                      platform::MsgButtons buttons) {
    Caption = std::string(caption);
    Lines.clear();
    Buttons.clear();
    const std::vector<std::string> lines = SplitLines(text);
    const int lineHeight = std::max(1, MetricsOf(Font).LineHeight());
    int textWidth = 0;
    for (const std::string& line : lines) {
        textWidth = std::max(textWidth, TextExtent(Font, line).Width);
    }
    struct Choice {
        const char* label;
        int result;
    };
    std::vector<Choice> choices;
    switch (buttons) {
        case platform::MsgButtons::Ok:
            choices = {{"ＯＫ", platform::IdOk}};
            break;
        case platform::MsgButtons::OkCancel:
            choices = {{"ＯＫ", platform::IdOk}, {"キャンセル", platform::IdCancel}};
            break;
        case platform::MsgButtons::YesNo:
            choices = {{"はい", platform::IdYes}, {"いいえ", platform::IdNo}};
            break;
    }
    escapeResult_ = choices.back().result;
    const int buttonsWidth = int(choices.size()) * (kButtonWidth + 8) - 8;
    const int textLeft = kMargin + kMarkSize + 12;
    // As wide as the text needs, within the picture.
    const int width =
        std::clamp(std::max(textLeft + textWidth + kMargin, buttonsWidth + 2 * kMargin), 240,
                   platform::kCanvasWidth - 2 * kFrame);
    const int textHeight = int(lines.size()) * lineHeight;
    const int height = std::min(kMargin + std::max(textHeight, kMarkSize) + 16 + kButtonHeight + 12,
                                platform::kCanvasHeight - kCaptionHeight - 2 * kFrame);
    SetClientSize(width, height);
    Mark.SetBounds(kMargin, kMargin, kMarkSize, kMarkSize);
    Mark.BrushColor = MarkColour(icon);
    for (size_t i = 0; i < lines.size(); ++i) {
        auto label = std::make_unique<TLabel>(*this, &Client);
        label->Font = Font;
        label->Transparent = true;
        label->SetCaption(lines[i]);
        label->SetBounds(textLeft, kMargin + int(i) * lineHeight, width - textLeft - 8, lineHeight);
        Lines.push_back(std::move(label));
    }
    int left = (width - buttonsWidth) / 2;
    for (size_t i = 0; i < choices.size(); ++i) {
        auto button = std::make_unique<TButton>(*this, &Client);
        button->Caption = Cp932(choices[i].label);
        button->Font = Font;
        button->ModalResult = choices[i].result;
        button->Default = i == 0;
        button->SetBounds(left, height - kButtonHeight - 12, kButtonWidth, kButtonHeight);
        left += kButtonWidth + 8;
        Buttons.push_back(std::move(button));
    }
    DefaultButton = Buttons.front().get();
    CloseBoxResult = escapeResult_;
    Invalidate();
    const int result = ShowModal();
    // A modal show that ended without a button (the application closing) answers as Escape.
    for (const Choice& c : choices) {
        if (c.result == result) {
            return result;
        }
    }
    return escapeResult_;
}

void TMessageForm::KeyDown(int& key, uint8_t shift) {
    if (key == platform::VkEscape) {
        key = 0;
        ModalResult = escapeResult_;
        return;
    }
    TDialogForm::KeyDown(key, shift);
}

namespace {

// The picture behind a box shown before any novel's window: black.
class TBlankWindow : public IMainWindow {
  public:
    TBlankWindow() : picture_(platform::kCanvasWidth, platform::kCanvasHeight) {
        FillRect(picture_, TRect{0, 0, platform::kCanvasWidth, platform::kCanvasHeight}, 0);
    }
    const TImage& Picture() const override { return picture_; }

  private:
    TImage picture_;
};

}  // namespace

int ShowOwnMessageBox(TApplication* running, std::string_view text, std::string_view caption,
                      platform::MsgIcon icon, platform::MsgButtons buttons) {
    const int first = buttons == platform::MsgButtons::YesNo ? platform::IdYes : platform::IdOk;
    if (running != nullptr) {
        TMessageForm form(*running);
        running->SuspendTimers();
        const int result = form.Ask(text, caption, icon, buttons);
        running->ResumeTimers();
        return result;
    }
    try {
        std::unique_ptr<platform::IDisplay> display = platform::CreateSdlDisplay();
        std::unique_ptr<platform::IClock> clock = platform::CreateSystemClock();
        // Answers nothing itself: this box is the last resort.
        struct TSilent final : platform::IMessageBoxService {
            int Show(std::string_view, std::string_view, platform::MsgIcon,
                     platform::MsgButtons) override {
                return platform::IdOk;
            }
        } silent;
        TApplication application(*display, *clock, silent);
        application.Title = std::string(caption);
        TBlankWindow blank;
        application.SetMainWindow(&blank);
        display->SetTitle(caption);
        display->EnterWindowMode();
        int result = first;
        {
            TMessageForm form(application);
            result = form.Ask(text, caption, icon, buttons);
        }
        application.SetMainWindow(nullptr);
        return result;
    } catch (const std::exception&) {
        return first;
    }
}

}  // namespace tavri::ui
