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

// The program's exit status when the reader did not reach an ending.
inline constexpr int kUnfinishedReadingStatus = 2;

struct THeadlessReadResult {
    int Pages = 0;          // pictures taken (or that would have been)
    int Endings = 0;        // readings that came back to the title
    bool Finished = false;  // a reading began at the title and came back to it
    // Without Finished: where and why the reader stopped (UTF-8, one line).
    std::string StoppedAt;
};

// What the reader answers in place of the bookmark screen, which it does not page through: at
// the title it starts a new reading, as the screen's start-over would; at an ending it places
// no bookmark.
class THeadlessAnswers : public IMainWindowServices {
  public:
    explicit THeadlessAnswers(TMainForm& main) : main_(main) {}
    void ShowBookmarkScreen(const std::string& caption, bool markMode) override;

  private:
    TMainForm& main_;
};

class THeadlessReader {
  public:
    // Menus are answered in turn from choice `firstChoice` on (taken modulo the menu's size).
    THeadlessReader(platform::VirtualClock& clock, platform::HeadlessDisplay& display,
                    TMainForm& main, int firstChoice = 0);
    // Runs the application until the novel is read, the window closes, `limitMs` of novel time
    // have passed, or nothing has happened for `stallMs` of it (no page, no click taken).
    // `shotsFolder` (native, may be empty) receives page-NNNN.bmp files.
    THeadlessReadResult Read(const std::string& shotsFolder, uint32_t limitMs = 3600000,
                             uint32_t stallMs = 600000);
    // To be connected to the main window in place of the forms' services while reading.
    IMainWindowServices& Answers() { return answers_; }

  private:
    void Act();
    void Shoot();
    void Progressed();
    std::string ItemText(int32_t index) const;
    std::string WhereItStands() const;

    platform::VirtualClock& clock_;
    platform::HeadlessDisplay& display_;
    TMainForm& main_;
    THeadlessAnswers answers_;
    std::string folder_;
    THeadlessReadResult result_;
    bool clickedTitle_ = false;  // the title was clicked to start a reading
    bool readingBegan_ = false;  // and the reading left the title
    int32_t lastItem_ = -1;      // the last item read
    uint32_t lastProgress_ = 0;
    int choice_ = 0;
    uint32_t waitingSince_ = 0;
    bool waiting_ = false;
};

// The line the program prints when the reader is done: pages and endings read, or where the
// reader stopped.
std::string HeadlessReadSummary(const THeadlessReadResult& result);

}  // namespace tavri
