#include "midi/MidiOut.h"

#include <cstring>
#include <utility>

namespace tavri {

namespace {

constexpr size_t kErrorTextCapacity = 128;

}  // namespace

TMidiOutput::TMidiOutput(platform::IMidiSystem& system, TMainLoopPoster post)
    : system_(system), post_(std::move(post)), shared_(std::make_shared<TShared>()) {
    shared_->owner = this;
    deviceCount_ = system_.DeviceCount();
}

TMidiOutput::~TMidiOutput() {
    try {
        Close();
    } catch (const EmidioutputError&) {
        // Nothing is left to tell at destruction; the port is gone either way.
    }
    std::lock_guard lock(shared_->mutex);
    shared_->owner = nullptr;
    shared_->pending.clear();
}

void TMidiOutput::RaiseError(int result) {
    std::string text = system_.ErrorText(result);
    if (text.empty()) {
        text = "Specified error number is out of range";
    }
    if (text.size() >= kErrorTextCapacity) {
        text.resize(kErrorTextCapacity - 1);
    }
    throw EmidioutputError(text);
}

void TMidiOutput::Check(int result) {
    lastResult_ = result;
    if (result != platform::MidiNoError) {
        RaiseError(result);
    }
}

void TMidiOutput::SetDeviceID(int32_t id) {
    if (!closed_) {
        throw EmidioutputError("Change to DeviceID while device was open");
    }
    // The system's own numbers start at −1; anything below is as unknown as one past the end.
    if (id < -1 || (id >= deviceCount_ && id != -1)) {
        throw EmidioutputError("Invalid device ID");
    }
    deviceId_ = id;
    platform::TMidiOutCaps caps;
    Check(system_.Capabilities(id, caps));
    caps_ = caps;
    productName_ = caps.ProductName;
}

void TMidiOutput::SetProductName(const std::string& name) {
    if (!closed_) {
        throw EmidioutputError("Change to ProductName while device was open");
    }
    for (int32_t id = -1; id < deviceCount_; ++id) {
        platform::TMidiOutCaps caps;
        if (system_.Capabilities(id, caps) == platform::MidiNoError && caps.ProductName == name) {
            SetDeviceID(id);
            return;
        }
    }
    throw EmidioutputError("MIDI output Device " + name + " not installed");
}

bool TMidiOutput::Open() {
    if (!closed_) {
        return true;
    }
    std::unique_ptr<platform::IMidiPort> port;
    lastResult_ = system_.Open(deviceId_, port);
    if (lastResult_ != platform::MidiNoError || !port) {
        return false;
    }
    port_ = std::move(port);
    closed_ = false;
    return true;
}

bool TMidiOutput::Close() {
    const bool wasOpen = !closed_;
    closed_ = true;
    // The port hands back every buffer it still reads when it goes away, so the headers can go
    // after it; their notices, still on their way to the main loop, then find nothing.
    port_.reset();
    {
        std::lock_guard lock(shared_->mutex);
        shared_->pending.clear();
    }
    return wasOpen;
}

void TMidiOutput::PutShort(uint8_t status, uint8_t data1, uint8_t data2) {
    if (!port_) {
        RaiseError(platform::MidiErrNotOpen);
    }
    const uint32_t message = uint32_t(status) | uint32_t(data1) << 8 | uint32_t(data2) << 16;
    Check(port_->SendShort(message));
}

void TMidiOutput::PutLong(const uint8_t* bytes, size_t length) {
    if (!port_) {
        RaiseError(platform::MidiErrNotOpen);
    }
    auto header = std::make_unique<TMyMidiHdr>();
    header->Data.assign(bytes, bytes + length);
    const uint8_t* data = header->Data.data();
    uint64_t id;
    {
        std::lock_guard lock(shared_->mutex);
        id = shared_->nextId++;
        header->Id = id;
        shared_->pending.emplace(id, std::move(header));
    }
    std::weak_ptr<TShared> weak = shared_;
    TMainLoopPoster post = post_;
    auto done = [weak, post, id] {
        // Any thread: only the main loop may free the buffer and tell the owner.
        post([weak, id] {
            if (auto shared = weak.lock()) {
                TMidiOutput* owner = nullptr;
                {
                    std::lock_guard lock(shared->mutex);
                    owner = shared->owner;
                }
                if (owner != nullptr) {
                    owner->MessageDone(id);
                }
            }
        });
    };
    const int result = port_->SendLong(data, length, std::move(done));
    if (result != platform::MidiNoError) {
        // A refused buffer gets no notice; it is ours to free now.
        std::lock_guard lock(shared_->mutex);
        shared_->pending.erase(id);
    }
    Check(result);
}

void TMidiOutput::MessageDone(uint64_t id) {
    std::unique_ptr<TMyMidiHdr> header;
    {
        std::lock_guard lock(shared_->mutex);
        auto it = shared_->pending.find(id);
        if (it == shared_->pending.end()) {
            return;  // freed by Close already
        }
        header = std::move(it->second);
        shared_->pending.erase(it);
    }
    header.reset();
    if (Onmidioutput) {
        Onmidioutput(*this);
    }
}

void TMidiOutput::PutMidiEvent(const TMyMidiEvent& event) {
    if (closed_) {
        throw EmidioutputError("MIDI Output device not open");
    }
    if (event.SysEx && event.SysExLength > 0) {
        PutLong(event.SysEx.get(), event.SysExLength);
    } else {
        PutShort(event.Status, event.Data1, event.Data2);
    }
}

size_t TMidiOutput::PendingHeaders() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->pending.size();
}

}  // namespace tavri
