// What the other forms ask of the main window: taking and restoring the reading position a
// bookmark keeps, starting over, jumping to an item, fast-forward and pausing the timer.

#include <exception>
#include <string>

#include "graphics/DIBTools.h"
#include "run/RunMain.h"

namespace tavri {

void RestoreCounters(CNovelCounters& counters, const CNovelCounters& initial,
                     const CNovelCounters& stored) {
    counters.Assign(initial);
    for (int32_t k = 0; k < stored.Count; ++k) {
        const TNovelCounter& record = stored.Entries[size_t(k)];
        const int index = counters.IndexOf(record.Name);
        if (index >= 0) {
            counters.Entries[size_t(index)] = record;
        }
    }
}

TReadingPosition TMainForm::TakeReadingPosition() const {
    const TPageSnapshot& snapshot = State.PageSnapshot;
    TReadingPosition position;
    const CNovelItem* item = CurrentItemOrNull();
    position.ItemName = item != nullptr ? item->Name : std::string();
    position.Cursor = snapshot.SnapshotCursor;
    position.Counters.Assign(snapshot.SnapshotCounters);
    position.Sprites.Assign(State.SnapshotSprites);
    position.BackgroundName = snapshot.SnapshotBackground;
    position.MidiName = snapshot.SnapshotMidi;
    position.BgmName = snapshot.SnapshotBgm;
    position.SoundName = snapshot.SnapshotSound;
    position.ReadingCount = State.ReadingCount;
    position.PageNumber = State.PageNumber;
    return position;
}

bool TMainForm::RestoreReadingPosition(const TReadingPosition& position) {
    const int32_t item = State.Items().IndexOf(position.ItemName);
    if (position.PageNumber >= 0 && item < 0) {
        // The scenario changed since: there is no page to go back to.
        return false;
    }
    RestoreCounters(State.Counters(), State.InitialCounters(), position.Counters);
    if (position.PageNumber < 0) {
        // Cleared: the next reading keeps the persistent counters as the ending left them.
        StartFromBeginning();
        ResetNonPersistentCounters();
        State.ReadingCount = position.ReadingCount + 1;
        return true;
    }
    State.ReadingCount = position.ReadingCount;
    State.SpriteLayer.Assign(position.Sprites);
    State.CurrentItem = item;
    State.TextCursor = position.Cursor;
    SetRunMode(RmTyping);
    const TRect whole{0, 0, kCanvasWidth, kCanvasHeight};
    DibFillBlend(State.BackgroundImage, whole, 0, 100);
    DibFillBlend(State.NextFrameImage, whole, 0, 100);
    State.LoadBackground(position.BackgroundName);
    // Quoted, so that a name with a space or a comma stays one word.
    const auto playOrStop = [](const char* play, const char* stop, const std::string& name) {
        return name.empty() ? std::string(stop) : QuotedCommand(play, name);
    };
    for (const std::string& line : {playOrStop(".MidiPlay", ".MidiStop", position.MidiName),
                                    playOrStop(".BGMPlay", ".BGMStop", position.BgmName),
                                    playOrStop(".SoundPlay", ".SoundStop", position.SoundName)}) {
        // A file that went missing since is reported, and the rest of the page still comes
        // back rather than half of it.
        try {
            RunCommandLine(line);
        } catch (const std::exception& error) {
            Application.ShowException(error);
        }
    }
    PresentPage();
    PresentScreen();
    State.PageNumber = position.PageNumber;
    return true;
}

void TMainForm::StartNewReading() {
    StartFromBeginning();
    if (State.Header().BookmarkMode != BmNoBookmarks) {
        State.Counters().Assign(State.InitialCounters());
    }
}

void TMainForm::JumpToItem(int32_t index) {
    State.CurrentItem = index;
    State.TextCursor = TTextCursor{1, 0};
    SetRunMode(RmTyping);
    PresentPage();
    PresentScreen();
}

void TMainForm::StartFastForward() {
    if (State.RunMode == RmClickWait) {
        SkipMode = true;
        SetTimerInterval(1);
    }
}

std::string TMainForm::SoundFontInUse() {
    TMidiOutput* output = MidiDrive.Output();
    return output != nullptr && output->IsOpen() ? output->SoundFont() : std::string();
}

void TMainForm::ToggleDisplayMode() {
    if (IsFullScreen()) {
        EnterWindowMode();
    } else {
        EnterFullScreen();
    }
    Application.Display().SetCursor(IsFullScreen() && State.RunMode != RmLinks
                                        ? platform::CursorKind::Hidden
                                        : platform::CursorKind::Default);
}

bool TMainForm::IsFullScreen() const {
    return Application.Display().IsFullScreen();
}

void TMainForm::PauseTimer() {
    ++TimerPauses;
    Timer.SetEnabled(false);
}

void TMainForm::ResumeTimer() {
    if (TimerPauses > 0 && --TimerPauses > 0) {
        return;
    }
    Timer.SetEnabled(true);
}

TTimerPause::TTimerPause(TMainForm& form) : form_(form) {
    form_.PauseTimer();
}

TTimerPause::~TTimerPause() {
    form_.ResumeTimer();
}

}  // namespace tavri
