#pragma once

// MIDI output ports. Device −1 is the built-in synthesiser (FluidSynth with a General MIDI
// SoundFont, sounding through an SDL audio device of its own); devices 0 … n − 1 are the ALSA
// sequencer's writable ports, counted once when the system is created. Tests use a recording
// system whose ports store every message with its clock time.
//
// Result codes: 0 is success; anything else is an error whose text ErrorText gives (the
// platform's own text where it has one).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace tavri::platform {

class IClock;

enum : int {
    MidiNoError = 0,
    MidiErrBadDeviceId = 2,  // no such device
    MidiErrNoDevice = 68,    // the device cannot be opened (no SoundFont, no audio device, ...)
    MidiErrNotOpen = 5,      // sent through a closed port
    MidiErrInvalidParam = 11,
};

// What a device says of itself; the fields of the original capabilities block.
struct TMidiOutCaps {
    std::string ProductName;  // cp932 (ASCII in practice)
    uint32_t DriverVersion = 0;
    uint16_t Technology = 0;  // 7 = software synthesiser, 1 = MIDI port
    uint16_t Voices = 0;
    uint16_t Notes = 0;
    uint16_t ChannelMask = 0xFFFF;
    uint32_t Support = 0;
};

class IMidiPort {
  public:
    virtual ~IMidiPort() = default;
    // `message` is status + data 1 × 256 + data 2 × 65536. Any thread; one caller at a time.
    virtual int SendShort(uint32_t message) = 0;
    // A system-exclusive buffer starting with F0 (or F7). The port may keep reading `data` until
    // it calls `done`, which it does exactly once, on any thread, when it no longer needs the
    // bytes (also when the send fails after returning 0, and at the latest when the port is
    // destroyed). A non-zero result means the buffer was refused and `done` is never called.
    virtual int SendLong(const uint8_t* data, size_t size, std::function<void()> done) = 0;
    // The SoundFont file a synthesiser sounds with (native path); empty for other ports.
    virtual std::string SoundFont() const { return {}; }
};

class IMidiSystem {
  public:
    virtual ~IMidiSystem() = default;
    // Devices 0 … DeviceCount() − 1, besides −1.
    virtual int DeviceCount() = 0;
    virtual int Capabilities(int deviceId, TMidiOutCaps& caps) = 0;
    // On failure `port` stays empty and the result says why.
    virtual int Open(int deviceId, std::unique_ptr<IMidiPort>& port) = 0;
    // The text of a result code; "" when the system has none of its own.
    virtual std::string ErrorText(int result) = 0;
};

// FluidSynth for −1 and the ALSA sequencer's writable ports. Opening −1 finds a SoundFont
// (TAVRI_SOUNDFONT names one, else FluidR3_GM.sf2, TimGM6mb.sf2, default-GM.sf2 in
// /usr/share/sounds/sf2/) and opens an SDL audio device; without either it fails and says
// why in one line on stderr.
std::unique_ptr<IMidiSystem> CreateMidiSystem();

// One message a recording port received.
struct TRecordedMidi {
    uint32_t Time = 0;          // the clock's reading when it was sent
    int Device = 0;             // the device number the port was opened on
    uint32_t Short = 0;         // a short message, or 0 for a system-exclusive one
    std::vector<uint8_t> Long;  // the system-exclusive bytes
};

// Ports that store what they receive. Device −1 and `deviceCount` further devices exist; the
// names are "Recording" and "Recording 0", "Recording 1", .... System-exclusive completions
// are held until Complete() is called (so a test can see a buffer kept alive), or delivered at
// once when `completeAtOnce` is true. Thread-safe.
class RecordingMidiSystem final : public IMidiSystem {
  public:
    explicit RecordingMidiSystem(IClock& clock, int deviceCount = 0, bool completeAtOnce = true);
    ~RecordingMidiSystem() override;

    int DeviceCount() override;
    int Capabilities(int deviceId, TMidiOutCaps& caps) override;
    int Open(int deviceId, std::unique_ptr<IMidiPort>& port) override;
    std::string ErrorText(int result) override;

    std::vector<TRecordedMidi> Messages() const;
    void Clear();
    // Delivers the held completions in the order their buffers were sent; returns how many.
    size_t Complete();
    // The next Open fails with this result (0 to succeed again); the next sends fail likewise.
    void FailOpen(int result);
    void FailSends(int result);

  private:
    friend class RecordingMidiPort;
    IClock& clock_;
    int deviceCount_;
    bool completeAtOnce_;
    mutable std::mutex mutex_;
    std::vector<TRecordedMidi> messages_;
    // Held completions with the port they belong to, in the order their buffers were sent.
    std::vector<std::pair<const IMidiPort*, std::function<void()>>> pending_;
    int failOpen_ = 0;
    int failSends_ = 0;
};

}  // namespace tavri::platform
