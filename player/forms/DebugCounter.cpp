#include "forms/DebugCounter.h"

#include <algorithm>

#include "forms/FormPictures.h"
#include "graphics/Canvas.h"
#include "graphics/CanvasText.h"
#include "platform/TextEncoding.h"

namespace tavri {

using platform::Cp932;

TCounterRowTexts CounterRowTexts(const TNovelCounter& counter) {
    return {counter.Name, std::to_string(counter.Value),
            std::to_string(counter.Minimum) + Cp932("～") + std::to_string(counter.Maximum)};
}

namespace {

// `text` written at the top-left of the rectangle and cut at its edges.
void WriteClipped(TImage& canvas, TRect rect, const std::string& text, const TFont& font,
                  TColor colour, TColor background) {
    if (rect.Right <= rect.Left || rect.Bottom <= rect.Top) {
        return;
    }
    TImage cell(rect.Right - rect.Left, rect.Bottom - rect.Top);
    FillRect(cell, TRect{0, 0, cell.Width(), cell.Height()}, background);
    CanvasTextOut(cell, 0, 0, text, font, colour, std::nullopt, TGlyphRendering::Grey);
    DrawImage(canvas, rect.Left, rect.Top, cell);
}

void PlaceLabel(ui::TLabel& label, int left, int top, std::string_view utf8, const TFont& font) {
    label.Font = font;
    label.Transparent = true;
    label.SetCaption(Cp932(utf8));
    const TSize extent = TextExtent(font, label.Caption);
    label.SetBounds(left, top, extent.Width + 2, extent.Height);
}

}  // namespace

TDebugCounterForm::TDebugCounterForm(ui::TApplication& application, TRunCommon& state)
    : TDialogForm(application),
      Label1(*this, &Client),
      Panel1(*this, &Client),
      Header(*this, &Panel1),
      List(*this, &Panel1),
      Label2(*this, &Client),
      ValueEdit(*this, &Client),
      ValueUpDown(*this, &Client),
      Button1(*this, &Client),
      Bevel1(*this, &Client),
      Button2(*this, &Client),
      state_(state) {
    Caption = Cp932("デバッグモード: カウンタ操作");
    Font = FormFont("ＭＳ Ｐゴシック", 12);
    SetClientSize(337, 330);

    PlaceLabel(Label1, 8, 4, "カウンタリスト:", Font);
    // A single dark line round the header and the list.
    Panel1.SetBounds(4, 20, 329, 277);
    Panel1.Color = RGB(130, 135, 144);
    Header.SetBounds(1, 1, 325, 17);
    Header.Font = Font;
    Header.Sections = {{Cp932("カウンタ名"), 180, 100, false},
                       {Cp932("現在値"), 50, 50, false},
                       {Cp932("範囲"), 80, 80, true}};
    Header.OnSectionResize = [this](ui::THeaderControl&, int) { List.Invalidate(); };
    List.SetBounds(1, 18, 327, 258);
    List.Font = Font;
    List.ItemHeight = 18;
    List.OnDrawItem = [this](ui::TListBox&, TImage& canvas, int index, TRect rect, bool selected) {
        DrawRow(canvas, index, rect, selected);
    };
    List.OnClick = [this](ui::TControl&) { ListClick(); };

    PlaceLabel(Label2, 20, 308, "値の変更:", Font);
    ValueEdit.SetBounds(76, 304, 41, 20);
    ValueEdit.Font = Font;
    ValueUpDown.SetBounds(117, 304, 15, 20);
    ValueUpDown.SetRange(0, 0);
    ValueUpDown.Associate(&ValueEdit);
    ValueEdit.SetText("0");
    Button1.SetBounds(140, 304, 61, 21);
    Button1.Caption = Cp932("変更");
    Button1.Font = Font;
    Button1.OnClick = [this](ui::TControl&) { ApplyPressed(); };
    Bevel1.SetBounds(228 + 8, 304, 2, 21);
    Bevel1.PenColor = RGB(160, 160, 160);
    Bevel1.BrushColor = RGB(255, 255, 255);
    Button2.SetBounds(256, 304, 75, 21);
    Button2.Caption = Cp932("閉じる");
    Button2.Font = Font;
    Button2.Default = true;
    Button2.ModalResult = ui::mrOk;
    DefaultButton = &Button2;
    CloseBoxResult = ui::mrOk;

    OnShow = [this](ui::TForm&) { FormShow(); };
}

void TDebugCounterForm::RefreshCounterRows() {
    const int wanted = std::max(0, state_.Counters().Count);
    while (List.Count() < wanted) {
        List.Add(std::string());
    }
    while (List.Count() > wanted) {
        List.Delete(0);
    }
    List.Invalidate();
}

void TDebugCounterForm::FormShow() {
    CentreOnPicture();
    RefreshCounterRows();
    List.SetItemIndex(0);
    FocusedControl = &List;
    ListClick();
}

void TDebugCounterForm::ListClick() {
    const int index = List.ItemIndex();
    CNovelCounters& counters = state_.Counters();
    if (index < 0 || index >= counters.Count) {
        return;
    }
    const TNovelCounter& counter = counters.Entries[size_t(index)];
    // The limits first, so that the value is held to this counter's range, not the last one's.
    ValueUpDown.SetRange(counter.Minimum, counter.Maximum);
    ValueUpDown.SetPosition(counter.Value);
}

void TDebugCounterForm::ApplyPressed() {
    const int index = List.ItemIndex();
    CNovelCounters& counters = state_.Counters();
    if (index < 0 || index >= counters.Count) {
        return;
    }
    ValueUpDown.ReadEdit();
    counters.Entries[size_t(index)].Value = ValueUpDown.Position();
    RefreshCounterRows();
}

void TDebugCounterForm::DrawRow(TImage& canvas, int index, TRect rect, bool selected) {
    const CNovelCounters& counters = state_.Counters();
    if (index < 0 || index >= counters.Count) {
        return;
    }
    const TCounterRowTexts texts = CounterRowTexts(counters.Entries[size_t(index)]);
    const TColor colour = selected ? RGB(255, 255, 255) : 0;
    const TColor background = selected ? ui::TListBox::kSelection : List.Color;
    const int h = TextExtent(List.Font, Cp932("あ")).Height;
    const auto& sections = Header.Sections;
    const int top = rect.Top + 2;
    TFont bold = List.Font;
    bold.Bold = true;

    const int l0 = Header.SectionLeft(0) + rect.Left, w0 = sections[0].Width;
    WriteClipped(canvas, TRect{l0 + 4, top, l0 + w0, top + h}, texts.Name, List.Font, colour,
                 background);
    const int l1 = Header.SectionLeft(1) + rect.Left, w1 = sections[1].Width;
    const int w = TextExtent(bold, texts.Value).Width;
    WriteClipped(canvas, TRect{l1 + w1 - w - 4, top, l1 + w1 - 4, top + h}, texts.Value, bold,
                 colour, background);
    const int l2 = Header.SectionLeft(2) + rect.Left, w2 = sections[2].Width;
    WriteClipped(canvas, TRect{l2 + 8, top, std::min(l2 + w2, rect.Right), top + h}, texts.Range,
                 bold, colour, background);
}

}  // namespace tavri
