// Byte streams the readers work on: a whole file, a window inside a file, or memory.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "Object.h"

namespace morwick {

class IStream : public IInterface {
  public:
    virtual int32_t CopyFrom(IStream& source, int32_t n) = 0;
    virtual int32_t Read(void* buffer, int32_t n) = 0;
    virtual int32_t Write(const void* buffer, int32_t n) = 0;
    virtual int32_t WriteString(const std::string& s) = 0;
    virtual std::string ReadString() = 0;
    virtual int32_t GetSize() = 0;
    virtual void SetSize(int32_t n) = 0;
    // origin 0: from the beginning, 1: from the current position, 2: from the end.
    virtual int32_t Seek(int32_t distance, int32_t origin) = 0;
    virtual int32_t Tell() = 0;
    virtual std::unique_ptr<IStream> Clone() = 0;
};

// The operations every stream shares.
class CStreamBase : public IStream, public CNonCopyable {
  public:
    int32_t CopyFrom(IStream& source, int32_t n) override;
    int32_t WriteString(const std::string& s) override;
    std::string ReadString() override;

  protected:
    // Raised by ReadString when the stored length cannot be right.
    [[noreturn]] virtual void RaiseReadError() = 0;
};

}  // namespace morwick
