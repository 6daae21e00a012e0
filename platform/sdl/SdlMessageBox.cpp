#include <SDL.h>

#include <cstdio>
#include <cstdlib>

#include "WindowManager.h"
#include "platform/Log.h"
#include "platform/MessageBox.h"
#include "platform/TextEncoding.h"

namespace tavri::platform {

namespace {

TMessageBoxFallback gFallback;

bool HaveDisplay() {
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (driver != nullptr &&
        (std::string_view(driver) == "dummy" || std::string_view(driver) == "offscreen")) {
        return false;
    }
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

// Message boxes show CR LF as two breaks on some toolkits.
std::string ToDisplayText(std::string_view cp932) {
    std::string utf8 = Cp932ToUtf8(cp932);
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') {
            continue;
        }
        out += utf8[i];
    }
    return out;
}

class SdlMessageBoxService final : public IMessageBoxService {
  public:
    int Show(std::string_view text, std::string_view caption, MsgIcon icon,
             MsgButtons buttons) override {
        std::string utf8Text = ToDisplayText(text);
        std::string utf8Caption = ToDisplayText(caption);
        int first = buttons == MsgButtons::YesNo ? IdYes : IdOk;
        if (!HaveDisplay()) {
            Report(utf8Caption + ": " + utf8Text);
            return first;
        }
        SDL_MessageBoxButtonData ok[] = {
            {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT,
             IdOk, "OK"}};
        SDL_MessageBoxButtonData okCancel[] = {
            {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IdOk, "OK"},
            {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IdCancel, "Cancel"}};
        SDL_MessageBoxButtonData yesNo[] = {{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IdYes, "Yes"},
                                            {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IdNo, "No"}};
        SDL_MessageBoxData data{};
        data.flags = icon == MsgIcon::Error     ? SDL_MESSAGEBOX_ERROR
                     : icon == MsgIcon::Warning ? SDL_MESSAGEBOX_WARNING
                                                : SDL_MESSAGEBOX_INFORMATION;
        data.title = utf8Caption.c_str();
        data.message = utf8Text.c_str();
        switch (buttons) {
            case MsgButtons::Ok:
                data.buttons = ok;
                data.numbuttons = 1;
                break;
            case MsgButtons::OkCancel:
                data.buttons = okCancel;
                data.numbuttons = 2;
                break;
            case MsgButtons::YesNo:
                data.buttons = yesNo;
                data.numbuttons = 2;
                break;
        }
        // Kept on standard error as well: a box can be dismissed, lost behind other windows or
        // fail to appear, and the words are what a report needs.
        Report(utf8Caption + ": " + utf8Text);
        // A child of the main window, so that a window manager keeps it above the picture (in
        // full screen too); and the main window takes the focus back afterwards, which Windows
        // does for a box's owner and a bare X server does for nobody: without it the novel
        // would count as inactive and stand still.
        SDL_Window* owner = MessageBoxOwner();
        if (owner != nullptr && (SDL_GetWindowFlags(owner) & SDL_WINDOW_SHOWN) != 0) {
            // Once the novel's window is up, its sound threads may run, and SDL shows its box
            // from a forked child, which can wake holding a lock another thread had: the box
            // inside the picture needs no child at all.
            if (gFallback) {
                return gFallback(text, caption, icon, buttons);
            }
            data.window = owner;
        } else {
            owner = nullptr;
        }
        int pressed = first;
        const bool shown = SDL_ShowMessageBox(&data, &pressed) == 0;
        if (owner != nullptr) {
            SDL_RaiseWindow(owner);
            SDL_SetWindowInputFocus(owner);
        }
        if (!shown) {
            return gFallback ? gFallback(text, caption, icon, buttons) : first;
        }
        return pressed < 0 ? (buttons == MsgButtons::Ok      ? IdOk
                              : buttons == MsgButtons::YesNo ? IdNo
                                                             : IdCancel)
                           : pressed;
    }
};

}  // namespace

void SetMessageBoxFallback(TMessageBoxFallback fallback) {
    gFallback = std::move(fallback);
}

std::unique_ptr<IMessageBoxService> CreateSdlMessageBoxService() {
    return std::make_unique<SdlMessageBoxService>();
}

}  // namespace tavri::platform
