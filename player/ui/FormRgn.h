#pragma once

// Gives a form the outline of a rounded rectangle, a rectangle or an ellipse: outside it the
// form neither shows nor takes the mouse. Every property change applies the shape at once.

#include <cstdint>

#include "ui/Forms.h"

namespace tavri::ui {

class TFormRgn {
  public:
    explicit TFormRgn(TForm& owner);
    ~TFormRgn();  // the form gets its whole rectangle back
    TFormRgn(const TFormRgn&) = delete;
    TFormRgn& operator=(const TFormRgn&) = delete;

    int32_t RgnLeft() const { return left_; }
    int32_t RgnTop() const { return top_; }
    int32_t RgnRight() const { return right_; }
    int32_t RgnBottom() const { return bottom_; }
    int32_t RgnWidth() const { return width_; }
    int32_t RgnHeight() const { return height_; }
    TRegionStyle Style() const { return style_; }
    bool Preview() const { return preview_; }
    bool Enable() const { return enable_; }

    void SetRgnLeft(int32_t v) { Set(left_, v); }
    void SetRgnTop(int32_t v) { Set(top_, v); }
    void SetRgnRight(int32_t v) { Set(right_, v); }
    void SetRgnBottom(int32_t v) { Set(bottom_, v); }
    void SetRgnWidth(int32_t v) { Set(width_, v); }
    void SetRgnHeight(int32_t v) { Set(height_, v); }
    void SetStyle(TRegionStyle v) { Set(style_, v); }
    void SetPreview(bool v) { Set(preview_, v); }
    void SetEnable(bool v) { Set(enable_, v); }

    // A running program is never in design mode; kept so that Preview keeps its meaning.
    bool Designing = false;

  private:
    template <typename T>
    void Set(T& field, T value) {
        field = value;
        Apply();
    }
    void Apply();

    TForm& owner_;
    int32_t left_ = 0, top_ = 0, right_ = 400, bottom_ = 300, width_ = 30, height_ = 30;
    TRegionStyle style_ = TRegionStyle::rsRoundRect;
    bool preview_ = false, enable_ = true;
};

}  // namespace tavri::ui
