#pragma once

// The version form: the novel's title, the player's name and version, and the libraries it is
// built on (with the SoundFont the music plays with). Opened modally from the system menu,
// closed with its button; it can be dragged by its title bar.

#include <string>
#include <vector>

#include "run/RunMain.h"
#include "ui/Application.h"
#include "ui/Controls.h"
#include "ui/FormRgn.h"
#include "ui/HotImage.h"
#include "ui/Memo.h"
#include "ui/TavriFormAlpha.h"

namespace tavri {

// The acknowledgement lines (cp932): the libraries in use, the SoundFont (native path, empty
// when the music is off) and the fonts, then a line of thanks.
std::vector<std::string> AcknowledgementLines(const std::string& soundFont);

class TAboutForm : public ui::TForm {
  public:
    TAboutForm(ui::TApplication& application, TMainForm& main);

    ui::TImageControl Image1;  // the title bar
    ui::TPanel MainPanel;
    ui::TLabel Label2, NovelTitleLabel;
    ui::TShape Shape1;
    ui::TLabel Label4;
    ui::TImageControl Image2;  // the player's icon
    ui::TLabel SystemVerLabel, Label1, Label3;
    ui::TPanel ComponentPanel;
    ui::TShape Shape2;
    ui::TMemo ComponentMemo;
    ui::TPanel ButtonPanel;
    ui::THotImage HotImage1;  // "閉じる"
    ui::TFormRgn FormRgn1;
    ui::TTavriFormAlpha TavriFormAlpha1;

  private:
    void FormShow();
};

}  // namespace tavri
