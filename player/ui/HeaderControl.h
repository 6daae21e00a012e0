#pragma once

// The column titles above a list: sections side by side, each as wide as its column; dragging
// the divider at a section's right edge resizes it, never below its minimum.

#include <functional>
#include <string>
#include <vector>

#include "ui/Controls.h"

namespace tavri::ui {

struct THeaderSection {
    std::string Text;  // cp932
    int Width = 50;
    int MinWidth = 0;
    bool AllowClick = true;
};

class THeaderControl : public TControl {
  public:
    static constexpr int kGrip = 3;  // pixels either side of a divider that take the drag

    using TControl::TControl;

    std::vector<THeaderSection> Sections;
    TFont Font;
    std::function<void(THeaderControl& sender, int section)> OnSectionResize;

    // The left edge of section `index`.
    int SectionLeft(int index) const;

    void Paint(TImage& canvas) override;
    void MouseDown(MouseButton button, uint8_t shift, int x, int y) override;
    void MouseMove(uint8_t shift, int x, int y) override;
    void MouseUp(MouseButton button, uint8_t shift, int x, int y) override;

  private:
    int resizing_ = -1;
};

}  // namespace tavri::ui
