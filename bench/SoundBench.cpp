// The sound engine's costs: decoding Ogg Vorbis through our reader beside a plain ov_read
// loop, and streaming plus mixing one Ogg and one WAV track through the whole engine (refill
// threads, ring buffers, conversion, mixing) beside a naive decode-and-add loop. StreamMix
// reports process CPU time per second of sound, so its "core_percent" counter is the share
// of one core the two tracks take while they play.

#include <benchmark/benchmark.h>
#include <vorbis/vorbisenc.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "DXSound.h"
#include "MemoryStream.h"
#include "OggVorbisReader.h"
#include "StreamingSound.h"

namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 10;

void Put16(std::string& out, uint16_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}

void Put32(std::string& out, uint32_t v) {
    Put16(out, static_cast<uint16_t>(v));
    Put16(out, static_cast<uint16_t>(v >> 16));
}

float Music(int i, int channel) {
    const double t = static_cast<double>(i) / kRate;
    return static_cast<float>(0.3 * std::sin(2 * M_PI * 440 * t + channel) +
                              0.2 * std::sin(2 * M_PI * 660.5 * t) * std::sin(2 * M_PI * 0.5 * t));
}

std::string MakeOgg() {
    vorbis_info info;
    vorbis_info_init(&info);
    vorbis_encode_init_vbr(&info, 2, kRate, 0.5f);
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state os;
    ogg_stream_init(&os, 7);
    std::string out;
    auto append = [&out](const ogg_page& page) {
        out.append(reinterpret_cast<const char*>(page.header),
                   static_cast<size_t>(page.header_len));
        out.append(reinterpret_cast<const char*>(page.body), static_cast<size_t>(page.body_len));
    };
    ogg_packet h1, h2, h3;
    vorbis_analysis_headerout(&dsp, &comment, &h1, &h2, &h3);
    ogg_stream_packetin(&os, &h1);
    ogg_stream_packetin(&os, &h2);
    ogg_stream_packetin(&os, &h3);
    ogg_page page;
    while (ogg_stream_flush(&os, &page) != 0) {
        append(page);
    }
    const int frames = kRate * kSeconds;
    for (int written = 0;;) {
        const int count = std::min(4096, frames - written);
        if (count > 0) {
            float** buffer = vorbis_analysis_buffer(&dsp, count);
            for (int i = 0; i < count; ++i) {
                buffer[0][i] = Music(written + i, 0);
                buffer[1][i] = Music(written + i, 1);
            }
            written += count;
        }
        vorbis_analysis_wrote(&dsp, count > 0 ? count : 0);
        bool eos = false;
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) != 0) {
                ogg_stream_packetin(&os, &packet);
                while (ogg_stream_pageout(&os, &page) != 0) {
                    append(page);
                    eos = eos || ogg_page_eos(&page) != 0;
                }
            }
        }
        if (count <= 0 && eos) {
            break;
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}

std::string MakeWav() {
    std::string pcm;
    for (int i = 0; i < kRate * kSeconds; ++i) {
        Put16(pcm, static_cast<uint16_t>(static_cast<int16_t>(Music(i, 0) * 32767)));
        Put16(pcm, static_cast<uint16_t>(static_cast<int16_t>(Music(i, 1) * 32767)));
    }
    std::string out = "RIFF";
    Put32(out, static_cast<uint32_t>(36 + pcm.size()));
    out += "WAVEfmt ";
    Put32(out, 16);
    Put16(out, 1);
    Put16(out, 2);
    Put32(out, kRate);
    Put32(out, kRate * 4);
    Put16(out, 4);
    Put16(out, 16);
    out += "data";
    Put32(out, static_cast<uint32_t>(pcm.size()));
    return out + pcm;
}

const std::string& Ogg() {
    static const std::string ogg = MakeOgg();
    return ogg;
}

const std::string& Wave() {
    static const std::string wav = MakeWav();
    return wav;
}

std::unique_ptr<morwick::CMemoryStream> Memory(const std::string& bytes) {
    auto stream = std::make_unique<morwick::CMemoryStream>();
    stream->Write(bytes.data(), static_cast<int32_t>(bytes.size()));
    stream->Seek(0, 0);
    return stream;
}

// One segment of the streaming buffer: an eighth of a second of 16-bit stereo.
constexpr int kSegmentBytes = kRate / 8 * 4;

void OggDecodeOurs(benchmark::State& state) {
    auto stream = Memory(Ogg());
    std::vector<char> segment(kSegmentBytes);
    int64_t bytes = 0;
    for (auto _ : state) {
        morwick::COggVorbisReader reader;
        stream->Seek(0, 0);
        reader.Open(*stream);
        for (int32_t got; (got = reader.Read(segment.data(), kSegmentBytes)) > 0;) {
            bytes += got;
        }
        benchmark::DoNotOptimize(segment.data());
    }
    state.SetBytesProcessed(bytes);
}

struct MemorySource {
    const std::string* data;
    size_t position;
};

void OggDecodeLibvorbisfile(benchmark::State& state) {
    std::vector<char> segment(kSegmentBytes);
    int64_t bytes = 0;
    const ov_callbacks callbacks{
        [](void* p, size_t size, size_t count, void* source) -> size_t {
            auto* s = static_cast<MemorySource*>(source);
            const size_t n = std::min(size * count, s->data->size() - s->position);
            std::memcpy(p, s->data->data() + s->position, n);
            s->position += n;
            return n;
        },
        [](void* source, ogg_int64_t offset, int whence) -> int {
            auto* s = static_cast<MemorySource*>(source);
            const int64_t base = whence == SEEK_SET   ? 0
                                 : whence == SEEK_END ? static_cast<int64_t>(s->data->size())
                                                      : static_cast<int64_t>(s->position);
            s->position = static_cast<size_t>(
                std::clamp<int64_t>(base + offset, 0, static_cast<int64_t>(s->data->size())));
            return 0;
        },
        [](void*) -> int { return 0; },
        [](void* source) -> long {
            return static_cast<long>(static_cast<MemorySource*>(source)->position);
        }};
    for (auto _ : state) {
        MemorySource source{&Ogg(), 0};
        OggVorbis_File file;
        ov_open_callbacks(&source, &file, nullptr, 0, callbacks);
        int link = 0;
        for (long got; (got = ov_read(&file, segment.data(), kSegmentBytes, 0, 2, 1, &link)) > 0;) {
            bytes += got;
        }
        ov_clear(&file);
        benchmark::DoNotOptimize(segment.data());
    }
    state.SetBytesProcessed(bytes);
}

double CpuSeconds(std::clock_t since) {
    return static_cast<double>(std::clock() - since) / CLOCKS_PER_SEC;
}

// Process CPU time per second of sound, as a share of one core.
double CorePercent(std::clock_t cpuStart, benchmark::IterationCount seconds) {
    const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    return seconds > 0 ? 100.0 * cpu / static_cast<double>(seconds) : 0.0;
}

// One second of the two tracks playing, per iteration.
void StreamMixOurs(benchmark::State& state) {
    morwick::CDXSound device;
    device.SetOutput(morwick::ds::Output::Manual);
    device.Initialize();
    auto oggStream = Memory(Ogg());
    auto wavStream = Memory(Wave());
    morwick::CStreamingSound music(0x80);
    morwick::CStreamingSound effect(0x80);
    music.SetLooping(true);
    effect.SetLooping(true);
    music.Open(device, *oggStream);
    effect.Open(device, *wavStream);
    music.SetVolume(-1000);
    music.Play();
    effect.Play();
    std::vector<int16_t> out(1024 * 2);
    const std::clock_t cpuStart = std::clock();
    for (auto _ : state) {
        const std::clock_t iterationStart = std::clock();
        for (int frames = 0; frames < kRate; frames += 1024) {
            device.GetDirectSound()->Render(out.data(), 1024);
        }
        benchmark::DoNotOptimize(out.data());
        state.SetIterationTime(CpuSeconds(iterationStart));
    }
    state.counters["core_percent"] = CorePercent(cpuStart, state.iterations());
}

// Decode and add the same two tracks with no threads, buffers or conversion.
void StreamMixNaive(benchmark::State& state) {
    auto oggStream = Memory(Ogg());
    morwick::COggVorbisReader reader;
    reader.Open(*oggStream);
    const std::string& wav = Wave();
    size_t wavAt = 44;
    std::vector<int16_t> decoded(1024 * 2);
    std::vector<int16_t> out(1024 * 2);
    const std::clock_t cpuStart = std::clock();
    for (auto _ : state) {
        const std::clock_t iterationStart = std::clock();
        for (int frames = 0; frames < kRate; frames += 1024) {
            if (reader.Read(decoded.data(), 4096) < 4096) {
                reader.Rewind();
            }
            if (wavAt + 4096 > wav.size()) {
                wavAt = 44;
            }
            for (size_t i = 0; i < out.size(); ++i) {
                int16_t w;
                std::memcpy(&w, wav.data() + wavAt + i * 2, 2);
                out[i] = static_cast<int16_t>(std::clamp(decoded[i] / 3 + w, -32768, 32767));
            }
            wavAt += 4096;
        }
        benchmark::DoNotOptimize(out.data());
        state.SetIterationTime(CpuSeconds(iterationStart));
    }
    state.counters["core_percent"] = CorePercent(cpuStart, state.iterations());
}

[[maybe_unused]] const bool kRegistered = [] {
    benchmark::RegisterBenchmark("OggDecode/ours", OggDecodeOurs)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("OggDecode/libvorbisfile", OggDecodeLibvorbisfile)
        ->Unit(benchmark::kMillisecond);
    // Timed by the CPU time of every thread of the process, so the refill threads count and
    // the waits for them (the output is driven here, not by a sound card) do not.
    benchmark::RegisterBenchmark("StreamMix/ours", StreamMixOurs)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime();
    benchmark::RegisterBenchmark("StreamMix/naive", StreamMixNaive)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime();
    return true;
}();

}  // namespace
