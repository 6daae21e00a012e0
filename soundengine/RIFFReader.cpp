#include "RIFFReader.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "Exceptions.h"
#include "Messages.h"

namespace morwick {

namespace {

uint32_t ReadU32(IStream& stream, bool& complete) {
    unsigned char bytes[4] = {};
    complete = stream.Read(bytes, 4) == 4;
    return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
           uint32_t{bytes[3]} << 24;
}

}  // namespace

void CRIFFReader::Open(IStream& stream) {
    stream_ = &stream;
    bool complete = false;
    if (ReadU32(stream, complete) != FourCC("RIFF") || !complete) {
        throw EInvalidFileFormat(*this, msg::kNotRiff);
    }
    riffEnd_ = int64_t{ReadU32(stream, complete)} + 8;
    riffEnd_ = std::min<int64_t>(riffEnd_, stream.GetSize());
    formType_ = ReadU32(stream, complete);

    chunks_.clear();
    chunkSize_ = 0;
    chunkPosition_ = 0;
    // Sizes come from the file: the walk stops at a header cut short, at a chunk that runs
    // past the end, and at a seek that does not move forward, so it always ends.
    for (int64_t position = stream.Tell(); riffEnd_ - position >= 8;) {
        const uint32_t identifier = ReadU32(stream, complete);
        const uint32_t size = ReadU32(stream, complete);
        const int64_t dataStart = position + 8;
        const int64_t left = riffEnd_ - dataStart;
        const bool fits = int64_t{size} <= left;
        const int64_t recorded =
            size <= static_cast<uint32_t>(std::numeric_limits<int32_t>::max()) ? size : left;
        chunks_[identifier] = {static_cast<int32_t>(dataStart), static_cast<int32_t>(recorded)};
        if (!fits) {
            break;
        }
        // No pad byte after odd sizes: the next header follows the declared size directly.
        stream.Seek(static_cast<int32_t>(size), 1);
        const int64_t next = stream.Tell();
        if (next <= position || next != dataStart + size) {
            break;
        }
        position = next;
    }
}

int32_t CRIFFReader::FindChunk(uint32_t identifier) {
    const auto found = chunks_.find(identifier);
    if (found == chunks_.end()) {
        char id[16];
        std::snprintf(id, sizeof id, "0x%8X", identifier);
        throw EReadError(*this, std::string(msg::kChunkNotFound) + id);
    }
    const int32_t result = stream_->Seek(found->second.first, 0);
    chunkSize_ = found->second.second;
    chunkPosition_ = 0;
    return result;
}

int32_t CRIFFReader::Read(void* buffer, int32_t n) {
    if (int64_t{chunkPosition_} + n > chunkSize_) {
        n = chunkSize_ - chunkPosition_;
    }
    if (n <= 0) {
        return 0;
    }
    const int32_t got = stream_->Read(buffer, n);
    chunkPosition_ += got;
    return got;
}

}  // namespace morwick
