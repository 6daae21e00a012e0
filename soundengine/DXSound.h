// The sound device: one output and its primary format, opened by Initialize.
#pragma once

#include <cstdint>
#include <memory>

#include "Object.h"
#include "WaveFormat.h"
#include "dsound/DirectSound.h"

namespace morwick {

class CDXSound : public CNonCopyable {
  public:
    CDXSound();
    ~CDXSound() override;

    virtual bool Initialize();
    virtual void Release();
    virtual ds::Device* GetDirectSound() const { return device_.get(); }
    virtual const WaveFormat& GetPrimaryFormat() const { return format_; }
    virtual void SetWindow(uint32_t window) { window_ = window; }
    virtual void SetChannels(uint16_t channels) { format_.channels = channels; }
    virtual void SetSamplesPerSec(uint32_t rate) { format_.samplesPerSec = rate; }
    virtual void SetBitsPerSample(uint16_t bits) { format_.bitsPerSample = bits; }
    virtual bool IsInitialized() const { return initialized_; }
    virtual void SetSoftwareBuffers(bool software) { softwareBuffers_ = software; }
    virtual bool UseSoftwareBuffers() const { return softwareBuffers_; }

    // Tests pull the mixed output themselves instead of opening an audio device.
    void SetOutput(ds::Output output) { output_ = output; }

  private:
    std::unique_ptr<ds::Device> device_;
    bool initialized_ = false;
    bool softwareBuffers_ = false;
    WaveFormat format_;
    uint32_t window_ = 0;
    ds::Output output_ = ds::Output::Sdl;
};

}  // namespace morwick
