// The start of a reading, and the music and sound the interpreter starts and stops.

#include <algorithm>
#include <cstdint>

#include "graphics/DIBTools.h"
#include "run/RunMain.h"

namespace tavri {

void TMainForm::StartFromBeginning() {
    ResetPageState();
    SetRunMode(RmTyping);
    PresentPage();
    // The last item of that name, so an author's later copy of a scene wins.
    State.CurrentItem = std::max(State.Items().IndexOf(State.Header().StartItemName), 0);
    State.TextCursor = {1, 0};
    for (const char* line : {".MidiStop", ".SoundStop", ".BGMStop", ".CDStop"}) {
        RunCommandLine(line);
    }
    State.CurrentBackgroundName.clear();
    State.SpriteLayer.Clear();
    DibFillBlend(State.NextFrameImage, {0, 0, kCanvasWidth, kCanvasHeight}, 0, 100);
    // The first page fades in from black.
    PrepareDefaultTransition();
    BeginTransition();
    NormalTimerInterval = State.Header().TextSpeed;
    // PresentPage above counted a page that the reader never saw.
    State.PageNumber = 0;
    State.ReadingCount = 1;
    if (State.Header().BookmarkMode == BmNoBookmarks) {
        ResetNonPersistentCounters();
    }
}

// Matched by index, not by name: the two tables come from the same scenario.
void TMainForm::ResetNonPersistentCounters() {
    const CNovelCounters& initial = State.InitialCounters();
    CNovelCounters& counters = State.Counters();
    for (int32_t k = 0; k < initial.Count; ++k) {
        const TNovelCounter& record = initial.Entries[size_t(k)];
        if (record.PersistentFlag == 0) {
            counters.Entries[size_t(k)] = record;
        }
    }
}

void TMainForm::PlayMidi(const std::string& name, bool loop) {
    MidiDrive.LoadFromMedia(State.Media, name);
    MidiDrive.Looping = loop;
    MidiDrive.Play();
}

}  // namespace tavri
