#pragma once

// Makes its form translucent. The form host blends every form at its opacity, so opacity is
// always available here; the query stays for the callers that ask.

#include <atomic>
#include <cstdint>

#include "ui/Forms.h"

namespace tavri::ui {

class TTavriFormAlpha {
  public:
    explicit TTavriFormAlpha(TForm& owner);
    TTavriFormAlpha(const TTavriFormAlpha&) = delete;
    TTavriFormAlpha& operator=(const TTavriFormAlpha&) = delete;

    uint8_t Alpha() const { return alpha_.load(std::memory_order_relaxed); }
    // Safe from a timer thread: the composite reads the form's opacity when it next draws.
    void SetAlpha(uint8_t alpha);

    static bool Available() { return true; }

  private:
    TForm& owner_;
    std::atomic<uint8_t> alpha_{200};
};

}  // namespace tavri::ui
