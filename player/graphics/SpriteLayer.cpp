#include "graphics/SpriteLayer.h"

#include <cstring>

#include "ByteOrder.h"
#include "base/Runtime.h"
#include "platform/Display.h"
#include "platform/MessageBox.h"
#include "platform/TextEncoding.h"

namespace tavri {

namespace {

void WriteName(uint8_t* field, const std::string& name) {
    std::memset(field, 0, kSpriteNameCapacity + 1);
    field[0] = static_cast<uint8_t>(name.size());
    std::memcpy(field + 1, name.data(), name.size());
}

std::string ReadName(const uint8_t* field) {
    size_t length = std::min<size_t>(field[0], kSpriteNameCapacity);
    return std::string(reinterpret_cast<const char*>(field + 1), length);
}

}  // namespace

std::string CutCp932(const std::string& text, size_t capacity) {
    size_t end = 0;
    while (end < text.size()) {
        size_t n = platform::CharLength(text, end);
        if (end + n > capacity) {
            break;
        }
        end += n;
    }
    return text.substr(0, end);
}

TSpriteLayer::TSpriteLayer(bool ownsPictures, const TMediaSource* media)
    : OwnsPictures(ownsPictures), media_(media) {
    if (OwnsPictures) {
        for (int slot = 0; slot < kSpriteSlots; ++slot) {
            ResetSlot(slot);
        }
    }
}

void TSpriteLayer::ResetSlot(int slot) {
    size_t i = static_cast<size_t>(slot);
    Pictures[i] = TImage(1, 1);
    AlphaMasks[i] = TImage(1, 1, TPixelFormat::Pf8bit);
    Names[i].clear();
    FileNames[i].clear();
    HasAlpha[i] = false;
}

void TSpriteLayer::Clear() {
    if (!OwnsPictures) {
        return;
    }
    for (int slot = 0; slot < kSpriteSlots; ++slot) {
        ResetSlot(slot);
    }
}

int TSpriteLayer::IndexOf(const std::string& name) const {
    std::string wanted = platform::AnsiUpperCase(name);
    for (int slot = 0; slot < kSpriteSlots; ++slot) {
        if (platform::AnsiUpperCase(Names[static_cast<size_t>(slot)]) == wanted) {
            return slot;
        }
    }
    return -1;
}

void TSpriteLayer::SetSprite(const std::string& name, const std::string& fileName,
                             TSpritePosition position) {
    if (!OwnsPictures) {
        return;
    }
    int slot = IndexOf(name);
    if (slot < 0) {
        slot = IndexOf("");
    }
    if (slot < 0) {
        if (media_ != nullptr && media_->Messages != nullptr) {
            media_->Messages->Show(platform::Cp932("キャラクターは16枚までしか使用できません"),
                                   kRuntimeCaption, platform::MsgIcon::Error,
                                   platform::MsgButtons::Ok);
        }
        return;
    }
    size_t i = static_cast<size_t>(slot);
    Names[i] = CutCp932(name, kSpriteNameCapacity);
    FileNames[i] = CutCp932(fileName, kSpriteNameCapacity);
    Positions[i] = position;
    LoadSlotPicture(slot);
}

void TSpriteLayer::SetSpriteAligned(const std::string& name, const std::string& fileName,
                                    const std::string& vertical, const std::string& horizontal) {
    if (!OwnsPictures) {
        return;
    }
    SetSprite(name, fileName, {0, 0});
    int slot = IndexOf(name);
    if (slot < 0) {
        return;
    }
    size_t i = static_cast<size_t>(slot);
    const int w = Pictures[i].Width(), h = Pictures[i].Height();
    std::string v = platform::AnsiUpperCase(vertical), hz = platform::AnsiUpperCase(horizontal);
    if (v == "TOP") {
        Positions[i].Y = 0;
    } else if (v == "MIDDLE") {
        Positions[i].Y = platform::kCanvasHeight / 2 - h / 2;
    } else if (v == "BOTTOM") {
        Positions[i].Y = platform::kCanvasHeight - h;
    }
    if (hz == "LEFT") {
        Positions[i].X = 0;
    } else if (hz == "CENTER") {
        Positions[i].X = platform::kCanvasWidth / 2 - w / 2;
    } else if (hz == "RIGHT") {
        Positions[i].X = platform::kCanvasWidth - w;
    }
}

void TSpriteLayer::DeleteSprite(const std::string& name) {
    if (!OwnsPictures) {
        return;
    }
    int slot = IndexOf(name);
    if (slot >= 0) {
        ResetSlot(slot);
    }
}

void TSpriteLayer::Draw(TImage& target) const {
    DrawClipped(target, {0, 0, target.Width(), target.Height()});
}

void TSpriteLayer::DrawClipped(TImage& target, TRect clip) const {
    if (!OwnsPictures) {
        return;
    }
    for (size_t i = 0; i < kSpriteSlots; ++i) {
        if (Names[i].empty()) {
            continue;
        }
        if (HasAlpha[i]) {
            DibDrawAlphaMask(Pictures[i], AlphaMasks[i], target, clip, Positions[i].X,
                             Positions[i].Y);
        } else {
            DibDrawTransparent(Pictures[i], target, Positions[i].X, Positions[i].Y, clip);
        }
    }
}

void TSpriteLayer::SaveToStream(platform::TStream& s) const {
    uint8_t record[kSpriteRecordSize];
    for (size_t i = 0; i < kSpriteSlots; ++i) {
        WriteName(record, Names[i]);
        WriteName(record + 129, FileNames[i]);
        StoreLE32(record + 258, Positions[i].X);
        StoreLE32(record + 262, Positions[i].Y);
        s.WriteBuffer(record, sizeof record);
    }
}

void TSpriteLayer::LoadFromStream(platform::TStream& s) {
    // Read whole before changing anything, so a short stream leaves the layer as it was.
    uint8_t records[kSpriteLayerSize];
    s.ReadBuffer(records, sizeof records);
    Clear();
    for (size_t i = 0; i < kSpriteSlots; ++i) {
        const uint8_t* record = records + i * kSpriteRecordSize;
        Names[i] = ReadName(record);
        FileNames[i] = ReadName(record + 129);
        Positions[i] = {LoadLE32(record + 258), LoadLE32(record + 262)};
    }
    ReloadPictures();
}

void TSpriteLayer::Assign(const TSpriteLayer& other) {
    Clear();
    Names = other.Names;
    FileNames = other.FileNames;
    Positions = other.Positions;
    ReloadPictures();
}

void TSpriteLayer::ReloadPictures() {
    if (!OwnsPictures) {
        return;
    }
    for (int slot = 0; slot < kSpriteSlots; ++slot) {
        if (!FileNames[static_cast<size_t>(slot)].empty()) {
            LoadSlotPicture(slot);
        }
    }
}

bool TSpriteLayer::LoadSlotPicture(int slot) {
    if (!OwnsPictures || media_ == nullptr || slot < 0 || slot >= kSpriteSlots) {
        return false;
    }
    size_t i = static_cast<size_t>(slot);
    const TMediaFile found = LookupPicture(FileNames[i], *media_);
    if (!found.Found()) {
        return false;
    }
    FileNames[i] = CutCp932(found.Name, kSpriteNameCapacity);
    TDecodedPicture picture;
    if (!LoadLookedUpPicture(found, *media_, picture)) {
        return false;
    }
    DibAssignGraphic(Pictures[i], picture.Image);
    HasAlpha[i] = picture.HasAlpha;
    if (picture.HasAlpha) {
        AlphaMasks[i] = std::move(picture.AlphaMask);
    }
    return true;
}

}  // namespace tavri
