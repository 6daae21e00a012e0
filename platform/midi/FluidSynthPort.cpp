#include <SDL.h>
#include <fluidsynth.h>
#include <glib.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <thread>
#include <utility>

#include "MidiPorts.h"
#include "platform/Log.h"

namespace tavri::platform::midi {

namespace {

constexpr int kRate = 44100;
constexpr int kFrames = 512;
constexpr int kPolyphony = 256;
// Silence this long, with no voice sounding and no message, pauses the audio device: long
// enough for the reverb's tail to die away.
constexpr int kIdleFrames = kRate * 3;
// Messages kept while the SoundFont loads. A load takes well under a second, so this is only
// reached by a load that never ends; beyond it notes are dropped rather than memory.
constexpr size_t kMaxPending = 16384;

const char* const kSoundFontFolder = "/usr/share/sounds/sf2/";
const char* const kSoundFonts[] = {"FluidR3_GM.sf2", "TimGM6mb.sf2", "default-GM.sf2"};

// FluidSynth's own log lines would be several on stderr for one failure; the last error is
// kept instead and becomes part of our one line.
thread_local std::string lastFluidError;

void KeepFluidError(int, const char* message, void*) {
    lastFluidError = message != nullptr ? message : "";
}

void QuietFluid(int, const char*, void*) {}

void QuietGlib(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

void TameFluidLog() {
    static std::once_flag once;
    std::call_once(once, [] {
        fluid_set_log_function(FLUID_PANIC, KeepFluidError, nullptr);
        fluid_set_log_function(FLUID_ERR, KeepFluidError, nullptr);
        fluid_set_log_function(FLUID_WARN, QuietFluid, nullptr);
        fluid_set_log_function(FLUID_INFO, QuietFluid, nullptr);
        fluid_set_log_function(FLUID_DBG, QuietFluid, nullptr);
        // FluidSynth hands a file its own loader refuses to libinstpatch, whose complaints
        // about a broken file go through GLib's log under no domain of their own.
        g_log_set_handler(
            nullptr,
            static_cast<GLogLevelFlags>(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING |
                                        G_LOG_LEVEL_MESSAGE | G_LOG_LEVEL_INFO | G_LOG_LEVEL_DEBUG),
            QuietGlib, nullptr);
    });
}

// True when `path` opens and begins like a SoundFont: "RIFF", a size, "sfbk".
bool LooksLikeSoundFont(const std::string& path, std::string& why) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        why = "the SoundFont " + path + " cannot be opened (" + std::strerror(errno) + ")";
        return false;
    }
    unsigned char head[12] = {};
    size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    if (got != sizeof head || std::memcmp(head, "RIFF", 4) != 0 ||
        std::memcmp(head + 8, "sfbk", 4) != 0) {
        why = "the file " + path + " is no SoundFont";
        return false;
    }
    return true;
}

struct PendingMessage {
    uint32_t Short = 0;
    std::vector<uint8_t> Long;
};

class SynthPort final : public IMidiPort {
  public:
    explicit SynthPort(std::string soundFont) : soundFont_(std::move(soundFont)) {}
    std::string SoundFont() const override { return soundFont_; }

    // Opens the audio device and starts the loader; false (with the line on stderr) when
    // there is no audio device.
    bool Start();
    ~SynthPort() override;

    int SendShort(uint32_t message) override;
    int SendLong(const uint8_t* data, size_t size, std::function<void()> done) override;

  private:
    static void AudioCallback(void* self, Uint8* stream, int length);
    void Render(int16_t* samples, int frames);
    void Play(uint32_t message);
    void PlayLong(const uint8_t* data, size_t size);
    void Queue(PendingMessage message);
    void ReplayPending();
    void Housekeep();
    void Load();
    void Resume();

    const std::string soundFont_;
    SDL_AudioDeviceID device_ = 0;
    bool audioStarted_ = false;
    fluid_settings_t* settings_ = nullptr;
    std::thread housekeeper_;

    // Guards the synthesiser (FluidSynth's own locking is off; this one lock orders the
    // sending thread against the audio callback) and the state below.
    std::mutex mutex_;
    std::condition_variable wake_;
    fluid_synth_t* synth_ = nullptr;  // published once the SoundFont has loaded
    bool loading_ = true;
    std::vector<PendingMessage> pending_;
    bool quiet_ = false;  // the callback found a stretch of silence worth pausing for
    int silentFrames_ = 0;
    bool stop_ = false;

    // Taken around pausing and resuming the device, never by the callback: SDL's device lock
    // is held around the callback, which takes mutex_, so nothing may pause under mutex_.
    std::mutex pauseMutex_;
    std::atomic<bool> paused_{true};
};

bool SynthPort::Start() {
    TameFluidLog();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        Report(std::string("no sound output for the music (") + SDL_GetError() +
               "); reading without music");
        return false;
    }
    audioStarted_ = true;
    SDL_AudioSpec want{};
    want.freq = kRate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = kFrames;
    want.callback = AudioCallback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // SDL converts to whatever the hardware wants, so FluidSynth always renders this format.
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_ == 0) {
        Report(std::string("no audio device for the music (") + SDL_GetError() +
               "); reading without music");
        return false;
    }
    settings_ = new_fluid_settings();
    if (settings_ == nullptr) {
        Report("the synthesiser cannot be set up; reading without music");
        return false;
    }
    fluid_settings_setnum(settings_, "synth.sample-rate", kRate);
    fluid_settings_setint(settings_, "synth.polyphony", kPolyphony);
    fluid_settings_setint(settings_, "synth.threadsafe-api", 0);
    fluid_settings_setint(settings_, "synth.cpu-cores", 1);
    fluid_settings_setint(settings_, "synth.lock-memory", 0);
    try {
        housekeeper_ = std::thread(&SynthPort::Housekeep, this);
    } catch (const std::system_error& e) {
        Report(std::string(e.what()) + "; reading without music");
        return false;
    }
    return true;
}

SynthPort::~SynthPort() {
    if (housekeeper_.joinable()) {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        // A load under way is not interruptible; it ends within the time a SoundFont takes.
        housekeeper_.join();
    }
    if (device_ != 0) {
        SDL_CloseAudioDevice(device_);  // waits for a callback under way
    }
    if (synth_ != nullptr) {
        delete_fluid_synth(synth_);
    }
    if (settings_ != nullptr) {
        delete_fluid_settings(settings_);
    }
    if (audioStarted_) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

void SynthPort::Housekeep() {
    Load();
    std::unique_lock<std::mutex> guard(mutex_);
    for (;;) {
        wake_.wait(guard, [this] { return stop_ || quiet_; });
        if (stop_) {
            return;
        }
        guard.unlock();
        {
            std::lock_guard<std::mutex> pause(pauseMutex_);
            bool pauseNow = false;
            {
                std::lock_guard<std::mutex> again(mutex_);
                // A message since the callback noticed the silence has cleared `quiet_`. One
                // sent after this check finds `paused_` set and resumes, under pauseMutex_,
                // once the pause below is done, so no message goes unheard.
                pauseNow = quiet_ && !stop_ && !paused_.load();
                quiet_ = false;
                if (pauseNow) {
                    paused_.store(true);
                }
            }
            if (pauseNow) {
                SDL_PauseAudioDevice(device_, 1);
            }
        }
        guard.lock();
    }
}

void SynthPort::Load() {
    fluid_synth_t* synth = new_fluid_synth(settings_);
    std::string error;
    if (synth == nullptr) {
        error = "the synthesiser cannot be made";
    } else if (fluid_synth_sfload(synth, soundFont_.c_str(), 1) == FLUID_FAILED) {
        error = "the SoundFont " + soundFont_ + " cannot be loaded";
        if (!lastFluidError.empty()) {
            error += " (" + lastFluidError + ")";
        }
        delete_fluid_synth(synth);
        synth = nullptr;
    }
    if (synth == nullptr) {
        Report(error + "; reading without music");
    }
    bool replayed = false;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        loading_ = false;
        synth_ = synth;
        replayed = synth_ != nullptr && !pending_.empty();
        ReplayPending();
    }
    if (replayed) {
        Resume();
    }
}

// What was sent while the SoundFont loaded sounds now, as if sent late: every setting, and the
// notes still held. Notes that already ended are left out instead of sounding as a burst.
void SynthPort::ReplayPending() {
    std::vector<PendingMessage> pending;
    pending.swap(pending_);
    if (synth_ == nullptr) {
        return;
    }
    std::set<int> ended;  // channel × 128 + key of notes released later in the queue
    std::vector<bool> keep(pending.size(), true);
    for (size_t i = pending.size(); i-- > 0;) {
        const PendingMessage& message = pending[i];
        if (!message.Long.empty()) {
            continue;
        }
        uint8_t status = message.Short & 0xF0;
        int note = (message.Short & 0x0F) * 128 + ((message.Short >> 8) & 0x7F);
        int velocity = (message.Short >> 16) & 0x7F;
        if (status == 0x80 || (status == 0x90 && velocity == 0)) {
            ended.insert(note);
        } else if (status == 0x90 && ended.count(note) != 0) {
            keep[i] = false;
        }
    }
    for (size_t i = 0; i < pending.size(); ++i) {
        if (!keep[i]) {
            continue;
        }
        if (pending[i].Long.empty()) {
            Play(pending[i].Short);
        } else {
            PlayLong(pending[i].Long.data(), pending[i].Long.size());
        }
    }
}

void SynthPort::Queue(PendingMessage message) {
    if (pending_.size() >= kMaxPending) {
        uint8_t status = message.Short & 0xF0;
        if (message.Long.empty() && (status == 0x80 || status == 0x90)) {
            return;
        }
        if (pending_.size() >= kMaxPending * 4) {
            return;
        }
    }
    pending_.push_back(std::move(message));
}

// Called under mutex_ with the synthesiser loaded.
void SynthPort::Play(uint32_t message) {
    int status = message & 0xFF;
    int channel = status & 0x0F;
    int data1 = (message >> 8) & 0x7F;
    int data2 = (message >> 16) & 0x7F;
    switch (status & 0xF0) {
        case 0x80:
            fluid_synth_noteoff(synth_, channel, data1);
            break;
        case 0x90:
            fluid_synth_noteon(synth_, channel, data1, data2);  // velocity 0 releases
            break;
        case 0xA0:
            fluid_synth_key_pressure(synth_, channel, data1, data2);
            break;
        case 0xB0:
            fluid_synth_cc(synth_, channel, data1, data2);
            break;
        case 0xC0:
            fluid_synth_program_change(synth_, channel, data1);
            break;
        case 0xD0:
            fluid_synth_channel_pressure(synth_, channel, data1);
            break;
        case 0xE0:
            fluid_synth_pitch_bend(synth_, channel, data1 | data2 << 7);
            break;
        default:
            if (status == 0xFF) {
                fluid_synth_system_reset(synth_);
            }
            // Other system messages (clock, song position, ...) mean nothing to a synthesiser.
            break;
    }
    silentFrames_ = 0;
    quiet_ = false;
}

// Called under mutex_ with the synthesiser loaded.
void SynthPort::PlayLong(const uint8_t* data, size_t size) {
    // FluidSynth takes the bytes between F0 and F7; a continuation packet (F7 …) carries part
    // of an exclusive it cannot join, so it is passed over.
    if (data[0] == 0xF0 && size >= 2) {
        size_t end = data[size - 1] == 0xF7 ? size - 1 : size;
        if (end > 1) {
            fluid_synth_sysex(synth_, reinterpret_cast<const char*>(data + 1),
                              static_cast<int>(end - 1), nullptr, nullptr, nullptr, 0);
        }
    }
    silentFrames_ = 0;
    quiet_ = false;
}

void SynthPort::Resume() {
    if (!paused_.load()) {
        return;
    }
    std::lock_guard<std::mutex> pause(pauseMutex_);
    if (paused_.load()) {
        paused_.store(false);
        SDL_PauseAudioDevice(device_, 0);
    }
}

int SynthPort::SendShort(uint32_t message) {
    if (ShortMessageLength(static_cast<uint8_t>(message & 0xFF)) == 0) {
        return MidiErrInvalidParam;
    }
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (loading_) {
            Queue(PendingMessage{message, {}});
            return MidiNoError;
        }
        if (synth_ == nullptr) {
            return MidiNoError;  // the SoundFont failed to load: silent, as said on stderr
        }
        Play(message);
    }
    Resume();
    return MidiNoError;
}

int SynthPort::SendLong(const uint8_t* data, size_t size, std::function<void()> done) {
    if (data == nullptr || size == 0 || (data[0] != 0xF0 && data[0] != 0xF7)) {
        return MidiErrInvalidParam;
    }
    bool sounded = false;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (loading_) {
            Queue(PendingMessage{0, std::vector<uint8_t>(data, data + size)});
        } else if (synth_ != nullptr) {
            PlayLong(data, size);
            sounded = true;
        }
    }
    if (sounded) {
        Resume();
    }
    // The bytes are used up (or copied) by now.
    if (done) {
        done();
    }
    return MidiNoError;
}

void SynthPort::AudioCallback(void* self, Uint8* stream, int length) {
    static_cast<SynthPort*>(self)->Render(reinterpret_cast<int16_t*>(stream),
                                          length / static_cast<int>(2 * sizeof(int16_t)));
}

void SynthPort::Render(int16_t* samples, int frames) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (synth_ == nullptr) {
        std::fill(samples, samples + 2 * frames, 0);
        return;
    }
    fluid_synth_write_s16(synth_, frames, samples, 0, 2, samples, 1, 2);
    if (fluid_synth_get_active_voice_count(synth_) > 0) {
        silentFrames_ = 0;
        return;
    }
    if (silentFrames_ < kIdleFrames) {
        silentFrames_ += frames;
        if (silentFrames_ >= kIdleFrames) {
            quiet_ = true;
            wake_.notify_all();
        }
    }
}

}  // namespace

std::string FindSoundFont(std::string& why) {
    const char* named = std::getenv("TAVRI_SOUNDFONT");
    if (named != nullptr && named[0] != '\0') {
        return LooksLikeSoundFont(named, why) ? std::string(named) : std::string();
    }
    for (const char* name : kSoundFonts) {
        std::string path = std::string(kSoundFontFolder) + name;
        std::string unused;
        if (LooksLikeSoundFont(path, unused)) {
            return path;
        }
    }
    why = std::string("no General MIDI SoundFont in ") + kSoundFontFolder +
          " (install timgm6mb-soundfont, or name one in TAVRI_SOUNDFONT)";
    return {};
}

TMidiOutCaps SynthCapabilities() {
    TMidiOutCaps caps;
    caps.ProductName = "FluidSynth";
    int major = 0;
    int minor = 0;
    int micro = 0;
    fluid_version(&major, &minor, &micro);
    caps.DriverVersion = static_cast<uint32_t>(major << 8 | minor);
    caps.Technology = 7;  // a software synthesiser
    caps.Voices = kPolyphony;
    caps.Notes = kPolyphony;
    caps.ChannelMask = 0xFFFF;
    return caps;
}

int OpenSynthPort(const std::string& soundFont, std::unique_ptr<IMidiPort>& port) {
    auto synth = std::make_unique<SynthPort>(soundFont);
    if (!synth->Start()) {
        return MidiErrNoDevice;
    }
    port = std::move(synth);
    return MidiNoError;
}

}  // namespace tavri::platform::midi
