#pragma once

// The scenario file exactly as stored, for the authoring side: unlike the player's model it
// keeps each item's text bytes whole, so a file read and written again is the same file.

#include <cstdint>
#include <string>
#include <vector>

#include "scenario/NovelData.h"

namespace tavri::tool {

struct TRawItem {
    std::string Name = "NewItem";
    int32_t PositionX = 0, PositionY = 0;
    std::string Text;
    uint8_t LinkKind = LinkMenu;
    std::array<TNovelLink, kLinkCount> Links = DefaultLinks();

    static std::array<TNovelLink, kLinkCount> DefaultLinks() {
        std::array<TNovelLink, kLinkCount> links;
        links[0].Enabled = true;
        return links;
    }
};

struct TScenarioFile {
    CNovelFileHeader Header;
    int32_t CounterTableVersion = 2;
    std::vector<TNovelCounter> Counters;
    std::vector<TRawItem> Items;

    // Reads any count the file holds (no player limits); throws EScenarioError when the file
    // ends early or a count or length is impossible.
    void Load(TStream& s);
    void Save(TStream& s) const;
    std::vector<uint8_t> ToBytes() const;
    static TScenarioFile FromBytes(const std::vector<uint8_t>& bytes);
};

}  // namespace tavri::tool
