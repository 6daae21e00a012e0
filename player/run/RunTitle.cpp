#include "run/RunMain.h"

namespace tavri {

void TMainForm::TitleTick() {}

}  // namespace tavri
