#include "EngineThread.h"

#include <atomic>

namespace morwick {

namespace {

std::atomic<ThreadGate> gate{nullptr};

}  // namespace

void SetThreadGate(ThreadGate newGate) {
    gate = newGate;
}

bool ThreadAllowed(EngineThread kind) {
    const ThreadGate current = gate;
    return current == nullptr || current(kind);
}

}  // namespace morwick
