#include "ui/TavriFormAlpha.h"

namespace tavri::ui {

TTavriFormAlpha::TTavriFormAlpha(TForm& owner) : owner_(owner) {
    if (Available()) {
        owner_.SetAlpha(Alpha());
    }
}

void TTavriFormAlpha::SetAlpha(uint8_t alpha) {
    alpha_.store(alpha, std::memory_order_relaxed);
    if (Available()) {
        owner_.SetAlpha(alpha);
    }
}

}  // namespace tavri::ui
