#include "platform/simulated/SimulatedAudioPathFailure.h"

void SimulatedAudioPathFailureSlot::arm(const SimulatedAudioPathFailure& failure) {
  armed_.store(false, std::memory_order_relaxed);
  operation_.store(failure.operation, std::memory_order_relaxed);
  kind_.store(failure.kind, std::memory_order_relaxed);
  call_.store(failure.call, std::memory_order_relaxed);
  status_.store(failure.status, std::memory_order_relaxed);
  armed_.store(true, std::memory_order_release);
}

void SimulatedAudioPathFailureSlot::disarm() {
  armed_.store(false, std::memory_order_release);
}

OSStatus SimulatedAudioPathFailureSlot::statusFor(SimulatedAudioOperation operation,
                                                  SimulatedUnitKind kind,
                                                  UInt64 call) const noexcept {
  if (!armed_.load(std::memory_order_acquire)) return noErr;
  if (operation_.load(std::memory_order_relaxed) != operation ||
      kind_.load(std::memory_order_relaxed) != kind ||
      call_.load(std::memory_order_relaxed) != call) {
    return noErr;
  }
  return status_.load(std::memory_order_relaxed);
}
