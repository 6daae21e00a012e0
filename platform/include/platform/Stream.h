#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavri::platform {

class EStreamError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};
class EReadError : public EStreamError {
  public:
    EReadError() : EStreamError("Stream read error") {}
};
class EWriteError : public EStreamError {
  public:
    EWriteError() : EStreamError("Stream write error") {}
};
class EFOpenError : public EStreamError {
  public:
    using EStreamError::EStreamError;
};

enum class SeekOrigin { Begin, Current, End };

// A byte stream with one position. Read and Write are the plain calls that may move fewer bytes
// than asked; ReadBuffer and WriteBuffer are the strict ones that throw.
class TStream {
  public:
    virtual ~TStream() = default;
    TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;

    virtual size_t Read(void* buffer, size_t count) = 0;
    virtual size_t Write(const void* buffer, size_t count) = 0;
    // Returns the new position, or -1 when the target is before the start.
    virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;
    virtual int64_t Size() = 0;

    int64_t Position() { return Seek(0, SeekOrigin::Current); }
    int64_t Remaining() { return Size() - Position(); }
    void ReadBuffer(void* buffer, size_t count);
    void WriteBuffer(const void* buffer, size_t count);
    // Copies exactly count bytes from source (throws EReadError when it has fewer).
    void CopyFrom(TStream& source, int64_t count);
};

class TMemoryStream final : public TStream {
  public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<uint8_t> bytes) : data_(std::move(bytes)) {}

    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void* buffer, size_t count) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Size() override { return static_cast<int64_t>(data_.size()); }

    const std::vector<uint8_t>& Bytes() const { return data_; }
    std::vector<uint8_t>& Bytes() { return data_; }
    void Clear() {
        data_.clear();
        pos_ = 0;
    }

  private:
    std::vector<uint8_t> data_;
    size_t pos_ = 0;
};

enum class FileMode { Read, Create };

// Native (file-system byte) paths. Read shares the file with other readers and writers; Create
// truncates. Throws EFOpenError with a message naming the path.
std::unique_ptr<TStream> OpenFileStream(const std::string& nativePath, FileMode mode);

}  // namespace tavri::platform
