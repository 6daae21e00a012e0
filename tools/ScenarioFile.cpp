#include "ScenarioFile.h"

namespace tavri::tool {

using namespace scenario_io;

void TScenarioFile::Load(TStream& s) {
    Header.LoadFromStream(s);
    CounterTableVersion = ReadInt32(s);
    int32_t counterCount = ReadInt32(s);
    Counters.clear();
    // Every record takes at least 17 bytes, so a count the rest of the file cannot hold is
    // refused before it becomes an allocation.
    if (counterCount < 0 || counterCount > s.Remaining() / 17) {
        throw EScenarioError(EScenarioError::Damaged, "impossible counter count");
    }
    for (int32_t i = 0; i < counterCount; ++i) {
        Counters.push_back(ReadCounter(s));
    }
    int32_t itemCount = ReadInt32(s);
    Items.clear();
    if (itemCount < 0 || itemCount > s.Remaining() / 17) {
        throw EScenarioError(EScenarioError::Damaged, "impossible item count");
    }
    for (int32_t i = 0; i < itemCount; ++i) {
        TRawItem item;
        item.Name = ReadLongString(s);
        item.PositionX = ReadInt32(s);
        item.PositionY = ReadInt32(s);
        item.Text = ReadLongString(s);
        item.LinkKind = ReadByte(s);
        ReadLinks(s, item.Links);
        Items.push_back(std::move(item));
    }
}

void TScenarioFile::Save(TStream& s) const {
    Header.SaveToStream(s);
    WriteInt32(s, CounterTableVersion);
    WriteInt32(s, static_cast<int32_t>(Counters.size()));
    for (const TNovelCounter& c : Counters) {
        WriteCounter(s, c);
    }
    WriteInt32(s, static_cast<int32_t>(Items.size()));
    for (const TRawItem& item : Items) {
        WriteLongString(s, item.Name);
        WriteInt32(s, item.PositionX);
        WriteInt32(s, item.PositionY);
        WriteLongString(s, item.Text);
        WriteByte(s, item.LinkKind);
        WriteLinks(s, item.Links);
    }
}

std::vector<uint8_t> TScenarioFile::ToBytes() const {
    platform::TMemoryStream m;
    Save(m);
    return m.Bytes();
}

TScenarioFile TScenarioFile::FromBytes(const std::vector<uint8_t>& bytes) {
    platform::TMemoryStream m(bytes);
    TScenarioFile f;
    f.Load(m);
    return f;
}

}  // namespace tavri::tool
