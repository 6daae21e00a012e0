#pragma once

// A sequencer on a virtual clock and a recording MIDI system, stepped every 2 ms as its worker
// would be, with the main loop's posted work kept in a queue the test runs.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "midi/MidiDrive.h"
#include "midi/SmfWriter.h"
#include "platform/Clock.h"
#include "platform/Midi.h"
#include "platform/Stream.h"

namespace tavri::test {

// Work posted to "the main loop"; RunPosted runs it (and whatever it posts in turn).
struct PostedQueue {
    std::vector<std::function<void()>> work;
    TMainLoopPoster Poster() {
        return [this](std::function<void()> w) { work.push_back(std::move(w)); };
    }
    size_t RunPosted() {
        size_t ran = 0;
        while (!work.empty()) {
            auto batch = std::move(work);
            work.clear();
            for (auto& w : batch) {
                w();
                ++ran;
            }
        }
        return ran;
    }
};

struct SteppedDrive {
    explicit SteppedDrive(bool completeAtOnce = true)
        : midi(clock, 2, completeAtOnce),
          drive(clock, &midi, posted.Poster(), TMidiDriveMode::Stepped) {
        drive.OpenDevice(-1);
    }

    void Load(const std::vector<uint8_t>& smf) {
        platform::TMemoryStream stream(smf);
        drive.LoadFromStream(stream);
    }
    // Plays from a clean record: what Play itself sends is dropped when `keepStart` is false.
    void Play(bool keepStart = false) {
        drive.Play();
        playTime = clock.Now();
        if (!keepStart) {
            midi.Clear();
        }
    }
    // The worker's rhythm: 2 ms pass, one iteration.
    void RunFor(uint32_t ms) {
        for (uint32_t t = 0; t < ms; t += TMidiDrive::Period) {
            clock.Advance(TMidiDrive::Period);
            drive.Step();
        }
    }
    std::vector<uint32_t> Shorts() const {
        std::vector<uint32_t> out;
        for (const auto& m : midi.Messages()) {
            if (m.Long.empty()) {
                out.push_back(m.Short);
            }
        }
        return out;
    }
    // Times (relative to Play) at which a short message with this status and first byte went out.
    std::vector<uint32_t> TimesOf(uint8_t status, uint8_t data1) const {
        std::vector<uint32_t> out;
        for (const auto& m : midi.Messages()) {
            if (m.Long.empty() && (m.Short & 0xFF) == status && ((m.Short >> 8) & 0xFF) == data1) {
                out.push_back(m.Time - playTime);
            }
        }
        return out;
    }

    platform::VirtualClock clock{5000};
    PostedQueue posted;
    platform::RecordingMidiSystem midi;
    TMidiDrive drive;
    uint32_t playTime = 0;
};

inline uint32_t ShortMessage(uint8_t status, uint8_t data1, uint8_t data2) {
    return uint32_t(status) | uint32_t(data1) << 8 | uint32_t(data2) << 16;
}

// The 64 messages of silencing every channel, in order.
inline std::vector<uint32_t> SilenceAllMessages() {
    std::vector<uint32_t> out;
    for (int channel = 0; channel < 16; ++channel) {
        for (uint8_t controller : {7, 120, 123, 121}) {
            out.push_back(ShortMessage(uint8_t(0xB0 | channel), controller, 0));
        }
    }
    return out;
}

}  // namespace tavri::test
