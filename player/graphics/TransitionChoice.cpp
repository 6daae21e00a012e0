#include "graphics/TransitionChoice.h"

#include "graphics/CommandStrings.h"
#include "base/Convert.h"

namespace tavri {

namespace {

// The default effect applies to the word "0", to "DEFAULT" and to any unknown name alike.
int32_t EffectOfWord(const std::string& word, int32_t headerDefault, TTransitionChoice& choice) {
    if (word.empty()) {
        return headerDefault;
    }
    const char first = word[0];
    if (first >= '0' && first <= '9') {
        const int32_t number = StrToInt(word);
        if (number == kEffectDefault) {
            return headerDefault;
        }
        // Every number above the table is a custom mask, never folded back into the table.
        return number < kTransitionNameCount ? number : kEffectCustomMask;
    }
    if (first == '@') {
        choice.CustomMaskNamed = true;
        choice.CustomMaskName = word.substr(1);
        return kEffectCustomMask;
    }
    const int32_t found = LookupTransitionName(word);
    return found == kEffectDefault ? headerDefault : found;
}

}  // namespace

TTransitionChoice ChooseTransition(const std::string& effectWord, const std::string& parameterWord,
                                   const std::string& durationWord,
                                   const std::string& headerDefaultName,
                                   int32_t headerDefaultDuration) {
    TTransitionChoice choice;
    choice.Effect = EffectOfWord(effectWord, LookupTransitionName(headerDefaultName), choice);
    if (!parameterWord.empty()) {
        choice.Parameter = StrToInt(parameterWord);
    }
    if (choice.Parameter == 0) {
        choice.Parameter = 1;
    }
    choice.Duration = durationWord.empty() ? headerDefaultDuration : StrToInt(durationWord);
    return choice;
}

}  // namespace tavri
