#include "forms/RunAbout.h"

#include "assets/Assets.h"
#include "base/Runtime.h"
#include "forms/FormPictures.h"
#include "graphics/Libraries.h"
#include "platform/FileSystem.h"
#include "platform/Libraries.h"
#include "platform/TextEncoding.h"
#include "ui/RunYesNo.h"

namespace tavri {

using platform::Cp932;

std::vector<std::string> AcknowledgementLines(const std::string& soundFont) {
    const std::vector<std::string> platformLibraries = platform::PlatformLibraries();
    const std::vector<std::string> graphicsLibraries = GraphicsLibraries();
    // In the order readers know them from other programs' credits: the window, the pictures,
    // the sound, the text, the music.
    std::vector<std::string> lines;
    const auto add = [&lines](const std::vector<std::string>& from, size_t i) {
        if (i < from.size()) {
            lines.push_back(from[i]);
        }
    };
    add(platformLibraries, 0);  // SDL2
    add(graphicsLibraries, 0);  // libpng
    add(graphicsLibraries, 1);  // zlib
    add(graphicsLibraries, 2);  // libjpeg
    lines.push_back("libogg / libvorbis");
    add(graphicsLibraries, 3);  // FreeType
    add(graphicsLibraries, 4);  // fontconfig
    add(platformLibraries, 1);  // FluidSynth
    add(platformLibraries, 2);  // ALSA
    lines.push_back(soundFont.empty() ? Cp932("SoundFont: なし（MIDI の音楽は鳴りません）")
                                      : "SoundFont: " + platform::Utf8ToCp932(
                                                            platform::NativeFileNameOf(soundFont)));
    lines.push_back(Cp932("IPA フォント"));
    lines.push_back(Cp932("Liberation フォント"));
    lines.push_back(Cp932("これらのライブラリの作者の皆様に感謝いたします。"));
    return lines;
}

namespace {

void Place(ui::TLabel& label, int left, int top, int width, int height, int pixels, bool bold,
           bool centred, std::string_view utf8) {
    label.SetBounds(left, top, width, height);
    label.Font = FormFont("ＭＳ Ｐゴシック", pixels, bold);
    label.Transparent = true;
    label.FontColor = 0;
    if (centred) {
        label.Alignment = ui::TAlignment::taCenter;
    }
    if (!utf8.empty()) {
        label.SetCaption(Cp932(utf8));
    }
}

}  // namespace

TAboutForm::TAboutForm(ui::TApplication& application, TMainForm& main)
    : TForm(application),
      Image1(*this),
      MainPanel(*this),
      Label2(*this, &MainPanel),
      NovelTitleLabel(*this, &MainPanel),
      Shape1(*this, &MainPanel),
      Label4(*this, &MainPanel),
      Image2(*this, &MainPanel),
      SystemVerLabel(*this, &MainPanel),
      Label1(*this, &MainPanel),
      Label3(*this, &MainPanel),
      ComponentPanel(*this),
      Shape2(*this, &ComponentPanel),
      ComponentMemo(*this, &ComponentPanel),
      ButtonPanel(*this),
      HotImage1(*this, &ButtonPanel),
      FormRgn1(*this),
      TavriFormAlpha1(*this) {
    Caption = Cp932("バージョン情報");
    ClientWidth = 424;
    Color = RGB(255, 255, 255);
    Font = FormFont("ＭＳ Ｐゴシック", 12);
    TavriFormAlpha1.SetAlpha(230);
    FormRgn1.SetRgnWidth(32);
    FormRgn1.SetRgnHeight(32);

    Image1.Align = ui::TAlign::alTop;
    Image1.Height = 21;
    const struct {
        ui::TPanel* panel;
        int height;
    } panels[] = {{&MainPanel, 136}, {&ComponentPanel, 104}, {&ButtonPanel, 45}};
    for (const auto& p : panels) {
        p.panel->Align = ui::TAlign::alTop;
        p.panel->Height = p.height;
        p.panel->Color = Color;
    }
    Place(Label2, 4, 12, 417, 16, 12, false, true, "- 作品タイトル -");
    Place(NovelTitleLabel, 16, 28, 393, 16, 16, true, true, "");
    Shape1.SetBounds(16, 56, 393, 1);
    Place(Label4, 16, 68, 393, 12, 12, false, true, "- ノベルシステム -");
    Image2.SetBounds(64, 86, 32, 32);
    Image2.SetPicture(CarriedPicture(assets::AboutIconBmp()).Image);
    Place(SystemVerLabel, 104, 84, 305, 16, 12, true, false, "");
    Place(Label1, 104, 96, 305, 16, 12, false, false,
          "このソフトウェアは以下のライブラリを使用しています。");
    Place(Label3, 104, 108, 305, 16, 12, false, false,
          "各ライブラリはそれぞれのライセンスに従います。");
    Shape2.SetBounds(16, 1, 393, 1);
    ComponentMemo.SetBounds(44, 16, 361, 85);
    ComponentMemo.Font = FormFont("ＭＳ Ｐゴシック", 11);
    ComponentMemo.FontColor = RGB(97, 97, 97);
    HotImage1.SetBounds(164, 12, 92, 24);
    SetCarriedPictures(HotImage1, assets::AboutCloseHoverBmp(), assets::AboutCloseNormalBmp());
    HotImage1.OnMouseDown = [this](ui::TControl&, ui::MouseButton, uint8_t, int, int) { Close(); };
    ui::MakeDraggableBy(*this, Image1);

    // Creation: the bar stays in the active colours, as the form has no activation of its own.
    ui::DrawTitleBar(*this, Image1, true);
    NovelTitleLabel.SetCaption(main.State.Header().NovelTitle);
    SystemVerLabel.SetCaption(std::string("Tavri! Novel ") + kRuntimeVersion +
                              Cp932(" ランタイム"));
    std::string text;
    for (const std::string& line : AcknowledgementLines(main.SoundFontInUse())) {
        text += line + "\r\n";
    }
    ComponentMemo.Append(text);
    ComponentPanel.Visible = true;
    ClientHeight = Image1.Height + MainPanel.Height + ButtonPanel.Height +
                   (ComponentPanel.Visible ? ComponentPanel.Height : 0);
    Realign();
    OnShow = [this](ui::TForm&) { FormShow(); };
}

void TAboutForm::FormShow() {
    // Centred on the main window, which is the whole picture.
    Left = platform::kCanvasWidth / 2 - ClientWidth / 2;
    Top = platform::kCanvasHeight / 2 - ClientHeight / 2;
    FormRgn1.SetRgnRight(ClientWidth);
    FormRgn1.SetRgnBottom(ClientHeight);
}

}  // namespace tavri
