// Command splitting over arbitrary lines: every byte of a word comes from the line, in order.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "scenario/CommandParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string line(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> words;
    tavri::SplitCommand(line, words);
    size_t total = 0;
    for (const std::string& w : words) {
        total += w.size();
    }
    if (total > size) {
        __builtin_trap();
    }
    return 0;
}
