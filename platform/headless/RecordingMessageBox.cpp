#include "platform/MessageBox.h"

namespace tavri::platform {

int RecordingMessageBoxService::Show(std::string_view text, std::string_view caption, MsgIcon icon,
                                     MsgButtons buttons) {
    records.push_back({std::string(text), std::string(caption), icon, buttons});
    if (!answers.empty()) {
        int answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
    return buttons == MsgButtons::YesNo ? IdYes : IdOk;
}

}  // namespace tavri::platform
