#include "OggVorbisReader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

#include "Exceptions.h"
#include "Messages.h"

namespace morwick {

namespace {

// A hole is retried this often in a row before the read gives up on the data.
constexpr int kMaxHolesInARow = 64;

size_t ReadCallback(void* ptr, size_t size, size_t count, void* source) {
    const size_t want = size * count;
    const int32_t n = want > static_cast<size_t>(std::numeric_limits<int32_t>::max())
                          ? std::numeric_limits<int32_t>::max()
                          : static_cast<int32_t>(want);
    try {
        const int32_t got = static_cast<IStream*>(source)->Read(ptr, n);
        return got > 0 ? static_cast<size_t>(got) : 0;
    } catch (...) {
        // The decoder is C code: an exception must not unwind through it.
        return 0;
    }
}

int SeekCallback(void* source, ogg_int64_t offset, int whence) {
    const int32_t origin = whence == SEEK_SET ? 0 : whence == SEEK_END ? 2 : 1;
    try {
        static_cast<IStream*>(source)->Seek(static_cast<int32_t>(offset), origin);
    } catch (...) {
        return -1;
    }
    return 0;
}

int CloseCallback(void*) {
    return 0;
}

long TellCallback(void* source) {
    try {
        return static_cast<IStream*>(source)->Tell();
    } catch (...) {
        return -1;
    }
}

}  // namespace

COggVorbisReader::COggVorbisReader() {
    std::memset(&decoder_, 0, sizeof decoder_);
}

COggVorbisReader::~COggVorbisReader() {
    if (isOpen_) {
        ov_clear(&decoder_);
    }
}

void COggVorbisReader::Open(IStream& stream) {
    if (isOpen_) {
        ov_clear(&decoder_);
        isOpen_ = false;
    }
    const ov_callbacks callbacks{ReadCallback, SeekCallback, CloseCallback, TellCallback};
    if (ov_open_callbacks(&stream, &decoder_, nullptr, 0, callbacks) < 0) {
        throw EFileOpenError(*this, msg::kOggOpenFailed);
    }
    const vorbis_info* info = ov_info(&decoder_, -1);
    format_ = WaveFormat{};
    format_.formatTag = kFormatPcm;
    format_.channels = static_cast<uint16_t>(info->channels);
    format_.samplesPerSec = static_cast<uint32_t>(info->rate);
    format_.bitsPerSample = 16;
    format_.blockAlign = static_cast<uint16_t>(format_.channels * 2);
    format_.avgBytesPerSec = format_.samplesPerSec * format_.blockAlign;
    format_.extraSize = 0;
    isOpen_ = true;
}

void COggVorbisReader::Rewind() {
    if (isOpen_ && ov_seekable(&decoder_)) {
        ov_pcm_seek(&decoder_, 0);
    }
}

int32_t COggVorbisReader::Read(void* buffer, int32_t n) {
    if (n < 1 || !isOpen_) {
        return 0;
    }
    char* out = static_cast<char*>(buffer);
    int32_t total = 0;
    int holes = 0;
    while (total < n) {
        int link = 0;
        const long got = ov_read(&decoder_, out + total, n - total, 0, 2, 1, &link);
        if (got > 0) {
            total += static_cast<int32_t>(got);
            holes = 0;
        } else if (got == 0) {
            break;
        } else if (got != OV_HOLE || ++holes > kMaxHolesInARow) {
            // Anything but a hole, or holes without end, cannot be read past.
            break;
        }
    }
    return total;
}

int32_t COggVorbisReader::GetLength() {
    if (!isOpen_) {
        return -1;
    }
    const ogg_int64_t samples = ov_pcm_total(&decoder_, -1);
    if (samples < 0) {
        return -1;
    }
    const int64_t bytes = samples * format_.blockAlign;
    return static_cast<int32_t>(std::min<int64_t>(bytes, std::numeric_limits<int32_t>::max()));
}

}  // namespace morwick
