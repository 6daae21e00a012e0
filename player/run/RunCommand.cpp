#include "run/RunMain.h"

namespace tavri {

void TMainForm::ParseCommandLine(const std::string&) {}
void TMainForm::ExecuteCommand() {}
void TMainForm::RunCommandLine(const std::string& line) {
    ParseCommandLine(line);
    ExecuteCommand();
}

}  // namespace tavri
