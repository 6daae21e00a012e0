#include "run/RunMain.h"

namespace tavri {

TDebugPanel::TDebugPanel(ui::TApplication& application)
    : TForm(application), DebugLabel1(*this), DebugLabel2(*this) {}

TMainForm::TMainForm(ui::TApplication& application, TRunCommon& state, ui::TYesNoForm& yesNo,
                     IMainWindowServices* services)
    : Application(application),
      State(state),
      YesNoForm(yesNo),
      Services(services ? *services : defaultServices_),
      Timer(application),
      DebugPanel(application),
      Effector(application.Clock(), Dib) {}

TMainForm::~TMainForm() = default;

void TMainForm::FormCreate() {}
void TMainForm::FormShow() {}
void TMainForm::DXDrawInitialize() {}
void TMainForm::TimerTimer(int) {}
void TMainForm::SetRunMode(uint8_t) {}
void TMainForm::PresentScreen() {}
void TMainForm::PresentRect(TRect) {}
void TMainForm::PresentPage() {}
void TMainForm::ResetPageState() {}
void TMainForm::EnterFullScreen() {}
void TMainForm::EnterWindowMode() {}
void TMainForm::Close() {}
void TMainForm::FormClose() {}
void TMainForm::FormDestroy() {}
void TMainForm::ApplyCursorRule() {}
void TMainForm::MouseDown(ui::MouseButton, uint8_t, int, int) {}
void TMainForm::MouseMove(uint8_t, int, int) {}
void TMainForm::KeyDown(int&, uint8_t) {}
void TMainForm::Yield() {}

}  // namespace tavri
