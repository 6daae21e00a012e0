#pragma once

// The standard MIDI file sequencer the main window plays its music with. The whole file is read
// into per-track event lists; a worker thread then advances a tick position from the clock
// every 2 ms and sends every event whose time has come. It loops, fast-forwards over the
// silence before the first note, sends an optional GM or GS reset, and fades out by scaling the
// channel volume controllers. Without an output device every operation does nothing.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "media/MediaFinder.h"
#include "midi/MidiOut.h"
#include "midi/SmfParser.h"
#include "platform/Clock.h"
#include "platform/Midi.h"
#include "platform/Stream.h"

namespace tavri {

// How the sequencer is driven. With Stepped no thread runs: whoever owns the clock calls Step()
// every Period ms (a headless run on a virtual clock does, so time cannot race).
enum class TMidiDriveMode { Worker, Stepped };

// What the main window plays its music with; no system means no music.
struct TMidiSetup {
    platform::IMidiSystem* System = nullptr;
    TMidiDriveMode Mode = TMidiDriveMode::Worker;
};

class TMidiDrive {
  public:
    // `clock`, `system` and the main loop behind `post` must outlive the drive. A null system
    // means no music (and no worker thread).
    TMidiDrive(platform::IClock& clock, platform::IMidiSystem* system, TMainLoopPoster post,
               TMidiDriveMode mode = TMidiDriveMode::Worker);
    ~TMidiDrive();
    TMidiDrive(const TMidiDrive&) = delete;
    TMidiDrive& operator=(const TMidiDrive&) = delete;

    // Only the first call opens a device (−1 is the system's default output). Errors reading
    // the device's capabilities raise EmidioutputError; a failed open leaves DeviceOpen false.
    void OpenDevice(int32_t deviceNumber);
    // Throws platform::EFOpenError with the header message for a file that is not MIDI.
    void LoadFromStream(platform::TStream& stream);
    // `fileName` is a novel name: the archive's entry, else the file on disk. One that cannot be
    // found or opened raises platform::EFOpenError ("ファイル %s を開けません。").
    void LoadFromMedia(const TMediaSource& media, const std::string& fileName);
    void Play();
    void Stop();
    // t ≤ 0 stops at once.
    void FadeOut(int32_t milliseconds);
    void Rewind();
    void SilenceAll();
    // F0 7E 7F 09 01 F7 and F0 41 10 42 12 40 00 7F 00 41 F7, each followed by 60 ms.
    void GMReset();
    void GSReset();
    // One iteration of the playing loop (the worker calls it between its sleeps).
    void Step();
    // What destruction does, at a moment the owner chooses: stop, end the worker, close the
    // device. Afterwards every operation does nothing.
    void Shutdown();

    TMidiOutput* Output() { return output_.get(); }

    // Read by the worker without the lock.
    std::atomic<bool> DeviceOpen{false};
    std::atomic<bool> Playing{false};
    std::atomic<bool> Loaded{false};
    // Settings the main window writes between pieces.
    std::atomic<bool> Looping{false};
    std::atomic<bool> SkipLeadingSilence{false};
    std::atomic<bool> SendGSReset{false};
    std::atomic<bool> SendGMReset{false};

    // Under the lock (read them only while nothing plays, or in Stepped mode).
    static constexpr int32_t Period = 2;
    int32_t IterationCount = 0;
    uint32_t LastTime = 0;
    int32_t FirstNoteTick = 0;
    int32_t Tempo = 120;
    long double Position = 0;
    std::array<int32_t, 16> ChannelVolume{};
    double FadeLevel = 10000;
    double FadeStep = 0;
    int32_t Format = 0;
    int32_t TrackCount = 0;
    int32_t Division = 0;
    std::array<TMidiTrack, kMaxMidiTracks> Tracks;
    std::vector<TTempoChange> TempoMap;
    int32_t TempoIndex = 0;

  private:
    void Iterate();
    void RewindLocked();
    void SendFadedVolume(int channel, int32_t value);
    void WorkerLoop();

    platform::IClock& clock_;
    platform::IMidiSystem* system_;
    TMainLoopPoster post_;
    std::unique_ptr<TMidiOutput> output_;
    std::recursive_mutex mutex_;
    std::atomic<bool> terminated_{false};
    std::thread worker_;
};

}  // namespace tavri
