#include "SoundFixtures.h"

#include <iconv.h>
#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <random>
#include <stdexcept>

namespace soundtest {

void PutU16(Bytes& out, uint16_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}

void PutU32(Bytes& out, uint32_t v) {
    PutU16(out, static_cast<uint16_t>(v & 0xFFFF));
    PutU16(out, static_cast<uint16_t>(v >> 16));
}

Chunk MakeChunk(const std::string& id, const Bytes& body) {
    return Chunk{id, static_cast<uint32_t>(body.size()), body};
}

Bytes PcmFormat(uint16_t channels, uint32_t rate, uint16_t bits) {
    Bytes out;
    const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    PutU16(out, 1);
    PutU16(out, channels);
    PutU32(out, rate);
    PutU32(out, rate * align);
    PutU16(out, align);
    PutU16(out, bits);
    return out;
}

Bytes Riff(const std::string& form, const std::vector<Chunk>& chunks, uint32_t riffSize) {
    Bytes body = form;
    for (const Chunk& chunk : chunks) {
        body += chunk.id;
        PutU32(body, chunk.declaredSize);
        body += chunk.body;
    }
    Bytes out = "RIFF";
    PutU32(out, riffSize != 0 ? riffSize : static_cast<uint32_t>(body.size()));
    return out + body;
}

Bytes Wav(uint16_t channels, uint32_t rate, uint16_t bits, const Bytes& data) {
    return Riff("WAVE",
                {MakeChunk("fmt ", PcmFormat(channels, rate, bits)), MakeChunk("data", data)});
}

Bytes Sine16(uint16_t channels, uint32_t rate, double hz, double amplitude, uint32_t frames) {
    Bytes out;
    for (uint32_t i = 0; i < frames; ++i) {
        const double v = amplitude * std::sin(2.0 * M_PI * hz * i / rate);
        const auto sample = static_cast<int16_t>(std::lrint(v * 32767.0));
        for (uint16_t c = 0; c < channels; ++c) {
            PutU16(out, static_cast<uint16_t>(sample));
        }
    }
    return out;
}

Bytes Sine8(uint32_t rate, double hz, double amplitude, uint32_t frames) {
    Bytes out;
    for (uint32_t i = 0; i < frames; ++i) {
        const double v = amplitude * std::sin(2.0 * M_PI * hz * i / rate);
        out += static_cast<char>(static_cast<uint8_t>(128 + std::lrint(v * 127.0)));
    }
    return out;
}

Bytes OggSine(int channels, int rate, double hz, double amplitude, int frames) {
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, channels, rate, 0.4f) != 0) {
        throw std::runtime_error("vorbis_encode_init_vbr");
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state os;
    ogg_stream_init(&os, 1234);
    Bytes out;
    ogg_page page;
    ogg_packet header, headerComment, headerCode;
    vorbis_analysis_headerout(&dsp, &comment, &header, &headerComment, &headerCode);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &headerComment);
    ogg_stream_packetin(&os, &headerCode);
    while (ogg_stream_flush(&os, &page) != 0) {
        out.append(reinterpret_cast<char*>(page.header), static_cast<size_t>(page.header_len));
        out.append(reinterpret_cast<char*>(page.body), static_cast<size_t>(page.body_len));
    }
    int written = 0;
    bool eos = false;
    while (!eos) {
        const int count = std::min(1024, frames - written);
        if (count > 0) {
            float** buffer = vorbis_analysis_buffer(&dsp, count);
            for (int i = 0; i < count; ++i) {
                const double v = amplitude * std::sin(2.0 * M_PI * hz * (written + i) / rate);
                for (int c = 0; c < channels; ++c) {
                    buffer[c][i] = static_cast<float>(v);
                }
            }
            vorbis_analysis_wrote(&dsp, count);
            written += count;
        } else {
            vorbis_analysis_wrote(&dsp, 0);
        }
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) != 0) {
                ogg_stream_packetin(&os, &packet);
                while (ogg_stream_pageout(&os, &page) != 0) {
                    out.append(reinterpret_cast<char*>(page.header),
                               static_cast<size_t>(page.header_len));
                    out.append(reinterpret_cast<char*>(page.body),
                               static_cast<size_t>(page.body_len));
                    if (ogg_page_eos(&page) != 0) {
                        eos = true;
                    }
                }
            }
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}

std::string Cp932(const std::string& utf8) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        throw std::runtime_error("iconv_open");
    }
    std::string in = utf8;
    std::string out(in.size() * 2 + 4, '\0');
    char* inPtr = in.data();
    size_t inLeft = in.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    const size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (result == static_cast<size_t>(-1)) {
        throw std::runtime_error("iconv");
    }
    out.resize(out.size() - outLeft);
    return out;
}

TempDir::TempDir() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            ("qksound-test-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::Write(const std::string& name, const Bytes& bytes) const {
    const auto file = path_ / name;
    std::ofstream(file, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file.string();
}

}  // namespace soundtest
