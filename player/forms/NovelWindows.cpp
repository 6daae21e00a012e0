#include "forms/NovelWindows.h"

#include <utility>

#include "base/Runtime.h"

namespace tavri {

void TFormServices::ShowSystemMenu() {
    menu_.Show();
}

void TFormServices::ShowCounterEditor() {
    if (counters_ != nullptr) {
        counters_->ShowModal();
    }
}

void TFormServices::ShowJumpForm() {
    if (jump_ != nullptr) {
        jump_->ShowModal();
    }
}

void TFormServices::ShowBookmarkScreen(const std::string& caption, bool markMode) {
    bookmarks_.ShowScreen(caption, markMode);
}

template <typename Form, typename... Args>
std::unique_ptr<Form> TNovelWindows::Create(const char* name, Args&&... args) {
    auto form = std::make_unique<Form>(std::forward<Args>(args)...);
    created_.emplace_back(name);
    return form;
}

TNovelWindows::TNovelWindows(TNovelSession& session, platform::IDisplay& display,
                             platform::IClock& clock, platform::IMessageBoxService& messages,
                             TMidiSetup midi)
    : application_(std::make_unique<ui::TApplication>(display, clock, messages)),
      state_(std::make_unique<TRunCommon>(session, messages)) {
    application_->Title = session.Header->NovelTitle.empty() ? std::string(kRuntimeCaption)
                                                             : session.Header->NovelTitle;
    main_ = Create<TMainForm>("TMainForm", *application_, *state_, midi);
    yesNo_ = Create<ui::TYesNoForm>("TYesNoForm", *application_);
    // The fades run on timer threads of their own, except where a test moves the clock.
    menu_ = Create<TMenuForm>("TMenuForm", *application_, *main_, *yesNo_,
                              clock.IsVirtual() ? TFadeDrive::Loop : TFadeDrive::Thread);
    bookmarks_ = Create<TBookmarkForm>("TBookmarkForm", *application_, *main_, *yesNo_);
    bookmarkMenu_ = Create<TBookmarkMenuForm>("TBookmarkMenuForm", *application_);
    about_ = Create<TAboutForm>("TAboutForm", *application_, *main_);
    if (session.DebugMode) {
        counters_ = Create<TDebugCounterForm>("TDebugCounterForm", *application_, *state_);
        jump_ = Create<TDebugJumpForm>("TDebugJumpForm", *application_, *main_);
    }
    bookmarks_->Connect(*bookmarkMenu_);
    menu_->Connect(*bookmarks_, *about_);
    services_ = std::make_unique<TFormServices>(*menu_, *bookmarks_, counters_.get(), jump_.get());
    main_->Connect(*yesNo_, *services_);
    application_->SetMainWindow(main_.get());
}

TNovelWindows::~TNovelWindows() {
    application_->SetMainWindow(nullptr);
    services_.reset();
    jump_.reset();
    counters_.reset();
    about_.reset();
    bookmarkMenu_.reset();
    bookmarks_.reset();
    menu_.reset();
    yesNo_.reset();
    main_.reset();
    state_.reset();
    application_.reset();
}

void TNovelWindows::ReplaceServices(IMainWindowServices* services) {
    main_->Connect(*yesNo_, services != nullptr ? *services : *services_);
}

void TNovelWindows::Show() {
    main_->FormShow();
}

int TNovelWindows::Run() {
    application_->Run();
    return main_->ExitStatus();
}

}  // namespace tavri
