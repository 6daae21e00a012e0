#include "FilePartitionStream.h"

#include <algorithm>
#include <limits>

#include "Exceptions.h"
#include "Messages.h"
#include "dsound/PosixFile.h"

namespace morwick {

CFilePartitionStream::CFilePartitionStream(int32_t partitionOffset, int32_t partitionSize,
                                           const std::string& fileName, uint32_t accessMode,
                                           uint32_t shareMode)
    : CFileStream(fileName, accessMode, shareMode, false),
      partitionOffset_(partitionOffset),
      partitionSize_(partitionSize) {
    // A window that starts before the file or ends beyond 32-bit positions cannot be read.
    const int64_t end = int64_t{partitionOffset} + partitionSize;
    if (partitionOffset < 0 || partitionSize < 0 || end > std::numeric_limits<int32_t>::max()) {
        throw EFileOpenError(*this, std::string(msg::kFileOpenFailed) + "\"" + fileName + "\"");
    }
    SetFilePointer(partitionOffset_);
}

void CFilePartitionStream::RaiseReadError() {
    throw EReadError(*this, msg::kPartitionReadFailed);
}

int32_t CFilePartitionStream::Read(void* buffer, int32_t n) {
    const int64_t position = FilePointer() - partitionOffset_;
    if (int64_t{n} + position > partitionSize_) {
        n = static_cast<int32_t>(partitionSize_ - position);
    }
    if (n <= 0) {
        return 0;
    }
    const int64_t got = posix::ReadFile(fd_, buffer, n);
    if (got < 0) {
        DiagnosticLog(posix::LastErrorText(), __FILE__, __LINE__);
        RaiseReadError();
    }
    return static_cast<int32_t>(got);
}

int32_t CFilePartitionStream::Write(const void*, int32_t) {
    throw EWriteError(*this, msg::kPartitionWriteForbidden);
}

int32_t CFilePartitionStream::GetSize() {
    return partitionSize_;
}

void CFilePartitionStream::SetSize(int32_t) {
    throw EWriteError(*this, msg::kPartitionSetSizeForbidden);
}

int32_t CFilePartitionStream::Seek(int32_t distance, int32_t origin) {
    const int64_t position = FilePointer() - partitionOffset_;
    switch (origin) {
        case 0:
            // Clamped so that reads never leave the window.
            SetFilePointer(partitionOffset_ +
                           std::clamp<int64_t>(distance, 0, int64_t{partitionSize_}));
            break;
        case 1:
            if (position + distance > partitionSize_) {
                break;
            }
            SetFilePointer(position + distance < 0 ? int64_t{partitionOffset_}
                                                   : partitionOffset_ + position + distance);
            break;
        case 2: {
            const int64_t target =
                int64_t{partitionOffset_} + partitionSize_ + (distance > 0 ? 0 : distance);
            SetFilePointer(target < partitionOffset_ ? int64_t{partitionOffset_} : target);
            break;
        }
        default:
            throw EInvalidParameter(*this, msg::kPartitionBadSeek);
    }
    return static_cast<int32_t>(FilePointer());
}

int32_t CFilePartitionStream::Tell() {
    return static_cast<int32_t>(FilePointer() - partitionOffset_);
}

std::unique_ptr<IStream> CFilePartitionStream::Clone() {
    auto copy = std::make_unique<CFilePartitionStream>(partitionOffset_, partitionSize_, fileName_,
                                                       accessMode_, shareMode_);
    copy->SetFilePointer(FilePointer());
    return copy;
}

}  // namespace morwick
