// The scenario loaders over arbitrary bytes, both plain and as a scrambled package entry; they
// may refuse the input but never read outside it.
#include <cstddef>
#include <cstdint>

#include "Crypt.h"
#include "ScenarioFile.h"
#include "scenario/NovelData.h"

namespace {
void LoadPlayerModel(tavri::platform::TStream& s) {
    using namespace tavri;
    try {
        CNovelFileHeader header;
        CNovelCounters counters;
        CNovelItems items;
        header.LoadFromStream(s);
        counters.LoadFromStream(s);
        items.LoadFromStream(s);
    } catch (const EScenarioError&) {
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tavri;
    std::vector<uint8_t> bytes(data, data + size);
    platform::TMemoryStream plain(bytes);
    LoadPlayerModel(plain);
    plain.Seek(0, platform::SeekOrigin::Begin);
    auto descrambled = Descramble(plain);
    descrambled->Seek(0, platform::SeekOrigin::Begin);
    LoadPlayerModel(*descrambled);
    try {
        tool::TScenarioFile file = tool::TScenarioFile::FromBytes(bytes);
        // What the tool reads it must write back unchanged.
        if (file.ToBytes().size() > bytes.size()) {
            __builtin_trap();
        }
    } catch (const EScenarioError&) {
    }
    return 0;
}
