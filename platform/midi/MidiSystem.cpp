#include <cstdio>

#include "MidiPorts.h"
#include "platform/Log.h"

namespace tavri::platform {

namespace midi {

int ShortMessageLength(uint8_t status) {
    if (status < 0x80) {
        return 0;
    }
    if (status < 0xF0) {
        uint8_t kind = status & 0xF0;
        return kind == 0xC0 || kind == 0xD0 ? 2 : 3;
    }
    switch (status) {
        case 0xF1:  // time code quarter frame
        case 0xF3:  // song select
            return 2;
        case 0xF2:  // song position
            return 3;
        case 0xF0:  // exclusives go as long messages
        case 0xF7:
        case 0xF4:  // undefined
        case 0xF5:
        case 0xF9:
        case 0xFD:
            return 0;
        default:  // tune request and real-time messages
            return 1;
    }
}

}  // namespace midi

namespace {

class MidiSystem final : public IMidiSystem {
  public:
    MidiSystem() : alsaPorts_(midi::ListAlsaPorts()) {}

    int DeviceCount() override { return static_cast<int>(alsaPorts_.size()); }

    int Capabilities(int deviceId, TMidiOutCaps& caps) override {
        if (deviceId == -1) {
            caps = midi::SynthCapabilities();
            return MidiNoError;
        }
        if (!Exists(deviceId)) {
            return MidiErrBadDeviceId;
        }
        caps = midi::AlsaCapabilities(alsaPorts_[static_cast<size_t>(deviceId)]);
        return MidiNoError;
    }

    int Open(int deviceId, std::unique_ptr<IMidiPort>& port) override {
        port.reset();
        if (deviceId == -1) {
            std::string why;
            std::string soundFont = midi::FindSoundFont(why);
            if (soundFont.empty()) {
                Report(why + "; reading without music");
                return MidiErrNoDevice;
            }
            return midi::OpenSynthPort(soundFont, port);
        }
        if (!Exists(deviceId)) {
            return MidiErrBadDeviceId;
        }
        return midi::OpenAlsaPort(alsaPorts_[static_cast<size_t>(deviceId)], port);
    }

    std::string ErrorText(int result) override {
        switch (result) {
            case MidiNoError:
                return "No error";
            case MidiErrBadDeviceId:
                return "There is no MIDI output device with this number";
            case MidiErrNoDevice:
                return "The MIDI output device cannot be opened";
            case MidiErrNotOpen:
                return "The MIDI output device is not open";
            case MidiErrInvalidParam:
                return "The MIDI message is not valid";
            default:
                break;
        }
        if (result > midi::kAlsaErrorBase) {
            return midi::AlsaErrorText(result - midi::kAlsaErrorBase);
        }
        return "";
    }

  private:
    bool Exists(int deviceId) const {
        return deviceId >= 0 && static_cast<size_t>(deviceId) < alsaPorts_.size();
    }

    // Counted once, as the original counts its devices when it is created: device numbers must
    // not shift under a sequencer while a port comes or goes.
    std::vector<midi::AlsaPortAddress> alsaPorts_;
};

}  // namespace

std::unique_ptr<IMidiSystem> CreateMidiSystem() {
    QuietAudioLibraries();
    return std::make_unique<MidiSystem>();
}

}  // namespace tavri::platform
