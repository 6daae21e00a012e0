// A sound held whole in one buffer, with a memory copy to refill it from. The exports never
// create one; it serves short effects that are played many times.
#pragma once

#include <memory>

#include "MemoryStream.h"
#include "Sound.h"
#include "SoundReader.h"

namespace morwick {

class CStaticSound : public CSound {
  public:
    explicit CStaticSound(uint32_t creationFlags) : CSound(creationFlags) {}

    void Open(CDXSound& device, IStream& stream) override;
    void Play() override;
    virtual void CreateFromReader(CDXSound& device, ISoundReader& reader);

  private:
    bool CopyIntoBuffer();

    std::unique_ptr<CMemoryStream> memory_;
    unsigned char silence_ = 0;
};

}  // namespace morwick
