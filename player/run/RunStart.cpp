#include "run/RunMain.h"

namespace tavri {

void TMainForm::StartFromBeginning() {}
void TMainForm::ResetNonPersistentCounters() {}
void TMainForm::PlayMidi(const std::string&, bool) {}
void TMainForm::PlaySoundTrack(const std::string&, const std::string&, int32_t) {}
void TMainForm::FadeOutSoundTrack(const std::string&) {}

}  // namespace tavri
