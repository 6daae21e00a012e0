#include "scenario/CommandParser.h"

#include "platform/TextEncoding.h"

namespace tavri {

void SplitCommand(std::string_view line, std::vector<std::string>& words) {
    if (line.empty()) {
        return;
    }
    words.clear();
    std::string word;
    size_t p = 0;
    auto takeChar = [&] {
        size_t n = platform::CharLength(line, p);
        word.append(line.substr(p, n));
        p += n;
    };
    while (p < line.size()) {
        if (platform::CharLength(line, p) == 2) {
            takeChar();
            continue;
        }
        char c = line[p];
        if (c == ' ' || c == '\t' || c == ',') {
            ++p;
            while (p < line.size() && line[p] == ' ') {
                ++p;
            }
            words.push_back(std::move(word));
            word.clear();
        } else if (c == '"') {
            ++p;
            if (p >= line.size()) {
                // An opening quote as the last byte drops the word being built.
                return;
            }
            while (p < line.size() && line[p] != '"') {
                takeChar();
            }
            if (p < line.size()) {
                ++p;
            }
        } else {
            word += c;
            ++p;
        }
    }
    words.push_back(std::move(word));
}

}  // namespace tavri
