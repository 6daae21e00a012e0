#include "ui/FormRgn.h"

namespace tavri::ui {

TFormRgn::TFormRgn(TForm& owner) : owner_(owner) {}

TFormRgn::~TFormRgn() {
    owner_.SetRegion(std::nullopt);
}

void TFormRgn::Apply() {
    if ((Designing && !preview_) || !enable_) {
        owner_.SetRegion(std::nullopt);
        return;
    }
    owner_.SetRegion(TWindowRegion{style_, TRect{left_, top_, right_, bottom_}, width_, height_});
}

}  // namespace tavri::ui
