#include "scenario/NovelData.h"

#include <algorithm>

#include "ByteOrder.h"

namespace tavri {

namespace scenario_io {

namespace {
[[noreturn]] void Damaged() {
    throw EScenarioError(EScenarioError::Damaged, "the scenario data ends early or is damaged");
}
void ReadExact(TStream& s, void* buffer, size_t count) {
    if (s.Read(buffer, count) != count) {
        Damaged();
    }
}
}  // namespace

int32_t ReadInt32(TStream& s) {
    uint8_t b[4];
    ReadExact(s, b, 4);
    return LoadLE32(b);
}

uint8_t ReadByte(TStream& s) {
    uint8_t b;
    ReadExact(s, &b, 1);
    return b;
}

std::string ReadShortString(TStream& s, int capacity) {
    std::string field(static_cast<size_t>(capacity) + 1, '\0');
    ReadExact(s, field.data(), field.size());
    size_t length = std::min<size_t>(static_cast<uint8_t>(field[0]), static_cast<size_t>(capacity));
    return field.substr(1, length);
}

std::string ReadLongString(TStream& s) {
    int32_t count = ReadInt32(s);
    if (count < 0 || count > s.Remaining()) {
        Damaged();
    }
    std::string v(static_cast<size_t>(count), '\0');
    ReadExact(s, v.data(), v.size());
    return v;
}

void WriteInt32(TStream& s, int32_t v) {
    uint8_t b[4];
    StoreLE32(b, v);
    s.WriteBuffer(b, 4);
}

void WriteByte(TStream& s, uint8_t v) {
    s.WriteBuffer(&v, 1);
}

void WriteShortString(TStream& s, const std::string& v, int capacity) {
    std::string field(static_cast<size_t>(capacity) + 1, '\0');
    size_t length = std::min(v.size(), static_cast<size_t>(capacity));
    field[0] = static_cast<char>(length);
    std::copy_n(v.begin(), length, field.begin() + 1);
    s.WriteBuffer(field.data(), field.size());
}

void WriteLongString(TStream& s, const std::string& v) {
    WriteInt32(s, static_cast<int32_t>(v.size()));
    s.WriteBuffer(v.data(), v.size());
}

}  // namespace scenario_io

using namespace scenario_io;

void CNovelFileHeader::Reset() {
    Signature = "TavriNovel WorkFile";
    Version = kScenarioVersion;
    ReservedPointX = ReservedPointY = 0;
    StartItemName.clear();
    LogoImage.clear();
    TitleImage.clear();
    TitleMidi.clear();
    TitleBgm.clear();
    ReservedText.clear();
    ReservedNumber = 0;
    ReservedFlag = 0;
    NovelTitle.clear();
    LogoMidi.clear();
    LogoSound.clear();
    TextSpeed = 18;
    ReservedSpeed = 1;
    DefaultTransitionParameter = 0;
    DefaultTransitionDuration = 500;
    BookmarkMode = BmTitleAndEnding;
    ReservedMode = 0;
    FontType = 0;
    FontSize = 28;
    TextDecoration = 0;
    TextAntiAlias = 1;
    DefaultTextColor = 0xFFFFFF;
    DefaultEdgeColor = 0;
    ChoiceHighlightColor = 0x0000FF;
    ReservedColor = 0xFFFF00;
    DefaultTransitionName = "BLEND";
    CharTransitionName = "NONE";
    CharTransitionParameter = 0;
    CharTransitionDuration = 500;
    StartWindowed = 1;
    ReservedSwitch = 1;
    Only16BitColor = 0;
    SkipLeadingSilence = 1;
    SendGMReset = 0;
    SendGSReset = 0;
    SkipSetting = 2;
    ReservedOption = 0;
    ChoiceNumbering = 1;
}

namespace {

// One table drives both directions so the reader and the writer cannot drift apart.
template <typename Header, typename Io>
void VisitHeader(Header& h, Io&& io) {
    io.Short(h.Signature, 32);
    io.Int(h.Version);
    io.Int(h.ReservedPointX);
    io.Int(h.ReservedPointY);
    io.Short(h.StartItemName, 255);
    io.Short(h.LogoImage, 255);
    io.Short(h.TitleImage, 255);
    io.Short(h.TitleMidi, 255);
    io.Short(h.TitleBgm, 255);
    io.Int(h.ReservedNumber);
    io.Short(h.ReservedText, 255);
    io.Byte(h.ReservedFlag);
    if (h.Version > 1) {
        io.Short(h.NovelTitle, 255);
        io.Short(h.LogoMidi, 255);
        io.Short(h.LogoSound, 255);
        io.Int(h.TextSpeed);
        io.Int(h.ReservedSpeed);
        io.Int(h.DefaultTransitionParameter);
        io.Int(h.DefaultTransitionDuration);
        io.Byte(h.BookmarkMode);
        io.Byte(h.ReservedMode);
        io.Int(h.FontType);
        io.Int(h.FontSize);
        io.Int(h.TextDecoration);
        io.Byte(h.TextAntiAlias);
        io.Colour(h.DefaultTextColor);
        io.Colour(h.DefaultEdgeColor);
        io.Colour(h.ChoiceHighlightColor);
        io.Colour(h.ReservedColor);
    }
    if (h.Version > 3) {
        io.Short(h.DefaultTransitionName, 32);
        io.Short(h.CharTransitionName, 32);
        io.Int(h.CharTransitionParameter);
        io.Int(h.CharTransitionDuration);
        io.Byte(h.StartWindowed);
        io.Byte(h.ReservedSwitch);
        io.Byte(h.Only16BitColor);
        io.Byte(h.SkipLeadingSilence);
        io.Byte(h.SendGMReset);
        io.Byte(h.SendGSReset);
    }
    if (h.Version > 5) {
        io.Byte(h.SkipSetting);
    }
    if (h.Version > 6) {
        io.Byte(h.ReservedOption);
    }
    if (h.Version > 7) {
        io.Byte(h.ChoiceNumbering);
    }
}

struct HeaderReader {
    TStream& s;
    void Short(std::string& v, int capacity) { v = ReadShortString(s, capacity); }
    void Int(int32_t& v) { v = ReadInt32(s); }
    void Colour(uint32_t& v) { v = static_cast<uint32_t>(ReadInt32(s)); }
    void Byte(uint8_t& v) { v = ReadByte(s); }
};

struct HeaderWriter {
    TStream& s;
    void Short(const std::string& v, int capacity) { WriteShortString(s, v, capacity); }
    void Int(int32_t v) { WriteInt32(s, v); }
    void Colour(uint32_t v) { WriteInt32(s, static_cast<int32_t>(v)); }
    void Byte(uint8_t v) { WriteByte(s, v); }
};

}  // namespace

void CNovelFileHeader::LoadFromStream(TStream& s) {
    Reset();
    VisitHeader(*this, HeaderReader{s});
}

void CNovelFileHeader::SaveToStream(TStream& s) const {
    VisitHeader(*this, HeaderWriter{s});
}

TNovelCounter ReadCounter(TStream& s) {
    TNovelCounter c;
    c.Name = ReadLongString(s);
    c.Value = ReadInt32(s);
    c.Minimum = ReadInt32(s);
    c.Maximum = ReadInt32(s);
    c.PersistentFlag = ReadByte(s);
    return c;
}

void WriteCounter(TStream& s, const TNovelCounter& c) {
    WriteLongString(s, c.Name);
    WriteInt32(s, c.Value);
    WriteInt32(s, c.Minimum);
    WriteInt32(s, c.Maximum);
    WriteByte(s, c.PersistentFlag);
}

int CNovelCounters::IndexOf(const std::string& name) const {
    int found = -1;
    for (int i = 0; i < Count; ++i) {
        if (Entries[static_cast<size_t>(i)].Name == name) {
            found = i;
        }
    }
    return found;
}

void CNovelCounters::LoadFromStream(TStream& s) {
    ReadInt32(s);  // table version, not used
    int32_t count = ReadInt32(s);
    if (count > kMaxCounters) {
        throw EScenarioError(EScenarioError::TooManyCounters,
                             "the scenario has more than 256 counters");
    }
    Count = 0;
    for (int32_t i = 0; i < count; ++i) {
        Entries[static_cast<size_t>(i)] = ReadCounter(s);
        Count = i + 1;
    }
}

void CNovelCounters::SaveToStream(TStream& s) const {
    WriteInt32(s, 2);
    WriteInt32(s, Count);
    for (int i = 0; i < Count; ++i) {
        WriteCounter(s, Entries[static_cast<size_t>(i)]);
    }
}

void CNovelCounters::Assign(const CNovelCounters& other) {
    Count = other.Count;
    for (int i = 0; i < Count; ++i) {
        Entries[static_cast<size_t>(i)] = other.Entries[static_cast<size_t>(i)];
    }
}

CNovelItem::CNovelItem() {
    Links[0].Enabled = true;
}

std::vector<std::string> SplitItemText(const std::string& text) {
    std::vector<std::string> lines;
    size_t end = text.find('\0');
    if (end == std::string::npos) {
        end = text.size();
    }
    size_t start = 0;
    size_t p = 0;
    while (p < end) {
        char c = text[p];
        if (c == '\r' || c == '\n') {
            lines.push_back(text.substr(start, p - start));
            p += (c == '\r' && p + 1 < end && text[p + 1] == '\n') ? 2 : 1;
            start = p;
        } else {
            ++p;
        }
    }
    if (start < end) {
        lines.push_back(text.substr(start, end - start));
    }
    if (!lines.empty() && !lines.back().empty()) {
        lines.emplace_back();
    }
    return lines;
}

void ReadLinks(TStream& s, std::array<TNovelLink, kLinkCount>& links) {
    for (TNovelLink& link : links) {
        link.Enabled = ReadByte(s) != 0;
        link.Caption = ReadLongString(s);
        link.Target = ReadLongString(s);
        link.Conditional = ReadByte(s) != 0;
        link.CounterName = ReadLongString(s);
        link.Threshold = ReadInt32(s);
    }
}

void WriteLinks(TStream& s, const std::array<TNovelLink, kLinkCount>& links) {
    for (const TNovelLink& link : links) {
        WriteByte(s, link.Enabled ? 1 : 0);
        WriteLongString(s, link.Caption);
        WriteLongString(s, link.Target);
        WriteByte(s, link.Conditional ? 1 : 0);
        WriteLongString(s, link.CounterName);
        WriteInt32(s, link.Threshold);
    }
}

CNovelItem& CNovelItems::Add() {
    List.push_back(std::make_unique<CNovelItem>());
    Count = static_cast<int32_t>(List.size());
    return *List.back();
}

void CNovelItems::Clear() {
    List.clear();
    Count = 0;
}

int CNovelItems::IndexOf(const std::string& name) const {
    int found = -1;
    for (int i = 0; i < Count; ++i) {
        if (List[static_cast<size_t>(i)]->Name == name) {
            found = i;
        }
    }
    return found;
}

void CNovelItems::LoadFromStream(TStream& s) {
    int32_t count = ReadInt32(s);
    Clear();
    if (count > kMaxItems) {
        throw EScenarioError(EScenarioError::TooManyItems, "the scenario has more than 2048 items");
    }
    for (int32_t i = 0; i < count; ++i) {
        CNovelItem& item = Add();
        item.Name = ReadLongString(s);
        item.PositionX = ReadInt32(s);
        item.PositionY = ReadInt32(s);
        item.Lines = SplitItemText(ReadLongString(s));
        item.LinkKind = ReadByte(s);
        ReadLinks(s, item.Links);
    }
}

}  // namespace tavri
