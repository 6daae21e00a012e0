#include "platform/Log.h"

#include <errno.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tavri::platform {

void Report(const std::string& utf8Line) {
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, utf8Line.c_str());
}

bool Verbose() {
    const char* verbose = std::getenv("TAVRI_VERBOSE");
    return verbose != nullptr && std::strcmp(verbose, "1") == 0;
}

void ReportDetail(const std::string& utf8Line) {
    if (Verbose()) {
        Report(utf8Line);
    }
}

}  // namespace tavri::platform
