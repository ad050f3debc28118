#include "platform/simulated/SimulatedAudioPath.h"

namespace {
thread_local bool insideCycle = false;  // per thread: no sharing, no ordering needed
}  // namespace

SimulatedAudioPathScope::SimulatedAudioPathScope() noexcept : outer_(insideCycle) {
  insideCycle = true;
}

SimulatedAudioPathScope::~SimulatedAudioPathScope() {
  insideCycle = outer_;
}

bool SimulatedAudioPathScope::active() noexcept {
  return insideCycle;
}
