#pragma once

// The readable scenario source (docs/scenario-source.md): what `tavri-tool compile` reads and
// `tavri-tool decompile` writes. Decompiling any loadable file and compiling the result gives
// the same file, byte for byte.

#include <stdexcept>
#include <string>
#include <string_view>

#include "ScenarioFile.h"

namespace tavri::tool {

// what() is "FILE:LINE: message", the form editors and build logs can jump to.
class ESourceError : public std::runtime_error {
  public:
    ESourceError(const std::string& file, int line, const std::string& message);
    std::string file;
    int line;
};

TScenarioFile CompileSource(std::string_view utf8Source, const std::string& fileName);
std::string DecompileToSource(const TScenarioFile& file);

}  // namespace tavri::tool
