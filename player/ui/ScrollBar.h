#pragma once

// A vertical scroll bar as the desktop draws one: an arrow at each end, the track between them
// and a thumb as long as the page is against the whole. A press on an arrow steps a line, on
// the track a page, and either repeats while the button is held; the thumb follows a drag.

#include <cstdint>
#include <functional>

#include "ui/Application.h"
#include "ui/Controls.h"

namespace tavri::ui {

class TScrollBar : public TControl {
  public:
    static constexpr int kWidth = 17;         // the desktop's width of a vertical bar
    static constexpr int kMinThumb = 8;       // a thumb never gets shorter than this
    static constexpr int kRepeatDelay = 400;  // ms before a held button repeats
    static constexpr int kRepeatInterval = 50;

    explicit TScrollBar(TForm& form, TControl* parent = nullptr);

    // Position runs from Min to Max − PageSize + 1 (never below Min); setting the range or the
    // page keeps the position inside it.
    int Min() const { return min_; }
    int Max() const { return max_; }
    int PageSize() const { return page_; }
    int Position() const { return position_; }
    int LastPosition() const;
    void SetRange(int min, int max, int pageSize);
    // Clamped; OnChange is called when the position actually moves.
    void SetPosition(int position);
    // Moved by `lines` (negative: up).
    void Scroll(int lines) { SetPosition(position_ + lines); }

    std::function<void(TScrollBar& sender)> OnChange;

    // The thumb's top and height inside the track, in pixels from the bar's top.
    int ThumbTop() const;
    int ThumbHeight() const;

    void Paint(TImage& canvas) override;
    void MouseDown(MouseButton button, uint8_t shift, int x, int y) override;
    void MouseUp(MouseButton button, uint8_t shift, int x, int y) override;
    void MouseMove(uint8_t shift, int x, int y) override;
    bool MouseWheel(int notches, uint8_t shift) override;

  private:
    enum class TPart : uint8_t { None, UpArrow, DownArrow, PageUp, PageDown, Thumb };
    TPart PartAt(int y) const;
    int TrackHeight() const { return Height - 2 * ArrowHeight(); }
    int ArrowHeight() const;
    void Act(TPart part);
    void RepeatTick();

    int min_ = 0, max_ = 0, page_ = 1, position_ = 0;
    TPart pressed_ = TPart::None;
    int dragOffset_ = 0;  // pointer y − thumb top when the drag began
    int lastY_ = 0;
    TIdleTimer repeat_;
};

}  // namespace tavri::ui
