// Our stand-in for the platform sound device: one output at 44,100 Hz, 16-bit stereo, into
// which the playing secondary ring buffers are mixed. A buffer keeps the sound's own format;
// SDL_AudioStream converts and resamples it while mixing.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "../EventSet.h"
#include "../WaveFormat.h"

namespace morwick::ds {

inline constexpr int32_t DS_OK = 0;
inline constexpr int32_t DSERR_INVALIDPARAM = static_cast<int32_t>(0x80070057);
inline constexpr int32_t DSERR_GENERIC = static_cast<int32_t>(0x80004005);
inline constexpr int32_t DSERR_BUFFERLOST = static_cast<int32_t>(0x88780096);
// The output device has gone away; nothing plays on it again.
inline constexpr int32_t DSERR_NODRIVER = static_cast<int32_t>(0x88780078);

inline constexpr uint32_t DSBCAPS_PRIMARYBUFFER = 0x1;
inline constexpr uint32_t DSBCAPS_LOCSOFTWARE = 0x8;
inline constexpr uint32_t DSBCAPS_CTRLVOLUME = 0x80;
inline constexpr uint32_t DSBCAPS_CTRLPOSITIONNOTIFY = 0x100;
inline constexpr uint32_t DSBSTATUS_PLAYING = 0x1;
inline constexpr uint32_t DSBSTATUS_BUFFERLOST = 0x2;
inline constexpr uint32_t DSBSTATUS_LOOPING = 0x4;
inline constexpr uint32_t DSBPLAY_LOOPING = 0x1;
inline constexpr uint32_t DSBPN_OFFSETSTOP = 0xFFFFFFFF;
inline constexpr int32_t DSSCL_PRIORITY = 2;

inline constexpr int kOutputRate = 44100;
inline constexpr int kOutputChannels = 2;

struct Mixer;

// Sets events[index] when the play cursor passes offset, or when the buffer stops for
// DSBPN_OFFSETSTOP.
struct PositionNotify {
    uint32_t offset;
    CEventSet* events;
    int index;
};

class SoundBuffer {
  public:
    ~SoundBuffer();
    SoundBuffer(const SoundBuffer&) = delete;
    SoundBuffer& operator=(const SoundBuffer&) = delete;

    // One lock at a time; the regions stay valid until Unlock, which writes them back.
    int32_t Lock(uint32_t offset, uint32_t bytes, void** first, uint32_t* firstBytes, void** second,
                 uint32_t* secondBytes);
    int32_t Unlock(void* first, uint32_t firstBytes, void* second, uint32_t secondBytes);
    int32_t Play(uint32_t flags);
    int32_t Stop();
    int32_t GetStatus(uint32_t* status);
    int32_t GetCurrentPosition(uint32_t* play);
    int32_t SetCurrentPosition(uint32_t play);
    int32_t SetVolume(int32_t hundredthsDb);
    int32_t GetVolume(int32_t* hundredthsDb);
    int32_t SetPan(int32_t pan);
    int32_t GetPan(int32_t* pan);
    int32_t Restore() { return DS_OK; }
    int32_t SetNotificationPositions(const std::vector<PositionNotify>& notifies);
    // Whether the buffer was created with position notification, as its notify interface is.
    bool CanNotify() const { return (flags_ & DSBCAPS_CTRLPOSITIONNOTIFY) != 0; }
    uint32_t GetBufferBytes() const { return static_cast<uint32_t>(ring_.size()); }

  private:
    friend struct Mixer;
    friend class Device;
    SoundBuffer(std::shared_ptr<Mixer> mixer, const WaveFormat& format, uint32_t bytes,
                uint32_t flags);
    void StopLocked();
    void FireCrossedLocked(uint32_t from, uint32_t bytes);
    // Adds this buffer's next `frames` output frames into the float accumulator.
    void MixLocked(float* accumulator, int frames);

    std::shared_ptr<Mixer> mixer_;
    WaveFormat format_;
    uint32_t flags_;
    std::vector<unsigned char> ring_;
    std::vector<unsigned char> staging_;
    std::vector<unsigned char> converted_;
    std::vector<float> mixed_;
    uint32_t lockOffset_ = 0;
    uint32_t playCursor_ = 0;
    bool playing_ = false;
    bool looping_ = false;
    int32_t volume_ = 0;
    int32_t pan_ = 0;
    float leftGain_ = 1.0f;
    float rightGain_ = 1.0f;
    std::vector<PositionNotify> notifies_;
    void* stream_ = nullptr;  // SDL_AudioStream, kept opaque so that callers need no SDL
};

enum class Output {
    Sdl,  // an SDL audio device, honouring SDL_AUDIODRIVER
    // Nothing is opened; the owner pulls the mix with Render, which returns once the threads
    // it woke have taken their notifications. Render must not overlap closing a sound.
    Manual,
};

class Device {
  public:
    // Null when the output cannot be opened.
    static std::unique_ptr<Device> Create(Output output);
    ~Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    int32_t SetCooperativeLevel(uint32_t window, int32_t level);
    // Null for a format the stand-in cannot play or a size that is not whole blocks.
    std::unique_ptr<SoundBuffer> CreateSoundBuffer(const WaveFormat& format, uint32_t bytes,
                                                   uint32_t flags);
    // Mixes the next frames of 16-bit stereo output, advancing every playing buffer.
    void Render(int16_t* out, int frames);

    // What the watchdog of an SDL output does when the output goes away, for tests to do on
    // a manual one: every playing buffer stops and sets its stop notification, playing fails
    // from then on and no buffer can be created. The device is not reopened.
    void SimulateDeviceLoss();
    bool IsLost() const;

  private:
    Device() = default;
    void Watch();

    std::shared_ptr<Mixer> mixer_;
    uint32_t deviceId_ = 0;
    uint32_t window_ = 0;
    // The watchdog of an SDL output, and what ends it.
    std::thread watchdog_;
    std::mutex watchMutex_;
    std::condition_variable watchWake_;
    bool watchStop_ = false;
};

// Whether a buffer can be created for the format.
bool IsPlayableFormat(const WaveFormat& format);

}  // namespace morwick::ds
