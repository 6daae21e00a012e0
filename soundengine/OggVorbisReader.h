// Reader of Ogg Vorbis sounds, decoded to 16-bit little-endian PCM by libvorbisfile.
#pragma once

#include <vorbis/vorbisfile.h>

#include "SoundReader.h"

namespace morwick {

class COggVorbisReader : public ISoundReader, public CNonCopyable {
  public:
    COggVorbisReader();
    ~COggVorbisReader() override;

    void Open(IStream& stream) override;
    const WaveFormat* GetFormat() const override { return &format_; }
    void Rewind() override;
    int32_t Read(void* buffer, int32_t n) override;
    int32_t GetLength() override;

  private:
    OggVorbis_File decoder_;
    bool isOpen_ = false;
    WaveFormat format_;
};

}  // namespace morwick
