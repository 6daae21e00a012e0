// The library's exceptions: a cp932 message and the run-time class name of the raising object.
#pragma once

#include <string>
#include <typeinfo>

#include "Object.h"

namespace morwick {

// "morwick::CFileStream" for the type, as the platform's run-time type information names it.
std::string ClassName(const std::type_info& type);

class EException : public CObject {
  public:
    EException(const CObject& origin, std::string message);
    explicit EException(std::string message);
    EException(const EException&) = default;
    virtual std::string GetMessage() const { return message_; }
    virtual std::string GetOrigin() const { return origin_; }

  private:
    std::string message_;
    std::string origin_;
};

#define MORWICK_EXCEPTION(Name, Base) \
    class Name : public Base {        \
      public:                         \
        using Base::Base;             \
    };

MORWICK_EXCEPTION(EIOError, EException)
MORWICK_EXCEPTION(EReadError, EIOError)
MORWICK_EXCEPTION(EWriteError, EIOError)
MORWICK_EXCEPTION(EFileOpenError, EIOError)
MORWICK_EXCEPTION(EInvalidFileFormat, EIOError)
MORWICK_EXCEPTION(EInvalidParameter, EException)

#undef MORWICK_EXCEPTION

// Where failures of system and device calls are written. No sink is set in this system, so
// the lines go nowhere; the function exists so that every failure path says what happened.
void DiagnosticLog(const std::string& text, const char* file, int line);

}  // namespace morwick
