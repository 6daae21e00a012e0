// A read-only window [offset, offset + size) of a file; positions are relative to its start.
#pragma once

#include "FileStream.h"

namespace morwick {

class CFilePartitionStream : public CFileStream {
  public:
    CFilePartitionStream(int32_t partitionOffset, int32_t partitionSize,
                         const std::string& fileName, uint32_t accessMode, uint32_t shareMode);

    int32_t Read(void* buffer, int32_t n) override;
    int32_t Write(const void* buffer, int32_t n) override;
    int32_t GetSize() override;
    void SetSize(int32_t n) override;
    // Returns the absolute file position, as the file functions report it.
    int32_t Seek(int32_t distance, int32_t origin) override;
    int32_t Tell() override;
    std::unique_ptr<IStream> Clone() override;

  protected:
    [[noreturn]] void RaiseReadError() override;

  private:
    int32_t partitionOffset_;
    int32_t partitionSize_;
};

}  // namespace morwick
