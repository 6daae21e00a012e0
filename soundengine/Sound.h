// A sound that owns one secondary buffer, with its volume, pan and loop operations.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "DXSound.h"
#include "Stream.h"

namespace morwick {

// Engine volume (0 full … -10000 silent) to buffer attenuation in hundredths of a decibel,
// and back. Values outside the engine scale are clamped first.
int32_t UserToRaw(int32_t volume);
int32_t RawToUser(int32_t raw);

class CSound : public CNonCopyable {
  public:
    explicit CSound(uint32_t creationFlags) : creationFlags_(creationFlags) {}

    virtual void Open(CDXSound& device, IStream& stream) = 0;
    virtual void Play() = 0;
    virtual bool IsPlaying();
    virtual void Stop();
    virtual void SetLooping(bool looping) { looping_ = looping; }
    virtual bool IsLooping() const { return looping_; }
    virtual void SetRawVolume(int32_t raw);
    virtual int32_t GetRawVolume();
    virtual void SetVolume(int32_t volume);
    virtual int32_t GetVolume();
    virtual void SetPan(int32_t pan);
    virtual int32_t GetPan();

  protected:
    std::unique_ptr<ds::SoundBuffer> buffer_;
    uint32_t creationFlags_;
    // Read by the streaming thread while the controlling thread may set it.
    std::atomic<bool> looping_{false};
};

}  // namespace morwick
