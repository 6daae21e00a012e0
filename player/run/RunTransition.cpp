#include "run/RunMain.h"

namespace tavri {

void TMainForm::PrepareTransition(const std::string&, const std::string&, const std::string&) {}
void TMainForm::PrepareDefaultTransition() {}
void TMainForm::BeginTransition() {}
void TMainForm::TransitionTick() {}
void TMainForm::SkipTransition() {}

}  // namespace tavri
