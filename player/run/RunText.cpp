#include "run/RunMain.h"

namespace tavri {

void TMainForm::TypeCharacters(int) {}
void TMainForm::WaitForClick() {}
void TMainForm::FollowLinks() {}
void TMainForm::DrawClickMark(TImage&, int, int, int) {}

}  // namespace tavri
