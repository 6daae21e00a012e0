// The sequencer on its own worker thread with the system clock, while the main thread starts,
// fades, stops and reloads it; ThreadSanitizer runs this too.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "midi/MidiDrive.h"
#include "midi/MidiSupport.h"
#include "platform/Clock.h"

namespace tavri::test {
namespace {

using namespace std::chrono_literals;

// A wait that gives up, so that a broken worker fails the test instead of hanging it.
bool WaitFor(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// Posted work from the device's own threads, run here as the main loop would.
struct LockedQueue {
    std::mutex mutex;
    std::vector<std::function<void()>> work;
    TMainLoopPoster Poster() {
        return [this](std::function<void()> w) {
            std::lock_guard lock(mutex);
            work.push_back(std::move(w));
        };
    }
    void Run() {
        std::vector<std::function<void()>> batch;
        {
            std::lock_guard lock(mutex);
            batch.swap(work);
        }
        for (auto& w : batch) {
            w();
        }
    }
};

size_t NoteOns(const platform::RecordingMidiSystem& midi) {
    size_t count = 0;
    for (const auto& m : midi.Messages()) {
        count += m.Long.empty() && (m.Short & 0xF0) == 0x90 ? 1 : 0;
    }
    return count;
}

TEST(MidiDriveThread, PlaysFadesAndStopsOnItsOwnThread) {
    auto clock = platform::CreateSystemClock();
    LockedQueue queue;
    platform::RecordingMidiSystem midi(*clock, 0, /*completeAtOnce=*/false);
    {
        TMidiDrive drive(*clock, &midi, queue.Poster(), TMidiDriveMode::Worker);
        drive.OpenDevice(-1);
        ASSERT_TRUE(drive.DeviceOpen);
        drive.SendGSReset = true;
        // Short notes at 48 ticks (50 ms) apart, with a system-exclusive message among them.
        TSmfTrack track;
        track.SysEx(0, {0x43, 0xF7});
        for (int i = 0; i < 40; ++i) {
            track.NoteOn(i == 0 ? 0 : 24, 0, 60 + i % 12, 100).NoteOff(24, 0, 60 + i % 12);
        }
        platform::TMemoryStream stream(WriteSmf(0, 480, {track}));
        drive.LoadFromStream(stream);
        drive.Looping = true;
        drive.Play();
        ASSERT_TRUE(WaitFor([&] { return NoteOns(midi) >= 3; }));
        midi.Complete();
        queue.Run();

        // Loading again stops the piece first; the worker must let go of the old tracks.
        platform::TMemoryStream again(WriteSmf(0, 480, {track}));
        drive.LoadFromStream(again);
        EXPECT_FALSE(drive.Playing);
        drive.Play();
        const size_t before = NoteOns(midi);
        ASSERT_TRUE(WaitFor([&] { return NoteOns(midi) > before; }));

        drive.FadeOut(100);
        ASSERT_TRUE(WaitFor([&] { return !drive.Playing; }));
        drive.Play();
        drive.Stop();
        EXPECT_FALSE(drive.Playing);
        drive.Play();
        // Destroyed while playing: stopped, the worker joined, the device closed.
    }
    midi.Complete();
    queue.Run();
    const auto messages = midi.Messages();
    ASSERT_GE(messages.size(), 64u);
    EXPECT_EQ(messages.back().Short, ShortMessage(0xBF, 121, 0));
}

}  // namespace
}  // namespace tavri::test
