// A stream over a whole file, opened at construction.
#pragma once

#include "Stream.h"

namespace morwick {

class CFileStream : public CStreamBase {
  public:
    // accessMode 1 read, 3 read and write, 0 or 2 write (created anew); shareMode is accepted
    // and ignored, as the platform has no share modes.
    CFileStream(const std::string& fileName, uint32_t accessMode, uint32_t shareMode);
    ~CFileStream() override;

    int32_t Read(void* buffer, int32_t n) override;
    int32_t Write(const void* buffer, int32_t n) override;
    int32_t GetSize() override;
    void SetSize(int32_t n) override;
    int32_t Seek(int32_t distance, int32_t origin) override;
    int32_t Tell() override;
    std::unique_ptr<IStream> Clone() override;

  protected:
    // A partition only needs its window to lie below 2 GiB, not the whole file.
    CFileStream(const std::string& fileName, uint32_t accessMode, uint32_t shareMode,
                bool limitWholeFile);
    [[noreturn]] void RaiseReadError() override;
    int64_t FilePointer();
    void SetFilePointer(int64_t position);

    int fd_ = -1;
    std::string fileName_;
    uint32_t accessMode_;
    uint32_t shareMode_;
};

}  // namespace morwick
