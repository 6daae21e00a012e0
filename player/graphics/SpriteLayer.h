#pragma once

// The character pictures standing in front of the background: 16 named slots drawn in slot
// order. A data-only layer keeps just names, files and positions (what a bookmark stores).

#include <array>
#include <cstdint>
#include <string>

#include "graphics/DIBTools.h"
#include "graphics/Image.h"
#include "platform/Stream.h"

namespace tavri {

constexpr int kSpriteSlots = 16;
constexpr int kSpriteNameCapacity = 128;
constexpr size_t kSpriteRecordSize = 266;
constexpr size_t kSpriteLayerSize = kSpriteRecordSize * kSpriteSlots;  // 4,256 bytes

struct TSpritePosition {
    int32_t X = 0, Y = 0;
    bool operator==(const TSpritePosition&) const = default;
};

class TSpriteLayer {
public:
    // An owning layer loads pictures through `media` (which must outlive it); a data-only layer
    // needs none.
    explicit TSpriteLayer(bool ownsPictures, const TMediaSource* media = nullptr);

    void Clear();
    int IndexOf(const std::string& name) const;
    void SetSprite(const std::string& name, const std::string& fileName, TSpritePosition position);
    void SetSpriteAligned(const std::string& name, const std::string& fileName,
                          const std::string& vertical, const std::string& horizontal);
    void DeleteSprite(const std::string& name);
    void Draw(TImage& target) const;
    void DrawClipped(TImage& target, TRect clip) const;
    void SaveToStream(platform::TStream& s) const;
    // Throws the stream's read error when fewer than 4,256 bytes are left.
    void LoadFromStream(platform::TStream& s);
    void Assign(const TSpriteLayer& other);

    bool LoadSlotPicture(int slot);

    const bool OwnsPictures;
    std::array<TImage, kSpriteSlots> Pictures;
    std::array<TImage, kSpriteSlots> AlphaMasks;
    std::array<bool, kSpriteSlots> HasAlpha{};
    std::array<TSpritePosition, kSpriteSlots> Positions{};
    std::array<std::string, kSpriteSlots> Names;
    std::array<std::string, kSpriteSlots> FileNames;

private:
    void ResetSlot(int slot);
    void ReloadPictures();
    const TMediaSource* media_;
};

// Cuts cp932 text to at most `capacity` bytes without splitting a double-byte character.
std::string CutCp932(const std::string& text, size_t capacity);

}  // namespace tavri
