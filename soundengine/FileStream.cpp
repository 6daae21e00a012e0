#include "FileStream.h"

#include <limits>

#include "Exceptions.h"
#include "Messages.h"
#include "dsound/PosixFile.h"

namespace morwick {

namespace {

constexpr int64_t kMaxPosition = std::numeric_limits<int32_t>::max();

}  // namespace

CFileStream::CFileStream(const std::string& fileName, uint32_t accessMode, uint32_t shareMode)
    : CFileStream(fileName, accessMode, shareMode, true) {}

CFileStream::CFileStream(const std::string& fileName, uint32_t accessMode, uint32_t shareMode,
                         bool limitWholeFile)
    : fileName_(fileName), accessMode_(accessMode), shareMode_(shareMode) {
    const std::string failure = std::string(msg::kFileOpenFailed) + "\"" + fileName + "\"";
    fd_ = posix::OpenFile(fileName, accessMode);
    if (fd_ < 0) {
        DiagnosticLog(posix::LastErrorText(), __FILE__, __LINE__);
        throw EFileOpenError(*this, failure);
    }
    // Positions are signed 32-bit, so a larger file cannot be addressed as a whole.
    if (limitWholeFile && posix::FileSize(fd_) > kMaxPosition) {
        posix::CloseFile(fd_);
        fd_ = -1;
        throw EFileOpenError(*this, failure);
    }
}

CFileStream::~CFileStream() {
    posix::CloseFile(fd_);
}

void CFileStream::RaiseReadError() {
    throw EReadError(*this, msg::kFileReadFailed);
}

int64_t CFileStream::FilePointer() {
    return posix::SeekFile(fd_, 0, 1);
}

void CFileStream::SetFilePointer(int64_t position) {
    posix::SeekFile(fd_, position < 0 ? 0 : position, 0);
}

int32_t CFileStream::Read(void* buffer, int32_t n) {
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

int32_t CFileStream::Write(const void* buffer, int32_t n) {
    if (n <= 0) {
        return 0;
    }
    const int64_t put = posix::WriteFile(fd_, buffer, n);
    if (put < 0) {
        DiagnosticLog(posix::LastErrorText(), __FILE__, __LINE__);
        throw EWriteError(*this, msg::kFileWriteFailed);
    }
    return static_cast<int32_t>(put);
}

int32_t CFileStream::GetSize() {
    return static_cast<int32_t>(posix::FileSize(fd_) & 0xFFFFFFFF);
}

void CFileStream::SetSize(int32_t n) {
    const int64_t remembered = FilePointer();
    const bool ok = n >= 0 && posix::TruncateFile(fd_, n);
    SetFilePointer(remembered);
    if (!ok) {
        DiagnosticLog(posix::LastErrorText(), __FILE__, __LINE__);
        throw EWriteError(*this, msg::kFileSetSizeFailed);
    }
}

int32_t CFileStream::Seek(int32_t distance, int32_t origin) {
    switch (origin) {
        case 0:
            SetFilePointer(distance);
            break;
        case 1:
            SetFilePointer(FilePointer() + distance);
            break;
        case 2:
            SetFilePointer(int64_t{GetSize()} + distance);
            break;
        default:
            throw EInvalidParameter(*this, msg::kFileBadSeek);
    }
    return Tell();
}

int32_t CFileStream::Tell() {
    return static_cast<int32_t>(FilePointer());
}

std::unique_ptr<IStream> CFileStream::Clone() {
    auto copy = std::make_unique<CFileStream>(fileName_, accessMode_, shareMode_);
    copy->SetFilePointer(FilePointer());
    return copy;
}

}  // namespace morwick
