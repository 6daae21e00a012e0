#include "MemoryStream.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "Exceptions.h"
#include "Messages.h"

namespace morwick {

void CMemoryStream::RaiseReadError() {
    throw EReadError(*this, msg::kFileReadFailed);
}

int32_t CMemoryStream::Read(void* buffer, int32_t n) {
    n = std::min<int32_t>(n, GetSize() - position_);
    if (n <= 0) {
        return 0;
    }
    std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

int32_t CMemoryStream::Write(const void* buffer, int32_t n) {
    if (n <= 0) {
        return 0;
    }
    if (int64_t{position_} + n > GetSize()) {
        SetSize(position_ + n);
        if (GetSize() < position_ + n) {
            return 0;
        }
    }
    std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(n));
    position_ += n;
    return n;
}

int32_t CMemoryStream::GetSize() {
    return static_cast<int32_t>(data_.size());
}

void CMemoryStream::SetSize(int32_t n) {
    try {
        data_.resize(static_cast<size_t>(std::max(n, 0)));
    } catch (const std::bad_alloc&) {
        data_.clear();
    }
}

int32_t CMemoryStream::Seek(int32_t distance, int32_t origin) {
    int64_t target = position_;
    if (origin == 0) {
        target = distance;
    } else if (origin == 1) {
        target = int64_t{position_} + distance;
    } else if (origin == 2) {
        target = int64_t{GetSize()} + distance;
    }
    position_ = static_cast<int32_t>(std::clamp<int64_t>(target, 0, GetSize()));
    return position_;
}

int32_t CMemoryStream::Tell() {
    return position_;
}

std::unique_ptr<IStream> CMemoryStream::Clone() {
    auto copy = std::make_unique<CMemoryStream>();
    copy->data_ = data_;
    copy->position_ = std::clamp<int32_t>(position_, 0, GetSize());
    return copy;
}

const void* CMemoryStream::GetData() const {
    return data_.data();
}

}  // namespace morwick
