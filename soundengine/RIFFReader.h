// Walks the chunks of a RIFF stream and reads inside one of them.
#pragma once

#include <cstdint>
#include <map>
#include <utility>

#include "Stream.h"

namespace morwick {

class CRIFFReader : public CNonCopyable {
  public:
    virtual void Open(IStream& stream);
    virtual uint32_t GetFormType() const { return formType_; }
    virtual int32_t FindChunk(uint32_t identifier);
    virtual int32_t GetChunkPosition() const { return chunkPosition_; }
    virtual int32_t GetChunkSize() const { return chunkSize_; }
    virtual int32_t Read(void* buffer, int32_t n);

  private:
    IStream* stream_ = nullptr;
    uint32_t formType_ = 0;
    int64_t riffEnd_ = 0;
    std::map<uint32_t, std::pair<int32_t, int32_t>> chunks_;
    int32_t chunkSize_ = 0;
    int32_t chunkPosition_ = 0;
};

inline constexpr uint32_t FourCC(const char (&id)[5]) {
    return uint32_t{static_cast<unsigned char>(id[0])} |
           uint32_t{static_cast<unsigned char>(id[1])} << 8 |
           uint32_t{static_cast<unsigned char>(id[2])} << 16 |
           uint32_t{static_cast<unsigned char>(id[3])} << 24;
}

}  // namespace morwick
