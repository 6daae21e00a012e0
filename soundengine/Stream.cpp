#include "Stream.h"

#include <vector>

namespace morwick {

int32_t CStreamBase::CopyFrom(IStream& source, int32_t n) {
    if (n < 0) {
        return 0;
    }
    if (n == 0) {
        source.Seek(0, 0);
        n = source.GetSize();
    }
    const int64_t left = int64_t{source.GetSize()} - source.Tell();
    if (left < n) {
        n = left > 0 ? static_cast<int32_t>(left) : 0;
    }
    // Only what each read delivered is written, so a short read never copies stale bytes.
    std::vector<char> chunk(8192);
    int32_t copied = 0;
    while (copied < n) {
        const int32_t want = std::min<int32_t>(8192, n - copied);
        const int32_t got = source.Read(chunk.data(), want);
        if (got <= 0) {
            break;
        }
        Write(chunk.data(), got);
        copied += got;
    }
    return copied;
}

int32_t CStreamBase::WriteString(const std::string& s) {
    const uint32_t length = static_cast<uint32_t>(s.size());
    const unsigned char bytes[4] = {
        static_cast<unsigned char>(length), static_cast<unsigned char>(length >> 8),
        static_cast<unsigned char>(length >> 16), static_cast<unsigned char>(length >> 24)};
    const int32_t head = Write(bytes, 4);
    return head + Write(s.data(), static_cast<int32_t>(s.size()));
}

std::string CStreamBase::ReadString() {
    unsigned char bytes[4] = {};
    if (Read(bytes, 4) != 4) {
        RaiseReadError();
    }
    const int32_t length =
        static_cast<int32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | uint32_t{bytes[3]} << 24);
    // A length read from the data is never trusted as an allocation size.
    if (length < 0 || int64_t{length} > int64_t{GetSize()} - Tell()) {
        RaiseReadError();
    }
    std::string text(static_cast<size_t>(length), '\0');
    if (length > 0 && Read(text.data(), length) != length) {
        RaiseReadError();
    }
    const size_t zero = text.find('\0');
    if (zero != std::string::npos) {
        text.resize(zero);
    }
    return text;
}

}  // namespace morwick
