// Every thread of the engine is created here, so that the failure paths that follow a refused
// thread can be reached on purpose: the system refuses one only when it is short of resources,
// which no test can arrange reliably.
#pragma once

#include <system_error>
#include <thread>
#include <utility>

namespace morwick {

enum class EngineThread { Stream, Fade };

// Asked before each thread is created; false refuses it. Null (the default) allows all.
using ThreadGate = bool (*)(EngineThread kind);

// Not exported from the library: only code linked with the engine's classes can set it.
void SetThreadGate(ThreadGate gate);
bool ThreadAllowed(EngineThread kind);

// std::thread, failing as it does when the system cannot create one.
template <typename... Args>
std::thread StartEngineThread(EngineThread kind, Args&&... args) {
    if (!ThreadAllowed(kind)) {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    }
    return std::thread(std::forward<Args>(args)...);
}

}  // namespace morwick
