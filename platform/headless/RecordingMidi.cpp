#include <utility>

#include "platform/Clock.h"
#include "platform/Midi.h"

namespace tavri::platform {

class RecordingMidiPort final : public IMidiPort {
  public:
    RecordingMidiPort(RecordingMidiSystem& system, int device) : system_(system), device_(device) {}

    // A port hands back every buffer it still holds when it goes away.
    ~RecordingMidiPort() override {
        std::vector<std::function<void()>> mine;
        {
            std::lock_guard lock(system_.mutex_);
            auto& pending = system_.pending_;
            for (auto it = pending.begin(); it != pending.end();) {
                if (it->first == this) {
                    mine.push_back(std::move(it->second));
                    it = pending.erase(it);
                } else {
                    ++it;
                }
            }
        }
        for (auto& done : mine) {
            done();
        }
    }

    int SendShort(uint32_t message) override {
        std::lock_guard lock(system_.mutex_);
        if (system_.failSends_ != 0) {
            return system_.failSends_;
        }
        system_.messages_.push_back({system_.clock_.Now(), device_, message, {}});
        return MidiNoError;
    }

    int SendLong(const uint8_t* data, size_t size, std::function<void()> done) override {
        if (data == nullptr || size == 0 || !done) {
            return MidiErrInvalidParam;
        }
        {
            std::lock_guard lock(system_.mutex_);
            if (system_.failSends_ != 0) {
                return system_.failSends_;
            }
            system_.messages_.push_back(
                {system_.clock_.Now(), device_, 0, std::vector<uint8_t>(data, data + size)});
            if (!system_.completeAtOnce_) {
                system_.pending_.emplace_back(this, std::move(done));
                return MidiNoError;
            }
        }
        done();
        return MidiNoError;
    }

  private:
    RecordingMidiSystem& system_;
    int device_;
};

RecordingMidiSystem::RecordingMidiSystem(IClock& clock, int deviceCount, bool completeAtOnce)
    : clock_(clock),
      deviceCount_(deviceCount < 0 ? 0 : deviceCount),
      completeAtOnce_(completeAtOnce) {}

RecordingMidiSystem::~RecordingMidiSystem() = default;

int RecordingMidiSystem::DeviceCount() {
    return deviceCount_;
}

int RecordingMidiSystem::Capabilities(int deviceId, TMidiOutCaps& caps) {
    if (deviceId < -1 || deviceId >= deviceCount_) {
        return MidiErrBadDeviceId;
    }
    caps = TMidiOutCaps{};
    caps.ProductName = deviceId == -1 ? "Recording" : "Recording " + std::to_string(deviceId);
    caps.DriverVersion = 0x0100;
    caps.Technology = deviceId == -1 ? 7 : 1;
    caps.Voices = deviceId == -1 ? 256 : 0;
    caps.Notes = deviceId == -1 ? 256 : 0;
    return MidiNoError;
}

int RecordingMidiSystem::Open(int deviceId, std::unique_ptr<IMidiPort>& port) {
    port.reset();
    if (deviceId < -1 || deviceId >= deviceCount_) {
        return MidiErrBadDeviceId;
    }
    {
        std::lock_guard lock(mutex_);
        if (failOpen_ != 0) {
            return failOpen_;
        }
    }
    port = std::make_unique<RecordingMidiPort>(*this, deviceId);
    return MidiNoError;
}

std::string RecordingMidiSystem::ErrorText(int result) {
    switch (result) {
        case MidiErrBadDeviceId:
            return "The specified device identifier is out of range.";
        case MidiErrNoDevice:
            return "No MIDI port was found.";
        case MidiErrNotOpen:
            return "The device is not open.";
        case MidiErrInvalidParam:
            return "An invalid parameter was passed to a system function.";
        default:
            return "";
    }
}

std::vector<TRecordedMidi> RecordingMidiSystem::Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

void RecordingMidiSystem::Clear() {
    std::lock_guard lock(mutex_);
    messages_.clear();
}

size_t RecordingMidiSystem::Complete() {
    std::vector<std::pair<const IMidiPort*, std::function<void()>>> held;
    {
        std::lock_guard lock(mutex_);
        held.swap(pending_);
    }
    for (auto& entry : held) {
        entry.second();
    }
    return held.size();
}

void RecordingMidiSystem::FailOpen(int result) {
    std::lock_guard lock(mutex_);
    failOpen_ = result;
}

void RecordingMidiSystem::FailSends(int result) {
    std::lock_guard lock(mutex_);
    failSends_ = result;
}

}  // namespace tavri::platform
