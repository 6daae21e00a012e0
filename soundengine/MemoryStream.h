// A stream over a growable block of memory it owns.
#pragma once

#include <vector>

#include "Stream.h"

namespace morwick {

class CMemoryStream : public CStreamBase {
  public:
    CMemoryStream() = default;

    int32_t Read(void* buffer, int32_t n) override;
    int32_t Write(const void* buffer, int32_t n) override;
    int32_t GetSize() override;
    void SetSize(int32_t n) override;
    int32_t Seek(int32_t distance, int32_t origin) override;
    int32_t Tell() override;
    std::unique_ptr<IStream> Clone() override;
    virtual const void* GetData() const;

  protected:
    [[noreturn]] void RaiseReadError() override;

  private:
    std::vector<unsigned char> data_;
    int32_t position_ = 0;
};

}  // namespace morwick
