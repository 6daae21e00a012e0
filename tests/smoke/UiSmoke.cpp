// A real window through SDL with the yes/no dialog over a picture: the smoke test clicks a
// button under a virtual X server and checks the screenshot and the exit status (the result).

#include <cstdio>
#include <exception>

#include "graphics/Canvas.h"
#include "graphics/CanvasText.h"
#include "platform/Clock.h"
#include "platform/Display.h"
#include "platform/MessageBox.h"
#include "platform/TextEncoding.h"
#include "ui/Application.h"
#include "ui/RunYesNo.h"

namespace {

using namespace tavri;

class Scene : public ui::IMainWindow {
  public:
    Scene() : picture_(640, 480) {
        FillRect(picture_, TRect{0, 0, 640, 480}, RGB(40, 40, 40));
        TFont font;
        font.Face = platform::Cp932("ＭＳ Ｐゴシック");
        font.Height = -24;
        CanvasTextOut(picture_, 40, 40, platform::Cp932("森の小径 — スモークテスト"), font,
                      RGB(255, 255, 255));
    }
    const TImage& Picture() const override { return picture_; }

  private:
    TImage picture_;
};

}  // namespace

int main() {
    try {
        auto display = platform::CreateSdlDisplay();
        auto clock = platform::CreateSystemClock();
        auto messages = platform::CreateSdlMessageBoxService();
        ui::TApplication app(*display, *clock, *messages);
        app.Title = platform::Cp932("Tavri smoke");
        display->SetTitle(app.Title);
        Scene picture;
        app.SetMainWindow(&picture);
        if (!display->EnterWindowMode()) {
            std::fprintf(stderr, "cannot show the window\n");
            return 10;
        }
        ui::TYesNoForm dialog(app);
        const int result = dialog.ShowModal();
        std::printf("%d\n", result);
        app.SetMainWindow(nullptr);
        return result;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 11;
    }
}
