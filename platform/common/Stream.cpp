#include <algorithm>
#include <cstring>

#include "platform/Stream.h"

namespace tavri::platform {

void TStream::ReadBuffer(void* buffer, size_t count) {
    if (Read(buffer, count) != count) {
        throw EReadError();
    }
}

void TStream::WriteBuffer(const void* buffer, size_t count) {
    if (Write(buffer, count) != count) {
        throw EWriteError();
    }
}

void TStream::CopyFrom(TStream& source, int64_t count) {
    if (count < 0) {
        throw EReadError();
    }
    uint8_t block[64 * 1024];
    while (count > 0) {
        size_t n = static_cast<size_t>(std::min<int64_t>(count, sizeof block));
        source.ReadBuffer(block, n);
        WriteBuffer(block, n);
        count -= static_cast<int64_t>(n);
    }
}

size_t TMemoryStream::Read(void* buffer, size_t count) {
    if (pos_ >= data_.size()) {
        return 0;
    }
    size_t n = std::min(count, data_.size() - pos_);
    if (n > 0) {
        std::memcpy(buffer, data_.data() + pos_, n);
    }
    pos_ += n;
    return n;
}

size_t TMemoryStream::Write(const void* buffer, size_t count) {
    if (count == 0) {
        return 0;
    }
    if (pos_ + count > data_.size()) {
        data_.resize(pos_ + count);
    }
    std::memcpy(data_.data() + pos_, buffer, count);
    pos_ += count;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, SeekOrigin origin) {
    int64_t base = origin == SeekOrigin::Begin     ? 0
                   : origin == SeekOrigin::Current ? static_cast<int64_t>(pos_)
                                                   : static_cast<int64_t>(data_.size());
    int64_t target = base + offset;
    if (target < 0) {
        return -1;
    }
    pos_ = static_cast<size_t>(target);
    return target;
}

}  // namespace tavri::platform
