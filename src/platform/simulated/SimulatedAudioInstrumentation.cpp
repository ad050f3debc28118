#include "platform/simulated/SimulatedAudioInstrumentation.h"

namespace {

template <typename Value>
bool matches(const std::optional<Value>& wanted, Value actual) {
  return !wanted || *wanted == actual;
}

}  // namespace

void SimulatedAudioPathFailureSlot::arm(const SimulatedAudioPathFailure& failure) {
  armed_.store(false, std::memory_order_relaxed);
  operation_.store(failure.operation, std::memory_order_relaxed);
  kind_.store(failure.kind, std::memory_order_relaxed);
  call_.store(failure.call, std::memory_order_relaxed);
  status_.store(failure.status, std::memory_order_relaxed);
  armed_.store(true, std::memory_order_release);
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

const SimulatedCallFailure* SimulatedAudioInstrumentation::injectedFailure(
    const SimulatedAudioCall& call) {
  const SimulatedCallFailure* injected = nullptr;
  for (Rule& rule : rules_) {
    const SimulatedCallFailure& failure = rule.failure;
    if (failure.operation != call.operation || !matches(failure.kind, call.kind) ||
        !matches(failure.id, call.id) || !matches(failure.scope, call.scope) ||
        !matches(failure.element, call.element)) {
      continue;
    }
    ++rule.matches;
    const bool fires = failure.occurrence == 0 || failure.occurrence == rule.matches;
    if (fires && injected == nullptr) injected = &failure;
  }
  return injected;
}
