#pragma once

// Reads a novel without a window: on the headless display, with a clock that only moves as the
// loop waits, a reader clicks through every click wait, picks the menu choices in turn, starts
// from the title and stops once the novel has come back to its title after an ending. Authors
// use it to check a novel on a machine without a display; with a folder given it keeps a
// picture of every page there.

#include <cstdint>
#include <string>

#include "platform/Clock.h"
#include "platform/Display.h"
#include "run/RunMain.h"

namespace tavri {

struct THeadlessReadResult {
    int Pages = 0;          // pictures taken (or that would have been)
    bool Finished = false;  // came back to the title after reading
};

class THeadlessReader {
  public:
    // Menus are answered in turn from choice `firstChoice` on (taken modulo the menu's size).
    THeadlessReader(platform::VirtualClock& clock, platform::HeadlessDisplay& display,
                    TMainForm& main, int firstChoice = 0);
    // Runs the application until the novel is read, the window closes, or `limitMs` of novel
    // time have passed. `shotsFolder` (native, may be empty) receives page-NNNN.bmp files.
    THeadlessReadResult Read(const std::string& shotsFolder, uint32_t limitMs = 3600000);

  private:
    void Act();
    void Shoot();

    platform::VirtualClock& clock_;
    platform::HeadlessDisplay& display_;
    TMainForm& main_;
    std::string folder_;
    THeadlessReadResult result_;
    bool started_ = false;
    int choice_ = 0;
    uint32_t waitingSince_ = 0;
    bool waiting_ = false;
};

// A 24-bit BMP of the picture (bottom-up rows, as the format stores them).
std::vector<uint8_t> BmpBytes(const TImage& picture);

}  // namespace tavri
