#pragma once

// Turns the words of a transition command (each may be empty: not given) into the effect to run,
// its parameter and its duration. Kept apart from the main window so that the rules can be
// checked without a screen.

#include <cstdint>
#include <string>

namespace tavri {

struct TTransitionChoice {
    // 0–9 from the name table (0: the scenario's default resolved to nothing, which runs the
    // custom mask), or 255 for a custom mask ("@name" or any number above 9).
    int32_t Effect = 0;
    // Set only by an "@name" word. The window keeps the last name it was given, so without one a
    // custom-mask effect reuses the previous file.
    bool CustomMaskNamed = false;
    std::string CustomMaskName;  // cp932, without the "@"
    // The preset's variant, or the soft-edge width of a custom mask. Never 0 (0 means 1, a hard
    // edge); a negative value is kept.
    int32_t Parameter = 1;
    int32_t Duration = 0;  // ms
};

// Words that should be decimal numbers and are not raise EConvertError; nothing is chosen then.
TTransitionChoice ChooseTransition(const std::string& effectWord, const std::string& parameterWord,
                                   const std::string& durationWord,
                                   const std::string& headerDefaultName,
                                   int32_t headerDefaultDuration);

}  // namespace tavri
