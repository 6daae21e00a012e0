#include "midi/MidiDrive.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "platform/TextEncoding.h"

namespace tavri {

namespace {

constexpr double kFullLevel = 10000;
// The standard file's tempo when it never sets one.
constexpr int32_t kDefaultTempo = 120;
constexpr uint8_t kGMReset[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
constexpr uint8_t kGSReset[] = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};

// Nearest integer, halves to the even neighbour, kept to a controller's range.
uint8_t ControllerValue(double value) {
    const double rounded = std::nearbyint(value);
    return uint8_t(std::clamp(rounded, 0.0, 127.0));
}

}  // namespace

TMidiDrive::TMidiDrive(platform::IClock& clock, platform::IMidiSystem* system, TMainLoopPoster post,
                       TMidiDriveMode mode)
    : clock_(clock), system_(system), post_(std::move(post)) {
    ChannelVolume.fill(100);
    // Without a system nothing can ever play, and a thread would only sleep on a clock that
    // may be a test's.
    if (mode == TMidiDriveMode::Worker && system_ != nullptr) {
        worker_ = std::thread([this] { WorkerLoop(); });
    }
}

TMidiDrive::~TMidiDrive() {
    Shutdown();
}

void TMidiDrive::Shutdown() {
    try {
        Stop();
    } catch (const std::exception&) {
        // The device is going away; a failed silencing changes nothing now.
    }
    terminated_ = true;
    if (worker_.joinable()) {
        worker_.join();
    }
    std::lock_guard lock(mutex_);
    DeviceOpen = false;
    Playing = false;
    Loaded = false;
    for (TMidiTrack& track : Tracks) {
        track.Clear();
    }
    output_.reset();
}

void TMidiDrive::WorkerLoop() {
    while (!terminated_) {
        Step();
        clock_.Sleep(Period);
    }
}

void TMidiDrive::OpenDevice(int32_t deviceNumber) {
    if (output_ || system_ == nullptr || terminated_) {
        return;
    }
    output_ = std::make_unique<TMidiOutput>(*system_, post_);
    output_->SetDeviceID(deviceNumber);
    DeviceOpen = output_->Open();
}

void TMidiDrive::LoadFromStream(platform::TStream& stream) {
    if (!DeviceOpen) {
        return;
    }
    Stop();
    std::lock_guard lock(mutex_);
    // Refused before anything is copied: a scenario may name any file.
    const int64_t size = stream.Remaining();
    char magic[4] = {};
    if (size > kMaxMidiFileSize || size < 4 || stream.Read(magic, 4) != 4 ||
        std::string_view(magic, 4) != "MThd") {
        throw platform::EFOpenError(MidiHeaderErrorText());
    }
    std::vector<uint8_t> bytes(size_t(size), 0);
    std::copy(magic, magic + 4, bytes.begin());
    stream.ReadBuffer(bytes.data() + 4, bytes.size() - 4);
    TSmfContents contents = ParseSmf(bytes.data(), bytes.size());

    for (TMidiTrack& track : Tracks) {
        track.Clear();
    }
    Format = contents.Format;
    Division = contents.Division;
    TrackCount = int32_t(contents.Tracks.size());
    for (int32_t t = 0; t < TrackCount; ++t) {
        Tracks[size_t(t)] = std::move(contents.Tracks[size_t(t)]);
    }
    TempoMap = std::move(contents.TempoMap);
    TempoIndex = 0;
    Loaded = true;
}

void TMidiDrive::LoadFromMedia(const TMediaSource& media, const std::string& fileName) {
    if (!DeviceOpen) {
        return;
    }
    const TMediaFile found = FindMedia(media, {fileName});
    if (found.InPackage()) {
        if (auto bytes = ReadMedia(media, found)) {
            platform::TMemoryStream stream(std::move(*bytes));
            LoadFromStream(stream);
            return;
        }
    }
    // An entry that cannot be read may still have a twin on disk.
    const TMediaFile onDisk = found.InPackage() ? FindOnDisk(media, {fileName}) : found;
    std::unique_ptr<platform::TStream> file;
    try {
        if (onDisk.Place == TMediaFile::TPlace::Disk) {
            file = platform::OpenFileStream(onDisk.DiskPath, platform::FileMode::Read);
        }
    } catch (const platform::EFOpenError&) {
    }
    if (!file) {
        throw platform::EFOpenError(platform::Cp932("ファイル ") + fileName +
                                    platform::Cp932(" を開けません。"));
    }
    LoadFromStream(*file);
}

void TMidiDrive::RewindLocked() {
    Tempo = TempoMap.empty() ? kDefaultTempo : TempoMap.front().Bpm;
    TempoIndex = 0;
    IterationCount = 0;
    Position = 0;
    for (TMidiTrack& track : Tracks) {
        track.PlayIndex = 0;
    }
}

void TMidiDrive::Play() {
    if (!DeviceOpen || Playing || !Loaded) {
        return;
    }
    std::lock_guard lock(mutex_);
    RewindLocked();
    if (SkipLeadingSilence) {
        FirstNoteTick = 100000;
        for (int32_t t = 0; t < TrackCount; ++t) {
            for (const TMidiTrack::TEntry& entry : Tracks[size_t(t)].Events) {
                if ((entry.Event.Status & 0xF0) == 0x90) {
                    FirstNoteTick = std::min(FirstNoteTick, entry.Tick);
                    break;
                }
            }
        }
        FirstNoteTick = std::max(FirstNoteTick - Division / 4, 0);
    }
    FadeLevel = kFullLevel;
    FadeStep = 0;
    const bool gm = SendGMReset, gs = SendGSReset;
    if (gm) {
        GMReset();
    }
    if (gs) {
        GSReset();
    }
    for (int channel = 0; channel < 16; ++channel) {
        ChannelVolume[size_t(channel)] = 100;
        if (!gm && !gs) {
            output_->PutShort(uint8_t(0xB0 | channel), 7, 100);
        }
        clock_.Sleep(1);
    }
    Playing = true;
    LastTime = clock_.Now();
}

void TMidiDrive::Stop() {
    if (!DeviceOpen || !Playing) {
        return;
    }
    Playing = false;
    std::lock_guard lock(mutex_);
    FadeStep = 0;
    FadeLevel = kFullLevel;
    SilenceAll();
}

void TMidiDrive::FadeOut(int32_t milliseconds) {
    if (!DeviceOpen) {
        return;
    }
    if (milliseconds <= 0) {
        Stop();
        return;
    }
    std::lock_guard lock(mutex_);
    FadeLevel = kFullLevel;
    FadeStep = -(kFullLevel / milliseconds) * Period;
}

void TMidiDrive::Rewind() {
    if (!DeviceOpen || !Playing) {
        return;
    }
    std::lock_guard lock(mutex_);
    RewindLocked();
}

void TMidiDrive::SilenceAll() {
    if (!DeviceOpen) {
        return;
    }
    std::lock_guard lock(mutex_);
    for (int channel = 0; channel < 16; ++channel) {
        const uint8_t status = uint8_t(0xB0 | channel);
        output_->PutShort(status, 7, 0);
        output_->PutShort(status, 120, 0);
        output_->PutShort(status, 123, 0);
        output_->PutShort(status, 121, 0);
        clock_.Sleep(1);
    }
}

void TMidiDrive::GMReset() {
    if (!DeviceOpen) {
        return;
    }
    std::lock_guard lock(mutex_);
    output_->PutLong(kGMReset, sizeof kGMReset);
    clock_.Sleep(60);
}

void TMidiDrive::GSReset() {
    if (!DeviceOpen) {
        return;
    }
    std::lock_guard lock(mutex_);
    output_->PutLong(kGSReset, sizeof kGSReset);
    clock_.Sleep(60);
}

void TMidiDrive::Step() {
    if (!Loaded || !Playing || !DeviceOpen) {
        return;
    }
    std::lock_guard lock(mutex_);
    // Stop clears Playing before it takes the lock.
    if (!Playing) {
        return;
    }
    try {
        Iterate();
    } catch (const std::exception&) {
        // A device that fails while playing ends the piece; nobody is there to be told.
        Playing = false;
        FadeStep = 0;
    }
}

void TMidiDrive::SendFadedVolume(int channel, int32_t value) {
    output_->PutShort(uint8_t(0xB0 | channel), 7, ControllerValue(value * FadeLevel / kFullLevel));
}

void TMidiDrive::Iterate() {
    const uint32_t now = clock_.Now();
    const int32_t elapsed = int32_t(now - LastTime);
    LastTime = now;
    // Only its remainder by 20 matters; weeks of playing must not overflow it.
    IterationCount = IterationCount == std::numeric_limits<int32_t>::max() ? 0 : IterationCount + 1;

    while (TempoIndex < int32_t(TempoMap.size()) && Position >= TempoMap[size_t(TempoIndex)].Tick) {
        Tempo = TempoMap[size_t(TempoIndex)].Bpm;
        ++TempoIndex;
    }
    const int speed = SkipLeadingSilence && Position < FirstNoteTick ? 3 : 1;
    Position += (long double)elapsed * speed * Tempo * Division / 60000.0L;

    if (FadeStep != 0 && IterationCount % 20 == 0) {
        FadeLevel += FadeStep * 20;
        if (FadeStep < 0 && FadeLevel <= 0) {
            FadeLevel = 0;
            FadeStep = 0;
            Playing = false;
            SilenceAll();
            return;
        }
        for (int channel = 0; channel < 16; ++channel) {
            SendFadedVolume(channel, ChannelVolume[size_t(channel)]);
        }
    }

    bool remaining = false, anyEvents = false;
    for (int32_t t = 0; t < TrackCount; ++t) {
        TMidiTrack& track = Tracks[size_t(t)];
        anyEvents = anyEvents || track.Count() > 0;
        while (track.PlayIndex < track.Count() &&
               Position >= track.Events[size_t(track.PlayIndex)].Tick) {
            const TMyMidiEvent& event = track.Events[size_t(track.PlayIndex)].Event;
            ++track.PlayIndex;
            if ((event.Status & 0xF0) == 0xB0 && event.Data1 == 7) {
                const int channel = event.Status & 0x0F;
                ChannelVolume[size_t(channel)] = event.Data2;
                SendFadedVolume(channel, event.Data2);
            } else {
                output_->PutMidiEvent(event);
            }
        }
        remaining = remaining || track.PlayIndex < track.Count();
    }
    if (remaining) {
        return;
    }
    // A file with no events at all would loop without ever sounding.
    if (Looping && anyEvents) {
        RewindLocked();
    } else {
        Playing = false;
        FadeStep = 0;
    }
}

}  // namespace tavri
