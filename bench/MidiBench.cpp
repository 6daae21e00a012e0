// How punctually the sequencer sends: a 60-second standard MIDI file (tempo changes, four
// tracks of sixteenths and chords) played on the real clock into a port that stamps every
// message with the monotonic time, beside FluidSynth's own file player on the same file with
// its events intercepted the same way. Counters: the lateness of each sent event against its
// due time from the file's tempo map (median and 99th percentile, ms), and the CPU the playing
// thread used as a share of one core. TAVRI_BENCH_MIDI_SECONDS asks for a shorter file.

#include <benchmark/benchmark.h>
#include <fluidsynth.h>
#include <pthread.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "midi/MidiDrive.h"
#include "midi/SmfWriter.h"
#include "platform/Clock.h"
#include "platform/Midi.h"
#include "platform/Stream.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint16_t kDivision = 480;

// One event of the file: its tick, the moment it is due after the start, and the message.
struct TDue {
    uint32_t Tick;
    double Ms;
    uint32_t Message;
};

struct TBenchFile {
    std::vector<uint8_t> Bytes;
    std::vector<TDue> Events;
    double LengthMs = 0;
};

// Three sections of equal length at 120, 150 and 100 beats per minute (whole beats per
// minute, so every player computes the same times).
struct TSection {
    uint32_t StartTick;
    uint32_t MicrosPerQuarter;
};

double DueMs(const std::vector<TSection>& sections, uint32_t tick) {
    double ms = 0;
    for (size_t i = 0; i < sections.size(); ++i) {
        uint32_t end = i + 1 < sections.size() ? sections[i + 1].StartTick : UINT32_MAX;
        if (tick <= sections[i].StartTick) {
            break;
        }
        uint32_t ticks = std::min(tick, end) - sections[i].StartTick;
        ms += ticks * (sections[i].MicrosPerQuarter / 1000.0) / kDivision;
    }
    return ms;
}

const TBenchFile& BenchFile() {
    static const TBenchFile file = [] {
        double seconds = 60;
        if (const char* asked = std::getenv("TAVRI_BENCH_MIDI_SECONDS")) {
            seconds = std::clamp(std::atof(asked), 1.0, 600.0);
        }
        // Each section lasts a third of the whole.
        const double sectionMs = seconds * 1000 / 3;
        std::vector<TSection> sections;
        uint32_t tick = 0;
        for (uint32_t micros : {500000u, 400000u, 600000u}) {
            sections.push_back({tick, micros});
            tick += static_cast<uint32_t>(sectionMs * 1000 / micros * kDivision);
        }
        const uint32_t endTick = tick;

        TBenchFile out;
        std::vector<std::vector<std::pair<uint32_t, uint32_t>>> tracks(4);
        auto add = [&](size_t track, uint32_t at, uint32_t message) {
            tracks[track].push_back({at, message});
        };
        const uint32_t sixteenth = kDivision / 4;
        for (int channel = 0; channel < 4; ++channel) {
            add(static_cast<size_t>(channel), 0, 0xC0u | channel | (channel * 8u) << 8);
        }
        for (uint32_t at = 0, step = 0; at + kDivision <= endTick; at += sixteenth, ++step) {
            // A running line of sixteenths, a bass on the beats, chords on every other beat
            // and a pitch bend sweep: a busy piece, not an extreme one.
            uint32_t key = 60 + (step * 7) % 24;
            add(0, at, 0x90u | key << 8 | 90u << 16);
            add(0, at + sixteenth - 10, 0x80u | key << 8);
            if (step % 4 == 0) {
                uint32_t bass = 36 + (step / 4 * 5) % 12;
                add(1, at, 0x91u | bass << 8 | 100u << 16);
                add(1, at + kDivision - 20, 0x81u | bass << 8);
            }
            if (step % 8 == 0) {
                for (uint32_t chord : {64u, 67u, 71u}) {
                    add(2, at, 0x92u | chord << 8 | 70u << 16);
                    add(2, at + 2 * kDivision - 30, 0x82u | chord << 8);
                }
            }
            add(3, at, 0xE3u | (step % 128) << 16);
        }
        std::vector<tavri::TSmfTrack> smf(5);
        uint32_t now = 0;
        for (const TSection& section : sections) {
            smf[0].Tempo(section.StartTick - now, section.MicrosPerQuarter);
            now = section.StartTick;
        }
        smf[0].End(endTick - now);
        for (size_t t = 0; t < tracks.size(); ++t) {
            std::stable_sort(tracks[t].begin(), tracks[t].end(),
                             [](auto& a, auto& b) { return a.first < b.first; });
            now = 0;
            for (auto [at, message] : tracks[t]) {
                std::vector<uint8_t> bytes = {static_cast<uint8_t>(message),
                                              static_cast<uint8_t>(message >> 8)};
                if ((message & 0xE0) != 0xC0) {
                    bytes.push_back(static_cast<uint8_t>(message >> 16));
                }
                smf[t + 1].Event(at - now, bytes);
                now = at;
                out.Events.push_back({at, DueMs(sections, at), message});
            }
            // The last chords ring a little past the end of the conductor's track.
            smf[t + 1].End(now < endTick ? endTick - now : 0);
        }
        out.Bytes = tavri::WriteSmf(1, kDivision, smf);
        out.LengthMs = DueMs(sections, endTick);
        return out;
    }();
    return file;
}

// Stamps what is sent, from whichever thread sends it, and reads that thread's CPU clock with
// each message (a player's thread may be gone by the time the file has ended).
class TStamps {
  public:
    void Stamp(uint32_t message) {
        Clock::time_point now = Clock::now();
        std::lock_guard<std::mutex> guard(mutex_);
        if (!haveThread_) {
            haveThread_ = pthread_getcpuclockid(pthread_self(), &thread_) == 0;
            cpuStart_ = ThreadCpu();
            wallStart_ = now;
        }
        if (haveThread_) {
            cpuLast_ = ThreadCpu();
            wallLast_ = now;
        }
        stamps_.push_back({message, now});
    }
    // The sending thread's CPU use from its first message to its last, as a share of one core.
    double CorePercent() {
        std::lock_guard<std::mutex> guard(mutex_);
        double wall = std::chrono::duration<double>(wallLast_ - wallStart_).count();
        return haveThread_ && wall > 0 ? 100 * (cpuLast_ - cpuStart_) / wall : 0;
    }
    std::vector<std::pair<uint32_t, Clock::time_point>> Take() {
        std::lock_guard<std::mutex> guard(mutex_);
        return std::move(stamps_);
    }

  private:
    double ThreadCpu() const {
        timespec ts{};
        clock_gettime(thread_, &ts);
        return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
    }
    std::mutex mutex_;
    bool haveThread_ = false;
    clockid_t thread_{};
    double cpuStart_ = 0;
    double cpuLast_ = 0;
    Clock::time_point wallStart_;
    Clock::time_point wallLast_;
    std::vector<std::pair<uint32_t, Clock::time_point>> stamps_;
};

class TTimingPort final : public tavri::platform::IMidiPort {
  public:
    explicit TTimingPort(TStamps& stamps) : stamps_(stamps) {}
    int SendShort(uint32_t message) override {
        stamps_.Stamp(message);
        return 0;
    }
    int SendLong(const uint8_t*, size_t, std::function<void()> done) override {
        done();
        return 0;
    }

  private:
    TStamps& stamps_;
};

class TTimingSystem final : public tavri::platform::IMidiSystem {
  public:
    explicit TTimingSystem(TStamps& stamps) : stamps_(stamps) {}
    int DeviceCount() override { return 0; }
    int Capabilities(int deviceId, tavri::platform::TMidiOutCaps& caps) override {
        if (deviceId != -1) {
            return tavri::platform::MidiErrBadDeviceId;
        }
        caps.ProductName = "Timing";
        return 0;
    }
    int Open(int deviceId, std::unique_ptr<tavri::platform::IMidiPort>& port) override {
        if (deviceId != -1) {
            return tavri::platform::MidiErrBadDeviceId;
        }
        port = std::make_unique<TTimingPort>(stamps_);
        return 0;
    }
    std::string ErrorText(int) override { return ""; }

  private:
    TStamps& stamps_;
};

// Matches each stamped message with the earliest unmatched event of the same message and
// reports the lateness figures. Messages the player adds (volumes before playing, silencing
// at the end) match nothing and are left out.
void Report(benchmark::State& state, const std::vector<std::pair<uint32_t, Clock::time_point>>& got,
            Clock::time_point start, double corePercent) {
    std::map<uint32_t, std::vector<double>> due;
    for (const TDue& event : BenchFile().Events) {
        due[event.Message].push_back(event.Ms);
    }
    std::map<uint32_t, size_t> next;
    std::vector<double> late;
    for (auto [message, at] : got) {
        auto it = due.find(message);
        if (it == due.end() || next[message] >= it->second.size()) {
            continue;
        }
        double sentMs = std::chrono::duration<double, std::milli>(at - start).count();
        late.push_back(sentMs - it->second[next[message]++]);
    }
    if (late.empty()) {
        state.SkipWithError("nothing was sent");
        return;
    }
    auto percentile = [&late](double p) {
        size_t k = std::min(late.size() - 1, static_cast<size_t>(p * (late.size() - 1) + 0.5));
        std::nth_element(late.begin(), late.begin() + static_cast<long>(k), late.end());
        return late[k];
    };
    state.counters["late_median_ms"] = percentile(0.5);
    state.counters["late_p99_ms"] = percentile(0.99);
    state.counters["late_max_ms"] = *std::max_element(late.begin(), late.end());
    state.counters["early_min_ms"] = *std::min_element(late.begin(), late.end());
    state.counters["events"] = static_cast<double>(late.size());
    state.counters["missing"] = static_cast<double>(BenchFile().Events.size() - late.size());
    state.counters["core_percent"] = corePercent;
}

void MidiTimingOurs(benchmark::State& state) {
    const TBenchFile& file = BenchFile();
    for (auto _ : state) {
        TStamps stamps;
        TTimingSystem system(stamps);
        auto clock = tavri::platform::CreateSystemClock();
        tavri::TMidiDrive drive(*clock, &system, [](std::function<void()> work) { work(); });
        drive.OpenDevice(-1);
        tavri::platform::TMemoryStream stream(file.Bytes);
        drive.LoadFromStream(stream);
        drive.Play();
        // The sequencer starts its clock as Play returns, after setting every channel's volume.
        const Clock::time_point start = Clock::now();
        while (drive.Playing) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        double core = stamps.CorePercent();
        drive.Shutdown();
        Report(state, stamps.Take(), start, core);
    }
}

int StampFluidEvent(void* data, fluid_midi_event_t* event) {
    uint32_t type = static_cast<uint32_t>(fluid_midi_event_get_type(event));
    uint32_t channel = static_cast<uint32_t>(fluid_midi_event_get_channel(event));
    uint32_t message = type | channel;
    switch (type) {
        case 0x80:
        case 0x90:
        case 0xA0:
        case 0xB0:
            message |= static_cast<uint32_t>(fluid_midi_event_get_key(event)) << 8 |
                       static_cast<uint32_t>(fluid_midi_event_get_velocity(event)) << 16;
            break;
        case 0xC0:
            message |= static_cast<uint32_t>(fluid_midi_event_get_program(event)) << 8;
            break;
        case 0xE0: {
            uint32_t bend = static_cast<uint32_t>(fluid_midi_event_get_pitch(event));
            message |= (bend & 0x7F) << 8 | (bend >> 7) << 16;
            break;
        }
        default:
            break;
    }
    static_cast<TStamps*>(data)->Stamp(message);
    return FLUID_OK;
}

void MidiTimingFluidPlayer(benchmark::State& state) {
    const TBenchFile& file = BenchFile();
    for (auto _ : state) {
        TStamps stamps;
        fluid_settings_t* settings = new_fluid_settings();
        // No audio runs here, so the player keeps time by the system's clock on a thread of
        // its own, like our worker.
        fluid_settings_setstr(settings, "player.timing-source", "system");
        fluid_settings_setint(settings, "synth.lock-memory", 0);
        fluid_synth_t* synth = new_fluid_synth(settings);
        fluid_player_t* player = new_fluid_player(synth);
        fluid_player_set_playback_callback(player, StampFluidEvent, &stamps);
        fluid_player_add_mem(player, file.Bytes.data(), file.Bytes.size());
        const Clock::time_point start = Clock::now();
        fluid_player_play(player);
        while (fluid_player_get_status(player) == FLUID_PLAYER_PLAYING) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        double core = stamps.CorePercent();
        fluid_player_join(player);
        delete_fluid_player(player);
        delete_fluid_synth(synth);
        delete_fluid_settings(settings);
        Report(state, stamps.Take(), start, core);
    }
}

[[maybe_unused]] const bool kRegistered = [] {
    // One play of the whole file each: a minute is long enough for the percentiles.
    benchmark::RegisterBenchmark("MidiTiming/ours", MidiTimingOurs)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1)
        ->Repetitions(1);
    benchmark::RegisterBenchmark("MidiTiming/fluid_player", MidiTimingFluidPlayer)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1)
        ->Repetitions(1);
    return true;
}();

}  // namespace
