#include "graphics/CommandStrings.h"

#include "platform/TextEncoding.h"

namespace tavri {

const std::array<TTransitionName, kTransitionNameCount>& TransitionNames() {
    using platform::Cp932;
    // "R-SUTTER" is spelled as scenarios have always written it.
    static const std::array<TTransitionName, kTransitionNameCount> names = {{
        {"DEFAULT", Cp932("標準のフェード効果")},
        {"NONE", Cp932("効果なし")},
        {"BLIND", Cp932("ブラインド")},
        {"SHUTTER", Cp932("シャッター")},
        {"BLEND", Cp932("ブレンド")},
        {"PUZZLE", Cp932("パズル")},
        {"R-SUTTER", Cp932("回転シャッター")},
        {"CAMERA", Cp932("カメラ")},
        {"WIND", Cp932("風")},
        {"CROSSLINE", Cp932("クロスライン")},
    }};
    return names;
}

int32_t LookupTransitionName(std::string_view word) {
    const std::string upper = platform::AnsiUpperCase(word);
    const auto& names = TransitionNames();
    for (int32_t i = 0; i < kTransitionNameCount; ++i) {
        if (names[size_t(i)].Name == upper) {
            return i;
        }
    }
    return kEffectDefault;
}

}  // namespace tavri
