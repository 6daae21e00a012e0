#pragma once

// Bookmark files written byte by byte from the layout, apart from the code under test, so that
// a fault shared by its reader and writer cannot hide: records of every version, with what the
// test chooses in each field.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace tavri::test {

struct TRawCounter {
    std::string Name;
    int32_t Value = 0, Minimum = 0, Maximum = 0;
    uint8_t Flag = 0;
};

struct TRawSprite {
    std::string Name, File;
    int32_t X = 0, Y = 0;
};

struct TRawBookmark {
    uint16_t Version = 4;
    std::string Item = "start";
    int32_t Column = 1, Line = 0;
    std::vector<TRawCounter> Counters;
    int32_t CounterCountOverride = 0;  // nonzero: written in place of the real count
    std::string Background, Midi, Sound;
    std::vector<TRawSprite> Sprites;  // the first slots; the rest empty
    double SavedAt = 0;
    std::string Title, Date;
    int32_t ReadingCount = 1, PageNumber = 1;
    std::string ReservedText;         // version 2 and later
    int32_t ReservedNumber = 0;       // version 3 and later
    std::string Bgm;                  // version 4
    uint8_t ShortLengthOverride = 0;  // nonzero: the background's length byte as stored
};

class TBookmarkWriter {
  public:
    std::vector<uint8_t> Bytes;

    void U8(uint8_t v) { Bytes.push_back(v); }
    void U16(uint16_t v) {
        U8(uint8_t(v));
        U8(uint8_t(v >> 8));
    }
    void I32(int32_t v) {
        for (int i = 0; i < 4; ++i) {
            U8(uint8_t(uint32_t(v) >> (8 * i)));
        }
    }
    void Raw(const std::string& s) { Bytes.insert(Bytes.end(), s.begin(), s.end()); }
    // A length byte, the characters, and filler bytes up to the capacity.
    void Short(const std::string& s, size_t capacity, uint8_t filler = 0,
               uint8_t lengthOverride = 0) {
        U8(lengthOverride != 0 ? lengthOverride : uint8_t(s.size()));
        Raw(s);
        Bytes.insert(Bytes.end(), capacity - s.size(), filler);
    }

    void Head(int32_t count, int32_t version = 4) {
        Short("TavriNovel BookMarkFile", 32, ' ');
        I32(version);
        I32(count);
    }

    void Record(const TRawBookmark& r) {
        U16(r.Version);
        Short(r.Item, 255, 0xCC);  // filler that is not zero: readers must ignore it
        I32(r.Column);
        I32(r.Line);
        I32(2);
        I32(r.CounterCountOverride != 0 ? r.CounterCountOverride : int32_t(r.Counters.size()));
        for (const TRawCounter& c : r.Counters) {
            I32(int32_t(c.Name.size()));
            Raw(c.Name);
            I32(c.Value);
            I32(c.Minimum);
            I32(c.Maximum);
            U8(c.Flag);
        }
        Short(r.Background, 128, 0, r.ShortLengthOverride);
        Short(r.Midi, 128);
        Short(r.Sound, 128);
        for (size_t slot = 0; slot < 16; ++slot) {
            const TRawSprite sprite = slot < r.Sprites.size() ? r.Sprites[slot] : TRawSprite{};
            Short(sprite.Name, 128);
            Short(sprite.File, 128);
            I32(sprite.X);
            I32(sprite.Y);
        }
        uint64_t bits = 0;
        std::memcpy(&bits, &r.SavedAt, 8);
        for (int i = 0; i < 8; ++i) {
            U8(uint8_t(bits >> (8 * i)));
        }
        Short(r.Title, 128);
        Short(r.Date, 128);
        I32(r.ReadingCount);
        I32(r.PageNumber);
        if (r.Version >= 2) {
            I32(int32_t(r.ReservedText.size()));
            Raw(r.ReservedText);
        }
        if (r.Version >= 3) {
            I32(r.ReservedNumber);
        }
        if (r.Version >= 4) {
            Short(r.Bgm, 128);
        }
    }
};

}  // namespace tavri::test
