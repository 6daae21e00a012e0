#include "WaveSoundReader.h"

#include <algorithm>

#include "Exceptions.h"
#include "Messages.h"

namespace morwick {

namespace {

// The largest fmt chunk a WAVEFORMATEX can describe: 18 bytes and a 16-bit extra size.
constexpr int32_t kMaxFormatBytes = 18 + 65535;

uint16_t U16(const std::vector<unsigned char>& b, size_t at) {
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

uint32_t U32(const std::vector<unsigned char>& b, size_t at) {
    return uint32_t{U16(b, at)} | uint32_t{U16(b, at + 2)} << 16;
}

}  // namespace

void CWaveSoundReader::Open(IStream& stream) {
    formatBlock_.clear();
    open_ = false;
    riff_.Open(stream);
    if (riff_.GetFormType() != FourCC("WAVE")) {
        throw EInvalidFileFormat(*this, msg::kNotWave);
    }
    riff_.FindChunk(FourCC("fmt "));
    const int32_t n = std::max(riff_.GetChunkSize(), 18);
    if (n > kMaxFormatBytes) {
        throw EInvalidFileFormat(*this, msg::kNotWave);
    }
    std::vector<unsigned char> block(static_cast<size_t>(n), 0);
    riff_.Read(block.data(), n);
    format_ = WaveFormat{};
    format_.formatTag = U16(block, 0);
    format_.channels = U16(block, 2);
    format_.samplesPerSec = U32(block, 4);
    format_.avgBytesPerSec = U32(block, 8);
    format_.blockAlign = U16(block, 12);
    format_.bitsPerSample = U16(block, 14);
    format_.extraSize = U16(block, 16);
    if (format_.formatTag == kFormatExtensible && format_.extraSize >= 22 && block.size() >= 26) {
        format_.subFormatTag = U16(block, 24);
    }
    formatBlock_ = std::move(block);
    Rewind();
    open_ = true;
}

const WaveFormat* CWaveSoundReader::GetFormat() const {
    return formatBlock_.empty() ? nullptr : &format_;
}

void CWaveSoundReader::Rewind() {
    riff_.FindChunk(FourCC("data"));
}

int32_t CWaveSoundReader::Read(void* buffer, int32_t n) {
    return riff_.Read(buffer, n);
}

int32_t CWaveSoundReader::GetLength() {
    return riff_.GetChunkSize();
}

}  // namespace morwick
