#pragma once

// One MIDI output device of the platform: chosen by number or name, opened and closed, fed
// short and system-exclusive messages. Every device error becomes an EmidioutputError with the
// platform's text. A system-exclusive buffer lives until the device says it has sent it; that
// notice may come from any thread, so it is only handed to the main loop, which frees the
// buffer and tells Onmidioutput.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Midi.h"

namespace tavri {

class EmidioutputError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Runs work on the main loop in a later turn; callable from any thread.
using TMainLoopPoster = std::function<void(std::function<void()>)>;

// One event as the sequencer stores it. A system-exclusive event keeps its status byte both in
// Status and as the first byte of SysEx.
struct TMyMidiEvent {
    uint8_t Status = 0;
    uint8_t Data1 = 0;
    uint8_t Data2 = 0;
    uint32_t Time = 0;
    uint16_t SysExLength = 0;
    std::unique_ptr<uint8_t[]> SysEx;
};

// One system-exclusive send: the bytes the device reads until it reports completion.
struct TMyMidiHdr {
    uint64_t Id = 0;
    std::vector<uint8_t> Data;
};

class TMidiOutput {
  public:
    // `system` and `post` must outlive the component.
    TMidiOutput(platform::IMidiSystem& system, TMainLoopPoster post);
    ~TMidiOutput();
    TMidiOutput(const TMidiOutput&) = delete;
    TMidiOutput& operator=(const TMidiOutput&) = delete;

    const std::string& ProductName() const { return productName_; }
    void SetProductName(const std::string& name);
    int32_t DeviceID() const { return deviceId_; }
    void SetDeviceID(int32_t id);
    // Called on the main thread after a system-exclusive buffer was sent and freed.
    std::function<void(TMidiOutput& sender)> Onmidioutput;

    bool Open();
    bool Close();
    bool IsOpen() const { return !closed_; }
    // The SoundFont the open device sounds with (native path), or empty.
    std::string SoundFont() const { return port_ ? port_->SoundFont() : std::string(); }
    // status + data1 × 256 + data2 × 65536.
    void PutShort(uint8_t status, uint8_t data1, uint8_t data2);
    void PutLong(const uint8_t* bytes, size_t length);
    void PutMidiEvent(const TMyMidiEvent& event);

    int32_t LastResult() const { return lastResult_; }
    int32_t DeviceCount() const { return deviceCount_; }
    uint32_t DriverVersion() const { return caps_.DriverVersion; }
    uint16_t Technology() const { return caps_.Technology; }
    uint16_t Voices() const { return caps_.Voices; }
    uint16_t Notes() const { return caps_.Notes; }
    uint16_t ChannelMask() const { return caps_.ChannelMask; }
    uint32_t Support() const { return caps_.Support; }
    // System-exclusive buffers the device has not yet reported sent (main-thread view).
    size_t PendingHeaders() const;

  private:
    // What a late completion notice may still reach after Close or destruction.
    struct TShared {
        std::mutex mutex;
        TMidiOutput* owner = nullptr;  // cleared when the component goes away
        uint64_t nextId = 1;
        std::map<uint64_t, std::unique_ptr<TMyMidiHdr>> pending;
    };

    [[noreturn]] void RaiseError(int result);
    void Check(int result);
    void MessageDone(uint64_t id);

    platform::IMidiSystem& system_;
    TMainLoopPoster post_;
    std::unique_ptr<platform::IMidiPort> port_;
    std::shared_ptr<TShared> shared_;
    bool closed_ = true;
    int32_t lastResult_ = 0;
    int32_t deviceId_ = -1;
    std::string productName_;
    platform::TMidiOutCaps caps_;
    int32_t deviceCount_ = 0;
};

}  // namespace tavri
