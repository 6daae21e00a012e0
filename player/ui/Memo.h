#pragma once

// Read-only text of many lines with a vertical scroll bar, as the version form's list of
// acknowledgements: long lines wrap at the text's width (between characters, never inside a
// double-byte one), the wheel and the bar scroll it a line at a time.

#include <string>
#include <string_view>
#include <vector>

#include "ui/Controls.h"
#include "ui/ScrollBar.h"

namespace tavri::ui {

class TMemo : public TControl {
  public:
    explicit TMemo(TForm& form, TControl* parent = nullptr);

    TColor Color = RGB(255, 255, 255);
    TColor FontColor = 0;
    TFont Font;
    TScrollBar VertScrollBar;

    // Appends `cp932`; CR LF, CR and LF all end a line, and a text that does not end with one
    // leaves its last line open for the next append, as a memo's text would.
    void Append(std::string_view cp932);
    void Clear();
    const std::vector<std::string>& Lines() const { return lines_; }
    // The lines as shown, after wrapping at the control's width (less the bar).
    const std::vector<std::string>& DisplayLines();
    int LineHeight() const;
    // Whole lines that fit.
    int VisibleLineCount() const;
    int TopLine() const { return VertScrollBar.Position(); }

    void Paint(TImage& canvas) override;
    bool MouseWheel(int notches, uint8_t shift) override;

  private:
    void Layout();

    std::vector<std::string> lines_;
    bool open_ = false;  // the last line did not end with a line break
    std::vector<std::string> display_;
    int laidOutWidth_ = -1, laidOutHeight_ = -1;
    TFont laidOutFont_;
};

}  // namespace tavri::ui
