#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavri {

// Splits a dot-command line into words: blanks and commas separate, double quotes group, and
// double-byte characters are units (a trail byte 0x2C or 0x22 is never a separator or quote).
void SplitCommand(std::string_view line, std::vector<std::string>& words);

}  // namespace tavri
