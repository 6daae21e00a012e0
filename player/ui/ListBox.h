#pragma once

// A list of rows with one selected, scrolled by its own bar, the wheel and the arrow keys; its
// owner may draw the rows. A sorted list keeps its rows in the order of SortKey, rows with equal
// keys in the order they were added.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/Controls.h"
#include "ui/ScrollBar.h"

namespace tavri::ui {

// The bytes of `cp932` with ASCII letters upper-cased; a double-byte character is kept as it
// is, so its second byte is never taken for a letter. Lists sort by these keys, byte by byte.
std::string SortKey(std::string_view cp932);

class TListBox : public TControl {
  public:
    static constexpr uint32_t kDoubleClickTime = 500;  // ms, the desktop's usual
    static constexpr TColor kSelection = RGB(0, 120, 215);

    explicit TListBox(TForm& form, TControl* parent = nullptr);

    int ItemHeight = 18;
    TFont Font;
    TColor Color = RGB(255, 255, 255);
    TColor FontColor = 0;
    bool Sorted = false;
    TScrollBar VertScrollBar;

    // Draws row `index` into `rect` of `canvas`, whose background the list has filled (with
    // the selection colour for the selected row). Without it the row's text is written.
    std::function<void(TListBox& sender, TImage& canvas, int index, TRect rect, bool selected)>
        OnDrawItem;
    // The selection changed by the mouse or the keys (OnClick), or a row was double-clicked.
    std::function<void(TListBox& sender)> OnDblClick;

    const std::vector<std::string>& Items() const { return items_; }
    int Count() const { return int(items_.size()); }
    // Where the row went (sorted lists insert in order).
    int Add(std::string cp932);
    void Delete(int index);
    void Clear();
    // −1 for none. Setting it scrolls the row into view; a number outside the rows selects none.
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int index);
    int TopIndex() const { return VertScrollBar.Position(); }
    void SetTopIndex(int index) { VertScrollBar.SetPosition(index); }
    // Whole rows that fit.
    int VisibleRows() const;
    void MakeVisible(int index);
    // The row under a point of the control, or −1.
    int RowAt(int y) const;

    void Paint(TImage& canvas) override;
    void MouseDown(MouseButton button, uint8_t shift, int x, int y) override;
    void KeyDown(int& key, uint8_t shift) override;
    bool MouseWheel(int notches, uint8_t shift) override;
    // The press already told of a new selection.
    void Click() override {}

  private:
    void Layout();
    int TextWidth() const;
    void Select(int index, bool byUser);

    std::vector<std::string> items_;
    std::vector<std::string> keys_;
    int itemIndex_ = -1;
    uint32_t lastDownTime_ = 0;
    int lastDownRow_ = -1, lastDownX_ = 0, lastDownY_ = 0;
    bool hasLastDown_ = false;
};

}  // namespace tavri::ui
