#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ScenarioFile.h"

namespace tavri::test {

// A fresh folder below the system's temporary folder, removed with everything in it.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    // Writes a file (creating folders) and returns its full path.
    std::string Write(const std::string& relative, const std::vector<uint8_t>& bytes) const;
    std::string Write(const std::string& relative, const std::string& text) const;

  private:
    std::string path_;
};

std::vector<uint8_t> Bytes(const std::string& s);
std::string Hex(const std::string& bytes);

// A small playable scenario: two items, one counter.
tool::TScenarioFile SampleScenario();

struct RunResult {
    int status;
    std::string out;
    std::string err;
};
// Runs a program with arguments (no shell), in `workDir` when given, capturing both outputs.
RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& workDir = {});

std::string BinDir();  // where the built programs are

}  // namespace tavri::test
