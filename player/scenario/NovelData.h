#pragma once

// The compiled scenario (".qke"): header, counter table and items, read field by field.

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Stream.h"

namespace tavri {

using platform::TStream;

constexpr int kMaxItems = 2048;
constexpr int kMaxCounters = 256;
constexpr int kLinkCount = 8;
constexpr int32_t kScenarioVersion = 8;

// The file cannot be loaded: it ends early, or a count or length cannot be right. `Kind` picks
// the start-up message.
class EScenarioError : public std::runtime_error {
  public:
    enum Kind { Damaged, TooManyItems, TooManyCounters };
    EScenarioError(Kind kind, const std::string& what) : std::runtime_error(what), kind(kind) {}
    Kind kind;
};

// Field readers and writers of the file's conventions. Short strings take capacity + 1 bytes;
// a length byte above the capacity is taken as the capacity. Long strings whose count is
// negative or larger than what is left raise EScenarioError(Damaged).
namespace scenario_io {
int32_t ReadInt32(TStream& s);
uint8_t ReadByte(TStream& s);
std::string ReadShortString(TStream& s, int capacity);
std::string ReadLongString(TStream& s);
void WriteInt32(TStream& s, int32_t v);
void WriteByte(TStream& s, uint8_t v);
// Longer values are cut at the capacity; the filler is zero bytes.
void WriteShortString(TStream& s, const std::string& v, int capacity);
void WriteLongString(TStream& s, const std::string& v);
}  // namespace scenario_io

// The header's BookmarkMode. Values above 2 count as bookmarks in use, like 1.
enum TBookmarkMode : uint8_t {
    BmNoBookmarks = 0,     // the novel keeps no bookmarks
    BmMenuOnly = 1,        // bookmarks through the system menu only
    BmTitleAndEnding = 2,  // also offered at the title and at an ending (the default)
};

class CNovelFileHeader {
  public:
    CNovelFileHeader() { Reset(); }
    void Reset();
    void LoadFromStream(TStream& s);
    // Writes the blocks that `Version` stores, mirroring LoadFromStream.
    void SaveToStream(TStream& s) const;

    std::string Signature;
    int32_t Version;
    int32_t ReservedPointX, ReservedPointY;
    std::string StartItemName, LogoImage, TitleImage, TitleMidi, TitleBgm;
    std::string ReservedText;
    int32_t ReservedNumber;
    uint8_t ReservedFlag;
    std::string NovelTitle, LogoMidi, LogoSound;
    int32_t TextSpeed, ReservedSpeed, DefaultTransitionParameter, DefaultTransitionDuration;
    uint8_t BookmarkMode, ReservedMode;
    int32_t FontType, FontSize, TextDecoration;
    uint8_t TextAntiAlias;
    uint32_t DefaultTextColor, DefaultEdgeColor, ChoiceHighlightColor, ReservedColor;
    std::string DefaultTransitionName, CharTransitionName;
    int32_t CharTransitionParameter, CharTransitionDuration;
    uint8_t StartWindowed, ReservedSwitch, Only16BitColor, SkipLeadingSilence, SendGMReset,
        SendGSReset;
    uint8_t SkipSetting, ReservedOption, ChoiceNumbering;
};

struct TNovelCounter {
    std::string Name;
    int32_t Value = 0, Minimum = 0, Maximum = 0;
    uint8_t PersistentFlag = 0;
};

class CNovelCounters {
  public:
    void Clear() { Count = 0; }
    int IndexOf(const std::string& name) const;
    // A negative count loads as 0; more than kMaxCounters is refused before anything is stored.
    void LoadFromStream(TStream& s);
    void SaveToStream(TStream& s) const;
    void Assign(const CNovelCounters& other);

    int32_t Count = 0;
    std::array<TNovelCounter, kMaxCounters> Entries;
};

struct TNovelLink {
    bool Enabled = false;
    std::string Caption, Target;
    bool Conditional = false;
    std::string CounterName;
    int32_t Threshold = 1;
};

enum TLinkKind : uint8_t { LinkMenu = 0, LinkAuto = 1, LinkEnding = 2 };

class CNovelItem {
  public:
    CNovelItem();
    std::string Name = "NewItem";
    int32_t PositionX = 0, PositionY = 0;
    std::vector<std::string> Lines;
    uint8_t LinkKind = LinkMenu;
    std::array<TNovelLink, kLinkCount> Links;
};

// Splits an item's text at CR LF, CR or LF, stopping at a zero byte; a final break makes no
// empty last line. Then a non-empty last line gets one empty line after it.
std::vector<std::string> SplitItemText(const std::string& text);

class CNovelItems {
  public:
    CNovelItem& Add();
    void Clear();
    int IndexOf(const std::string& name) const;
    // The item at `index`, or null outside the items (an index from a link or a bookmark may
    // point anywhere).
    const CNovelItem* ItemOrNull(int32_t index) const {
        return index >= 0 && index < Count && size_t(index) < List.size()
                   ? List[size_t(index)].get()
                   : nullptr;
    }
    // A negative count loads as 0; more than kMaxItems is refused before anything is stored.
    void LoadFromStream(TStream& s);

    int32_t Count = 0;
    std::vector<std::unique_ptr<CNovelItem>> List;
};

// The link records as stored, shared by the loader and the authoring tool's writer.
void ReadLinks(TStream& s, std::array<TNovelLink, kLinkCount>& links);
void WriteLinks(TStream& s, const std::array<TNovelLink, kLinkCount>& links);
// One counter record as stored.
TNovelCounter ReadCounter(TStream& s);
void WriteCounter(TStream& s, const TNovelCounter& c);

}  // namespace tavri
