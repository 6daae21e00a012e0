#include "Sounds.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <stdexcept>

namespace demo {

namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

// Two channels of samples in [-1, 1].
struct Stereo {
    explicit Stereo(size_t frames) : left(frames, 0.0f), right(frames, 0.0f) {}
    std::vector<float> left, right;
    size_t Frames() const { return left.size(); }
    // Adds a mono sample at `frame`, placed by `pan` (-1 left .. 1 right); wraps round so that
    // tails running past the end sound again at the start of the loop.
    void Add(size_t frame, double value, double pan) {
        const size_t at = frame % Frames();
        left[at] += float(value * std::sqrt((1.0 - pan) / 2));
        right[at] += float(value * std::sqrt((1.0 + pan) / 2));
    }
};

double NoteHz(int midiNote) {
    return 440.0 * std::pow(2.0, (midiNote - 69) / 12.0);
}

// A music-box tine: a bright attack and a long decay, with a slightly detuned upper partial.
void Tine(Stereo& out, double startSeconds, int note, double level, double pan) {
    const double hz = NoteHz(note);
    const size_t start = size_t(startSeconds * kRate);
    const size_t length = size_t(3.0 * kRate);
    for (size_t i = 0; i < length; ++i) {
        const double t = double(i) / kRate;
        const double attack = std::min(1.0, t / 0.004);
        const double v = attack * (std::exp(-t * 1.6) * std::sin(2 * kPi * hz * t) +
                                   0.35 * std::exp(-t * 4.0) * std::sin(2 * kPi * hz * 4.02 * t) +
                                   0.15 * std::exp(-t * 9.0) * std::sin(2 * kPi * hz * 6.9 * t));
        out.Add(start + i, level * v, pan);
    }
}

// A soft pad chord that swells in and out over `seconds`.
void Pad(Stereo& out, double startSeconds, double seconds, const std::vector<int>& notes,
         double level) {
    const size_t start = size_t(startSeconds * kRate);
    const size_t length = size_t(seconds * kRate);
    for (size_t i = 0; i < length; ++i) {
        const double t = double(i) / kRate;
        const double envelope = std::sin(kPi * t / seconds);
        double v = 0;
        for (size_t k = 0; k < notes.size(); ++k) {
            const double hz = NoteHz(notes[k]);
            // A slow vibrato apart per voice keeps the chord alive.
            v += std::sin(2 * kPi * hz * t + 0.002 * hz * std::sin(2 * kPi * 0.3 * t + double(k)));
        }
        const double pan = notes.size() > 1 ? 0.3 * std::sin(2 * kPi * t / seconds) : 0;
        out.Add(start + i, level * envelope * envelope * v / double(notes.size()), pan);
    }
}

void Normalise(Stereo& out, double peak) {
    float most = 1e-6f;
    for (size_t i = 0; i < out.Frames(); ++i) {
        most = std::max({most, std::fabs(out.left[i]), std::fabs(out.right[i])});
    }
    const float gain = float(peak) / most;
    for (size_t i = 0; i < out.Frames(); ++i) {
        out.left[i] *= gain;
        out.right[i] *= gain;
    }
}

void PutU16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}

std::vector<uint8_t> EncodeWav(const Stereo& sound) {
    const uint32_t dataBytes = uint32_t(sound.Frames() * 4);
    std::vector<uint8_t> out;
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    PutU32(out, 36 + dataBytes);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutU32(out, 16);
    PutU16(out, 1);  // PCM
    PutU16(out, 2);
    PutU32(out, kRate);
    PutU32(out, kRate * 4);
    PutU16(out, 4);
    PutU16(out, 16);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    PutU32(out, dataBytes);
    for (size_t i = 0; i < sound.Frames(); ++i) {
        for (float v : {sound.left[i], sound.right[i]}) {
            const long s = std::lround(std::clamp(v, -1.0f, 1.0f) * 32767.0f);
            PutU16(out, uint32_t(s) & 0xFFFF);
        }
    }
    return out;
}

void AppendPage(std::vector<uint8_t>& out, const ogg_page& page) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

std::vector<uint8_t> EncodeOgg(const Stereo& sound) {
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, 2, kRate, 0.5f) != 0) {
        vorbis_info_clear(&info);
        throw std::runtime_error("the Vorbis encoder cannot be set up");
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_comment_add_tag(&comment, "TITLE", "omoide");
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 0x6D6F7269);

    std::vector<uint8_t> out;
    ogg_packet header, headerComment, headerCode;
    vorbis_analysis_headerout(&dsp, &comment, &header, &headerComment, &headerCode);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &headerComment);
    ogg_stream_packetin(&stream, &headerCode);
    ogg_page page;
    while (ogg_stream_flush(&stream, &page) != 0) {
        AppendPage(out, page);
    }
    size_t written = 0;
    bool end = false;
    while (!end) {
        const size_t count = std::min<size_t>(4096, sound.Frames() - written);
        if (count > 0) {
            float** buffer = vorbis_analysis_buffer(&dsp, int(count));
            std::copy_n(sound.left.begin() + long(written), count, buffer[0]);
            std::copy_n(sound.right.begin() + long(written), count, buffer[1]);
            written += count;
        }
        vorbis_analysis_wrote(&dsp, int(count));
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) != 0) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0) {
                    AppendPage(out, page);
                    end = end || ogg_page_eos(&page) != 0;
                }
            }
        }
    }
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}

}  // namespace

// Four bars in F major at 80 beats per minute (12 s): a pad under a music-box melody whose
// tails wrap round into the start, so the loop has no seam.
std::vector<uint8_t> MemoryTheme() {
    constexpr double kBeat = 0.75;
    Stereo out(size_t(16 * kBeat * kRate));
    const std::vector<std::vector<int>> chords = {
        {53, 57, 60, 64}, {50, 57, 60, 65}, {46, 53, 57, 62}, {48, 55, 58, 64}};
    const int melody[4][8] = {{72, 69, 65, 69, 72, 74, 72, 69},
                              {74, 72, 69, 65, 69, 72, 69, 0},
                              {70, 69, 65, 62, 65, 69, 70, 72},
                              {72, 70, 67, 64, 67, 70, 72, 0}};
    for (int bar = 0; bar < 4; ++bar) {
        Pad(out, bar * 4 * kBeat, 4 * kBeat + 1.0, chords[size_t(bar)], 0.35);
        Tine(out, bar * 4 * kBeat, chords[size_t(bar)][0] - 12 + 24, 0.25, -0.2);
        for (int step = 0; step < 8; ++step) {
            if (melody[bar][step] != 0) {
                Tine(out, (bar * 4 + step * 0.5) * kBeat, melody[bar][step], 0.5,
                     step % 2 == 0 ? 0.25 : -0.1);
            }
        }
    }
    Normalise(out, 0.7);
    return EncodeOgg(out);
}

std::vector<uint8_t> BirdSong() {
    Stereo out(size_t(1.6 * kRate));
    const double starts[] = {0.05, 0.22, 0.39, 0.9, 1.05};
    for (double start : starts) {
        const size_t from = size_t(start * kRate);
        const size_t length = size_t(0.11 * kRate);
        double phase = 0;
        for (size_t i = 0; i < length; ++i) {
            const double t = double(i) / kRate;
            // A quick downward whistle with a warble.
            const double hz = 4200 - 9000 * t + 300 * std::sin(2 * kPi * 60 * t);
            phase += 2 * kPi * hz / kRate;
            const double envelope = std::sin(kPi * t / 0.11);
            out.Add(from + i, envelope * envelope * std::sin(phase), start < 0.5 ? -0.4 : 0.3);
        }
    }
    Normalise(out, 0.5);
    return EncodeWav(out);
}

std::vector<uint8_t> RunningSteps() {
    Stereo out(size_t(1.4 * kRate));
    std::mt19937 random(11);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    for (int step = 0; step < 6; ++step) {
        const size_t from = size_t((0.05 + step * 0.21) * kRate);
        const size_t length = size_t(0.12 * kRate);
        const double pan = -0.6 + 0.24 * step;
        double low = 0, band = 0;
        for (size_t i = 0; i < length; ++i) {
            const double t = double(i) / kRate;
            // Noise through a state-variable filter: the crunch of leaves, falling in pitch.
            const double f = 2 * std::sin(kPi * (2500 - 8000 * t) / kRate);
            const double high = noise(random) - low - 0.6 * band;
            band += f * high;
            low += f * band;
            const double envelope = std::exp(-t * 35) * std::min(1.0, t / 0.003);
            out.Add(from + i, envelope * (band + 0.3 * high), pan);
        }
    }
    Normalise(out, 0.6);
    return EncodeWav(out);
}

std::vector<uint8_t> WindChime() {
    Stereo out(size_t(4.0 * kRate));
    const double partials[] = {1.0, 2.76, 5.40, 8.93};
    const double strikes[][2] = {{0.0, 1568}, {0.35, 2093}, {0.6, 1760}, {1.1, 2349}};
    for (const auto& strike : strikes) {
        const size_t from = size_t(strike[0] * kRate);
        const size_t length = out.Frames() - from;
        for (size_t i = 0; i < length; ++i) {
            const double t = double(i) / kRate;
            double v = 0;
            for (size_t k = 0; k < 4; ++k) {
                v += std::exp(-t * (1.2 + 1.5 * double(k))) / double(k + 1) *
                     std::sin(2 * kPi * strike[1] * partials[k] / 2 * t);
            }
            out.Add(from + i, v * std::min(1.0, t / 0.002), strike[1] > 2000 ? 0.35 : -0.35);
        }
    }
    Normalise(out, 0.5);
    return EncodeWav(out);
}

}  // namespace demo
