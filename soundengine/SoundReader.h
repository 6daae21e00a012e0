// Readers turn a stream into PCM sample bytes and the format that describes them.
#pragma once

#include <memory>

#include "Stream.h"
#include "WaveFormat.h"

namespace morwick {

class ISoundReader : public IInterface {
  public:
    // The stream is not owned and must outlive the reader.
    virtual void Open(IStream& stream) = 0;
    virtual const WaveFormat* GetFormat() const = 0;
    virtual void Rewind() = 0;
    virtual int32_t Read(void* buffer, int32_t n) = 0;
    // Bytes of the whole decoded sound; -1 when the length is unknown.
    virtual int32_t GetLength() = 0;
};

// Picks the reader by the first bytes of the stream and opens it there.
std::unique_ptr<ISoundReader> CreateSoundReader(IStream& stream);

}  // namespace morwick
