#include "Exceptions.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>

namespace morwick {

std::string ClassName(const std::type_info& type) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> name(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
    if (status != 0 || !name) {
        return type.name();
    }
    return name.get();
}

EException::EException(const CObject& origin, std::string message)
    : message_(std::move(message)), origin_(ClassName(typeid(origin))) {}

EException::EException(std::string message) : message_(std::move(message)) {}

void DiagnosticLog(const std::string& text, const char* file, int line) {
    // The description's log writes "ERROR: \n\t<text>\n\t<file>(<line>)" to an optional text
    // sink that the library never sets; keep the formatting cost away from the hot paths.
    (void)text;
    (void)file;
    (void)line;
}

}  // namespace morwick
