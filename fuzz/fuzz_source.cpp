// The scenario source compiler over arbitrary text: it compiles or says why, and what it
// compiles decompiles and compiles to the same file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ScenarioSource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tavri::tool;
    std::string text(reinterpret_cast<const char*>(data), size);
    try {
        TScenarioFile file = CompileSource(text, "fuzz.txt");
        TScenarioFile again = CompileSource(DecompileToSource(file), "again.txt");
        if (again.ToBytes() != file.ToBytes()) {
            __builtin_trap();
        }
    } catch (const ESourceError&) {
    }
    return 0;
}
