#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tavri::platform {

enum class MsgIcon { None, Error, Warning, Information, Question };
enum class MsgButtons { Ok, OkCancel, YesNo };
// Results as the original platform numbers them.
enum MsgResult : int { IdOk = 1, IdCancel = 2, IdYes = 6, IdNo = 7 };

class IMessageBoxService {
  public:
    virtual ~IMessageBoxService() = default;
    // text and caption are cp932; lines are joined with CR LF.
    virtual int Show(std::string_view text, std::string_view caption, MsgIcon icon,
                     MsgButtons buttons) = 0;
};

// A real box when a display is there; otherwise "caption: text" in UTF-8 on stderr, answering
// OK (or the first button).
std::unique_ptr<IMessageBoxService> CreateSdlMessageBoxService();

// What the real box falls back on when the system cannot show it (no core fonts on X, no helper
// on Wayland), given the same words (cp932); without one the words stay on stderr only.
using TMessageBoxFallback =
    std::function<int(std::string_view text, std::string_view caption, MsgIcon, MsgButtons)>;
void SetMessageBoxFallback(TMessageBoxFallback fallback);

// Records every box (exact cp932 bytes) and answers from a script, then with the first button.
class RecordingMessageBoxService final : public IMessageBoxService {
  public:
    struct Record {
        std::string text;
        std::string caption;
        MsgIcon icon;
        MsgButtons buttons;
    };
    int Show(std::string_view text, std::string_view caption, MsgIcon icon,
             MsgButtons buttons) override;
    std::vector<Record> records;
    std::vector<int> answers;  // consumed front first
};

}  // namespace tavri::platform
