#pragma once

// The controls the player's small windows are made of, drawn on our own picture type. A
// control lives inside a form (or inside a panel of that form), at a position relative to its
// parent, and is painted in the order the controls were created, later ones on top. Mouse
// positions handed to a control are relative to its own top-left corner.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "graphics/Fonts.h"
#include "graphics/Image.h"
#include "platform/Display.h"

namespace tavri::ui {

class TForm;

using platform::MouseButton;

enum class TAlign : uint8_t { alNone, alTop, alBottom, alClient };
enum class TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };

using TMouseEvent =
    std::function<void(class TControl& sender, MouseButton button, uint8_t shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(class TControl& sender, uint8_t shift, int x, int y)>;
using TNotifyEvent = std::function<void(class TControl& sender)>;

class TControl {
  public:
    // Joins the form's top-level controls, or the children of `parent` when given.
    explicit TControl(TForm& form, TControl* parent = nullptr);
    virtual ~TControl();
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;

    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool Visible = true;
    bool Enabled = true;
    TAlign Align = TAlign::alNone;

    TMouseEvent OnMouseDown, OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TNotifyEvent OnClick;

    void SetBounds(int left, int top, int width, int height);
    TRect BoundsRect() const { return TRect{Left, Top, Left + Width, Top + Height}; }
    TForm& Form() const { return form_; }
    TControl* Parent() const { return parent_; }
    const std::vector<TControl*>& Children() const { return children_; }
    // The control's top-left corner in its form's coordinates.
    void FormOrigin(int& x, int& y) const;
    // Asks the form to draw itself again before the next present.
    void Invalidate();

    // Draws the control on a canvas of exactly its size that holds what lies behind it; the
    // form then draws the children on top and puts the canvas back.
    virtual void Paint(TImage& canvas);

    // The input the form host delivers. The defaults call the matching events.
    virtual void MouseDown(MouseButton button, uint8_t shift, int x, int y);
    virtual void MouseUp(MouseButton button, uint8_t shift, int x, int y);
    virtual void MouseMove(uint8_t shift, int x, int y);
    virtual void MouseEnter() {}
    virtual void MouseLeave() {}
    virtual void Click();
    // Keys reach the focused control after the form's key preview; `key` 0 means handled.
    virtual void KeyDown(int& key, uint8_t shift);
    virtual void TextInput(const std::string& cp932);
    // The wheel turned `notches` (positive away from the reader) over the control; false passes
    // it on to the parent.
    virtual bool MouseWheel(int notches, uint8_t shift);

    // Lays out the children that have an alignment inside this control's area.
    void Realign();

  private:
    friend class TForm;
    TForm& form_;
    TControl* parent_;
    std::vector<TControl*> children_;
};

// A picture, drawn at the top-left of the control (or centred), clipped to it; an empty picture
// shows what lies behind.
class TImageControl : public TControl {
  public:
    using TControl::TControl;
    TImage Picture;
    bool Center = false;
    void SetPicture(const TImage& picture);
    void Paint(TImage& canvas) override;
};

// One line of text; a centred caption wider than the control stays centred and is cut at both
// ends.
class TLabel : public TControl {
  public:
    using TControl::TControl;
    std::string Caption;  // cp932
    TAlignment Alignment = TAlignment::taLeftJustify;
    bool Transparent = false;
    TColor Color = RGB(255, 255, 255);  // the background when not transparent
    TFont Font;
    TColor FontColor = 0;
    void SetCaption(std::string cp932);
    void Paint(TImage& canvas) override;
};

// A plain coloured area that can hold other controls and be docked to an edge of its parent.
class TPanel : public TControl {
  public:
    using TControl::TControl;
    TColor Color = RGB(192, 192, 192);
    void Paint(TImage& canvas) override;
};

enum class TShapeType : uint8_t { stRectangle, stRoundRect, stEllipse };

// A frame drawn with a pen of whole pixels, filled with a brush unless the brush is clear.
class TShape : public TControl {
  public:
    using TControl::TControl;
    TShapeType Shape = TShapeType::stRectangle;
    TColor PenColor = 0;
    int PenWidth = 1;
    bool BrushClear = false;
    TColor BrushColor = RGB(255, 255, 255);
    void Paint(TImage& canvas) override;
};

// A box its owner paints through OnPaint, in the box's own coordinates.
class TPaintBox : public TControl {
  public:
    using TControl::TControl;
    std::function<void(TPaintBox& sender, TImage& canvas)> OnPaint;
    void Paint(TImage& canvas) override;
};

}  // namespace tavri::ui
