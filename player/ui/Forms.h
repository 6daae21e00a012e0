#pragma once

// The player's small windows (dialogs, menus, the bookmark screen) live inside the main
// window's 640 × 480 picture: the form host keeps them in z-order, hands them the input that
// falls on them, and composites each over the picture, clipped to its window region and blended
// at its opacity. So they look the same in a window, full screen and headless.

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "graphics/Fonts.h"
#include "graphics/Image.h"
#include "platform/Display.h"
#include "ui/Controls.h"

namespace tavri::ui {

class TApplication;

// Modal results as the original platform numbers them.
enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2 };

enum class TRegionStyle : uint8_t { rsRect, rsRoundRect, rsEllipse };

// A window region in the form's own pixels: a pixel belongs to it when its centre lies inside
// the shape (the rounded rectangle's corners are ellipses of EllipseWidth × EllipseHeight,
// square below 2; the ellipse is the one inscribed in the rectangle).
struct TWindowRegion {
    TRegionStyle Style = TRegionStyle::rsRect;
    TRect Bounds;
    int EllipseWidth = 0, EllipseHeight = 0;
    bool Contains(int x, int y) const;
    bool operator==(const TWindowRegion&) const = default;
};

class TForm {
  public:
    explicit TForm(TApplication& application);
    virtual ~TForm();
    TForm(const TForm&) = delete;
    TForm& operator=(const TForm&) = delete;

    std::string Caption;  // cp932
    int Left = 0, Top = 0;
    int ClientWidth = 0, ClientHeight = 0;
    TColor Color = RGB(255, 255, 255);
    TFont Font;
    bool KeyPreview = false;
    // A strip that belongs to the main window (the debug panel) takes clicks but never the
    // focus, so keys keep going to the main window.
    bool CanActivate = true;
    // A disabled form is still shown but takes no input: what falls on it goes nowhere.
    bool Enabled = true;
    int ModalResult = mrNone;
    TControl* FocusedControl = nullptr;

    std::function<void(TForm&)> OnActivate, OnDeactivate, OnShow, OnHide;
    std::function<void(TForm&, int& key, uint8_t shift)> OnKeyDown;

    TApplication& Application() const { return application_; }
    bool Visible() const { return visible_; }
    bool Active() const;
    TRect BoundsRect() const { return TRect{Left, Top, Left + ClientWidth, Top + ClientHeight}; }

    void Show();
    void Hide();
    // Shows the form above the others and runs the application's loop until ModalResult is set
    // (or the application ends, which gives mrCancel); then hides it and returns the result.
    int ShowModal();
    // Ends a modal show with mrCancel, or hides a modeless form.
    void Close();
    // Places the form's centre on the centre of the picture.
    void CentreOnPicture();

    // The window region; none means the whole rectangle.
    void SetRegion(std::optional<TWindowRegion> region);
    const std::optional<TWindowRegion>& Region() const { return region_; }
    bool RegionContains(int x, int y) const;
    // Opacity 0..255. Readable and settable from any thread (opening and closing fades run on
    // a timer thread); the composite reads it when it draws.
    void SetAlpha(uint8_t alpha);
    uint8_t Alpha() const { return alpha_.load(std::memory_order_relaxed); }

    // Called from a mouse-down handler while the left button is held: the form follows the
    // pointer until the left button goes up, always kept inside the picture.
    void BeginDrag();

    // Controls this form holds directly, in paint order.
    const std::vector<TControl*>& Controls() const { return controls_; }
    // The deepest visible, enabled control under the point (form coordinates), or null.
    TControl* ControlAt(int x, int y, int& localX, int& localY) const;
    // Lays out the controls that have an alignment.
    void Realign();

    void Invalidate();
    // The form as it looks now (ClientWidth × ClientHeight), drawn again when invalidated.
    const TImage& Surface();

    // Input the host delivers (form coordinates); the defaults call the events.
    virtual void KeyDown(int& key, uint8_t shift);
    virtual void DoActivate();
    virtual void DoDeactivate();

  protected:
    // Fills the background; forms with more to draw override it and call it first.
    virtual void PaintForm(TImage& surface);

  private:
    friend class TControl;
    friend class TFormHost;
    void PaintControl(TControl& control, TImage& canvas, int x, int y);
    void RebuildRegionMask();

    TApplication& application_;
    std::vector<TControl*> controls_;
    bool visible_ = false;
    bool dirty_ = true;
    std::atomic<uint8_t> alpha_{255};
    std::optional<TWindowRegion> region_;
    std::vector<uint8_t> regionMask_;  // one byte per pixel of the client area
    int maskWidth_ = 0, maskHeight_ = 0;
    TImage surface_;
};

// Keeps the shown forms in z-order, routes input to them and composites them.
class TFormHost {
  public:
    explicit TFormHost(TApplication& application) : application_(application) {}

    // Back to front.
    const std::vector<TForm*>& ZOrder() const { return zOrder_; }
    TForm* ActiveForm() const { return active_; }
    TForm* ModalForm() const { return modal_.empty() ? nullptr : modal_.back(); }
    bool Dragging() const { return drag_.form != nullptr; }

    // The picture with every shown form over it.
    void Composite(const TImage& picture, TImage& out);

    // True when the event was for a form (or swallowed because a modal form is up); the rest
    // belongs to the main window.
    bool Dispatch(const platform::TInputEvent& event);
    // The application gained or lost input focus.
    void ApplicationActivated(bool active);

  private:
    friend class TForm;
    friend class TControl;
    void FormShown(TForm& form);
    void FormHidden(TForm& form);
    void FormDestroyed(TForm& form);
    void BeginModal(TForm& form) { modal_.push_back(&form); }
    void EndModal(TForm& form);
    void Activate(TForm* form);
    void BeginDrag(TForm& form);
    TForm* FormAt(int x, int y) const;
    bool Reachable(const TForm* form) const;
    void SetHover(TControl* control);
    void ControlDestroyed(TControl& control);
    bool MouseDown(const platform::TInputEvent& event);
    bool MouseMove(const platform::TInputEvent& event);
    bool MouseUp(const platform::TInputEvent& event);
    bool MouseWheel(const platform::TInputEvent& event);
    bool KeyEvent(const platform::TInputEvent& event);

    TApplication& application_;
    std::vector<TForm*> zOrder_;
    std::vector<TForm*> modal_;
    TForm* active_ = nullptr;
    TControl* capture_ = nullptr;
    TControl* hover_ = nullptr;
    struct {
        TForm* form = nullptr;
        int pointerX = 0, pointerY = 0, left = 0, top = 0;
    } drag_;
    int lastX_ = 0, lastY_ = 0;
    uint8_t lastShift_ = 0;
};

}  // namespace tavri::ui
