#include "platform/simulated/SimulatedAudioInstrumentation.h"

namespace {

template <typename Value>
bool matches(const std::optional<Value>& wanted, Value actual) {
  return !wanted || *wanted == actual;
}

}  // namespace

OSStatus SimulatedAudioInstrumentation::audioPathStatus(SimulatedAudioOperation operation,
                                                        SimulatedUnitKind kind,
                                                        UInt64 call) const noexcept {
  const auto& f = audioPathFailure_;
  return f && f->operation == operation && f->kind == kind && f->call == call ? f->status : noErr;
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
