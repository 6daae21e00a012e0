// Reader of RIFF/WAVE sounds: the fmt chunk is the format, the data chunk the samples.
#pragma once

#include <vector>

#include "RIFFReader.h"
#include "SoundReader.h"

namespace morwick {

class CWaveSoundReader : public ISoundReader, public CNonCopyable {
  public:
    void Open(IStream& stream) override;
    const WaveFormat* GetFormat() const override;
    void Rewind() override;
    int32_t Read(void* buffer, int32_t n) override;
    int32_t GetLength() override;

    // The fmt chunk as read, at least 18 bytes (a 16-byte chunk gets an extra size of 0).
    const std::vector<unsigned char>& GetFormatBlock() const { return formatBlock_; }

  private:
    CRIFFReader riff_;
    std::vector<unsigned char> formatBlock_;
    WaveFormat format_;
    bool open_ = false;
};

}  // namespace morwick
