#include "DirectSound.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <system_error>

namespace morwick::ds {

struct Mixer {
    std::mutex mutex;
    std::vector<SoundBuffer*> buffers;
    std::vector<float> accumulator;
    // Events set by the current render; only kept when the owner drives the output.
    bool collectFired = false;
    std::vector<CEventSet*> fired;
    // The output went away: nothing plays again on this mixer.
    bool lost = false;

    void Render(int16_t* out, int frames) {
        std::vector<CEventSet*> woken;
        {
            std::lock_guard<std::mutex> guard(mutex);
            MixLocked(out, frames);
            woken.swap(fired);
        }
        // A driven output waits for the threads it woke, as a real one would give them time.
        for (CEventSet* events : woken) {
            events->WaitUntilTaken(std::chrono::seconds(5));
        }
    }

    void Lose() {
        std::lock_guard<std::mutex> guard(mutex);
        lost = true;
        for (SoundBuffer* buffer : buffers) {
            buffer->StopLocked();
        }
    }

    void MixLocked(int16_t* out, int frames) {
        accumulator.assign(static_cast<size_t>(frames) * kOutputChannels, 0.0f);
        for (SoundBuffer* buffer : buffers) {
            if (buffer->playing_) {
                buffer->MixLocked(accumulator.data(), frames);
            }
        }
        for (size_t i = 0; i < accumulator.size(); ++i) {
            const float sample = std::clamp(accumulator[i] * 32768.0f, -32768.0f, 32767.0f);
            out[i] = static_cast<int16_t>(std::lrint(sample));
        }
    }
};

namespace {

uint16_t EffectiveTag(const WaveFormat& format) {
    return format.formatTag == kFormatExtensible ? format.subFormatTag : format.formatTag;
}

SDL_AudioFormat SourceFormat(const WaveFormat& format) {
    if (EffectiveTag(format) == kFormatFloat) {
        return AUDIO_F32LSB;
    }
    switch (format.bitsPerSample) {
        case 8:
            return AUDIO_U8;
        case 16:
            return AUDIO_S16LSB;
        default:
            // 24-bit samples are widened to 32 bits before they reach SDL.
            return AUDIO_S32LSB;
    }
}

float DbGain(int32_t hundredthsDb) {
    return static_cast<float>(std::pow(10.0, hundredthsDb / 2000.0));
}

void AudioCallback(void* userdata, Uint8* stream, int len) {
    static_cast<Mixer*>(userdata)->Render(reinterpret_cast<int16_t*>(stream),
                                          len / (kOutputChannels * 2));
}

}  // namespace

bool IsPlayableFormat(const WaveFormat& format) {
    const uint16_t tag = EffectiveTag(format);
    const bool pcm =
        tag == kFormatPcm && (format.bitsPerSample == 8 || format.bitsPerSample == 16 ||
                              format.bitsPerSample == 24 || format.bitsPerSample == 32);
    const bool flt = tag == kFormatFloat && format.bitsPerSample == 32;
    return (pcm || flt) && format.channels >= 1 && format.channels <= 8 &&
           format.samplesPerSec >= 100 && format.samplesPerSec <= 200000 &&
           format.blockAlign == format.channels * format.bitsPerSample / 8 &&
           format.avgBytesPerSec == format.samplesPerSec * format.blockAlign;
}

SoundBuffer::SoundBuffer(std::shared_ptr<Mixer> mixer, const WaveFormat& format, uint32_t bytes,
                         uint32_t flags)
    : mixer_(std::move(mixer)), format_(format), flags_(flags), ring_(bytes, 0) {
    const Uint8 silence = format.bitsPerSample == 8 ? 0x80 : 0;
    std::fill(ring_.begin(), ring_.end(), silence);
    stream_ = SDL_NewAudioStream(SourceFormat(format), static_cast<Uint8>(format.channels),
                                 static_cast<int>(format.samplesPerSec), AUDIO_F32SYS,
                                 kOutputChannels, kOutputRate);
}

SoundBuffer::~SoundBuffer() {
    {
        std::lock_guard<std::mutex> guard(mixer_->mutex);
        auto& list = mixer_->buffers;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    if (stream_ != nullptr) {
        SDL_FreeAudioStream(static_cast<SDL_AudioStream*>(stream_));
    }
}

int32_t SoundBuffer::Lock(uint32_t offset, uint32_t bytes, void** first, uint32_t* firstBytes,
                          void** second, uint32_t* secondBytes) {
    const uint32_t size = GetBufferBytes();
    if (bytes == 0 || bytes > size || offset >= size) {
        return DSERR_INVALIDPARAM;
    }
    // The caller writes into a private copy, so the mixer never reads half-written bytes.
    staging_.resize(bytes);
    lockOffset_ = offset;
    const uint32_t head = std::min(bytes, size - offset);
    *first = staging_.data();
    *firstBytes = head;
    *second = head < bytes ? staging_.data() + head : nullptr;
    *secondBytes = bytes - head;
    return DS_OK;
}

int32_t SoundBuffer::Unlock(void* first, uint32_t firstBytes, void* second, uint32_t secondBytes) {
    if (first != staging_.data() || firstBytes + secondBytes > staging_.size() ||
        (second != nullptr && second != staging_.data() + firstBytes)) {
        return DSERR_INVALIDPARAM;
    }
    std::lock_guard<std::mutex> guard(mixer_->mutex);
    std::memcpy(ring_.data() + lockOffset_, staging_.data(), firstBytes);
    std::memcpy(ring_.data(), staging_.data() + firstBytes, secondBytes);
    return DS_OK;
}

int32_t SoundBuffer::Play(uint32_t flags) {
    std::lock_guard<std::mutex> guard(mixer_->mutex);
    if (stream_ == nullptr) {
        return DSERR_GENERIC;
    }
    if (mixer_->lost) {
        return DSERR_NODRIVER;
    }
    if (!playing_) {
        SDL_AudioStreamClear(static_cast<SDL_AudioStream*>(stream_));
    }
    playing_ = true;
    looping_ = (flags & DSBPLAY_LOOPING) != 0;
    return DS_OK;
}

int32_t SoundBuffer::Stop() {
    std::lock_guard<std::mutex> guard(mixer_->mutex);
    StopLocked();
    return DS_OK;
}

void SoundBuffer::StopLocked() {
    if (!playing_) {
        return;
    }
    playing_ = false;
    SDL_AudioStreamClear(static_cast<SDL_AudioStream*>(stream_));
    for (const PositionNotify& notify : notifies_) {
        if (notify.offset == DSBPN_OFFSETSTOP) {
            notify.events->Set(notify.index);
        }
    }
}

int32_t SoundBuffer::GetStatus(uint32_t* status) {
    std::lock_guard<std::mutex> guard(mixer_->mutex);
    *status = playing_ ? DSBSTATUS_PLAYING | (looping_ ? DSBSTATUS_LOOPING : 0) : 0;
    return DS_OK;
}

int32_t SoundBuffer::GetCurrentPosition(uint32_t* play) {
    std::lock_guard<std::mutex> guard(mixer_->mutex);
    *play = playCursor_;
    return DS_OK;
}

int32_t SoundBuffer::SetCurrentPosition(uint32_t play) {
    std::lock_guard<std::mutex> guard(mixer_->mutex);
    if (play >= GetBufferBytes()) {
        return DSERR_INVALIDPARAM;
    }
    playCursor_ = play - play % format_.blockAlign;
    SDL_AudioStreamClear(static_cast<SDL_AudioStream*>(stream_));
    return DS_OK;
}

int32_t SoundBuffer::SetVolume(int32_t hundredthsDb) {
    if ((flags_ & DSBCAPS_CTRLVOLUME) == 0) {
        return DSERR_GENERIC;
    }
    if (hundredthsDb > 0 || hundredthsDb < -10000) {
        return DSERR_INVALIDPARAM;
    }
    std::lock_guard<std::mutex> guard(mixer_->mutex);
    volume_ = hundredthsDb;
    leftGain_ = DbGain(volume_ + std::min(0, -pan_));
    rightGain_ = DbGain(volume_ + std::min(0, pan_));
    return DS_OK;
}

int32_t SoundBuffer::GetVolume(int32_t* hundredthsDb) {
    if ((flags_ & DSBCAPS_CTRLVOLUME) == 0) {
        return DSERR_GENERIC;
    }
    std::lock_guard<std::mutex> guard(mixer_->mutex);
    *hundredthsDb = volume_;
    return DS_OK;
}

int32_t SoundBuffer::SetPan(int32_t pan) {
    constexpr uint32_t kCtrlPan = 0x40;
    if ((flags_ & kCtrlPan) == 0) {
        return DSERR_GENERIC;
    }
    if (pan > 10000 || pan < -10000) {
        return DSERR_INVALIDPARAM;
    }
    std::lock_guard<std::mutex> guard(mixer_->mutex);
    pan_ = pan;
    // A positive pan attenuates the left side, a negative one the right.
    leftGain_ = DbGain(volume_ + std::min(0, -pan_));
    rightGain_ = DbGain(volume_ + std::min(0, pan_));
    return DS_OK;
}

int32_t SoundBuffer::GetPan(int32_t* pan) {
    constexpr uint32_t kCtrlPan = 0x40;
    if ((flags_ & kCtrlPan) == 0) {
        return DSERR_GENERIC;
    }
    std::lock_guard<std::mutex> guard(mixer_->mutex);
    *pan = pan_;
    return DS_OK;
}

int32_t SoundBuffer::SetNotificationPositions(const std::vector<PositionNotify>& notifies) {
    if (!CanNotify()) {
        return DSERR_GENERIC;
    }
    std::lock_guard<std::mutex> guard(mixer_->mutex);
    if (playing_) {
        return DSERR_INVALIDPARAM;
    }
    for (const PositionNotify& notify : notifies) {
        if ((notify.offset != DSBPN_OFFSETSTOP && notify.offset >= GetBufferBytes()) ||
            notify.events == nullptr) {
            return DSERR_INVALIDPARAM;
        }
    }
    notifies_ = notifies;
    return DS_OK;
}

void SoundBuffer::FireCrossedLocked(uint32_t from, uint32_t bytes) {
    for (const PositionNotify& notify : notifies_) {
        if (notify.offset != DSBPN_OFFSETSTOP && notify.offset >= from &&
            notify.offset - from < bytes) {
            notify.events->Set(notify.index);
            if (mixer_->collectFired) {
                mixer_->fired.push_back(notify.events);
            }
        }
    }
}

void SoundBuffer::MixLocked(float* accumulator, int frames) {
    auto* stream = static_cast<SDL_AudioStream*>(stream_);
    const int needBytes = frames * kOutputChannels * static_cast<int>(sizeof(float));
    bool ended = false;
    // Bounded, so a stream that stops accepting input cannot hold the mixer forever.
    for (int round = 0; round < 64 && !ended && SDL_AudioStreamAvailable(stream) < needBytes;
         ++round) {
        // Enough input for the frames asked, plus a little so the resampler can move on.
        const uint64_t inFrames = uint64_t(frames) * format_.samplesPerSec / kOutputRate + 16;
        const uint32_t want = static_cast<uint32_t>(
            std::min<uint64_t>(inFrames * format_.blockAlign, GetBufferBytes() - playCursor_));
        const unsigned char* source = ring_.data() + playCursor_;
        if (format_.bitsPerSample == 24) {
            converted_.resize(want / 3 * 4);
            for (uint32_t i = 0, o = 0; i + 3 <= want; i += 3, o += 4) {
                converted_[o] = 0;
                std::memcpy(&converted_[o + 1], source + i, 3);
            }
            SDL_AudioStreamPut(stream, converted_.data(), static_cast<int>(converted_.size()));
        } else {
            SDL_AudioStreamPut(stream, source, static_cast<int>(want));
        }
        const uint32_t from = playCursor_;
        playCursor_ += want;
        FireCrossedLocked(from, want);
        if (playCursor_ >= GetBufferBytes()) {
            playCursor_ = 0;
            if (!looping_) {
                SDL_AudioStreamFlush(stream);
                ended = true;
            }
        }
    }
    mixed_.resize(static_cast<size_t>(frames) * kOutputChannels);
    const int got = std::max(0, SDL_AudioStreamGet(stream, mixed_.data(), needBytes));
    const int gotFrames = got / (kOutputChannels * static_cast<int>(sizeof(float)));
    for (int i = 0; i < gotFrames; ++i) {
        accumulator[2 * i] += mixed_[2 * static_cast<size_t>(i)] * leftGain_;
        accumulator[2 * i + 1] += mixed_[2 * static_cast<size_t>(i) + 1] * rightGain_;
    }
    if (ended) {
        StopLocked();
    }
}

std::unique_ptr<Device> Device::Create(Output output) {
    std::unique_ptr<Device> device(new Device());
    device->mixer_ = std::make_shared<Mixer>();
    if (output == Output::Manual) {
        device->mixer_->collectFired = true;
        return device;
    }
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return nullptr;
    }
    SDL_AudioSpec want{};
    want.freq = kOutputRate;
    want.format = AUDIO_S16SYS;
    want.channels = kOutputChannels;
    want.samples = 1024;
    want.callback = AudioCallback;
    want.userdata = device->mixer_.get();
    SDL_AudioSpec have{};
    device->deviceId_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device->deviceId_ == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return nullptr;
    }
    SDL_PauseAudioDevice(device->deviceId_, 0);
    try {
        device->watchdog_ = std::thread(&Device::Watch, device.get());
    } catch (const std::system_error&) {
        // A device whose loss would go unnoticed is not one to hand out.
        SDL_CloseAudioDevice(device->deviceId_);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        device->deviceId_ = 0;
        return nullptr;
    }
    return device;
}

// How a lost output is noticed. When SDL loses an open device (a USB headset unplugged, the
// sound server restarted) it keeps the device open, stops calling our callback, reports the
// status SDL_AUDIO_STOPPED and posts SDL_AUDIODEVICEREMOVED. That event goes to the host's
// event queue, which the library neither owns nor pumps; the callback cannot notice what it
// is no longer called for; the streaming threads sleep until a notification that will never
// come, and static sounds have no thread at all. So one light thread per open output polls
// the status a few times a second, and on a loss stops every buffer as the device would.
void Device::Watch() {
    constexpr auto kPeriod = std::chrono::milliseconds(200);
    std::unique_lock<std::mutex> guard(watchMutex_);
    while (!watchWake_.wait_for(guard, kPeriod, [this] { return watchStop_; })) {
        if (SDL_GetAudioDeviceStatus(deviceId_) == SDL_AUDIO_STOPPED) {
            mixer_->Lose();
            return;  // the device is not reopened, so there is nothing more to watch
        }
    }
}

void Device::SimulateDeviceLoss() {
    mixer_->Lose();
}

bool Device::IsLost() const {
    std::lock_guard<std::mutex> guard(mixer_->mutex);
    return mixer_->lost;
}

Device::~Device() {
    if (watchdog_.joinable()) {
        {
            std::lock_guard<std::mutex> guard(watchMutex_);
            watchStop_ = true;
        }
        watchWake_.notify_all();
        watchdog_.join();
    }
    if (deviceId_ != 0) {
        SDL_CloseAudioDevice(deviceId_);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    // Buffers that outlive the device fall silent and tell their owners they stopped.
    std::lock_guard<std::mutex> guard(mixer_->mutex);
    for (SoundBuffer* buffer : mixer_->buffers) {
        buffer->StopLocked();
    }
}

int32_t Device::SetCooperativeLevel(uint32_t window, int32_t level) {
    // The window id is opaque to us and every level shares the one output.
    (void)level;
    window_ = window;
    return DS_OK;
}

std::unique_ptr<SoundBuffer> Device::CreateSoundBuffer(const WaveFormat& format, uint32_t bytes,
                                                       uint32_t flags) {
    if (!IsPlayableFormat(format) || bytes == 0 || bytes % format.blockAlign != 0) {
        return nullptr;
    }
    std::unique_ptr<SoundBuffer> buffer(new SoundBuffer(mixer_, format, bytes, flags));
    if (buffer->stream_ == nullptr) {
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(mixer_->mutex);
    if (mixer_->lost) {
        return nullptr;  // the buffer goes after the guard: its destructor takes the lock
    }
    mixer_->buffers.push_back(buffer.get());
    return buffer;
}

void Device::Render(int16_t* out, int frames) {
    mixer_->Render(out, frames);
}

}  // namespace morwick::ds
