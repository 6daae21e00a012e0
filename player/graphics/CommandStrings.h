#pragma once

// The transition effects a scenario can name: the word is looked up here and its index is the
// effect number the transition driver works with.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tavri {

// Effect numbers. 0 stands for "the scenario's default"; numbers above 9 and "@name" words all
// mean a custom mask file.
constexpr int32_t kEffectDefault = 0;
constexpr int32_t kEffectNone = 1;
constexpr int32_t kEffectBlind = 2;
constexpr int32_t kEffectShutter = 3;
constexpr int32_t kEffectBlend = 4;
constexpr int32_t kEffectPuzzle = 5;
constexpr int32_t kEffectRotatingShutter = 6;
constexpr int32_t kEffectCamera = 7;
constexpr int32_t kEffectWind = 8;
constexpr int32_t kEffectCrossLine = 9;
constexpr int32_t kEffectCustomMask = 255;

constexpr int kTransitionNameCount = 10;

struct TTransitionName {
    std::string_view Name;  // ASCII, upper case
    std::string Label;      // cp932; carried with the table, never shown
};

// Index = effect number.
const std::array<TTransitionName, kTransitionNameCount>& TransitionNames();

// The index of the first name equal to the upper-cased word, or 0 (the default effect) when none
// is.
int32_t LookupTransitionName(std::string_view word);

}  // namespace tavri
