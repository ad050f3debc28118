#pragma once

#include <vector>

#include "platform/simulated/SimulatedAudioCall.h"
#include "platform/simulated/SimulatedAudioCallFailure.h"
#include "platform/simulated/SimulatedAudioPathFailure.h"

// What the simulated component port records and injects: the record of main-thread calls, the
// failure rules that apply to them, and the one failure armed for the audio path.
//
// Threads: everything but audioPathFailure().statusFor belongs to the main thread.
class SimulatedAudioInstrumentation {
 public:
  // Counts the call against every matching rule and returns the first rule that fires, or null
  // when the call should run. The call's own status is not looked at.
  const SimulatedCallFailure* injectedFailure(const SimulatedAudioCall& call);
  void record(const SimulatedAudioCall& call) { calls_.push_back(call); }

  const std::vector<SimulatedAudioCall>& calls() const { return calls_; }
  void clearCalls() { calls_.clear(); }
  void addFailure(const SimulatedCallFailure& failure) { rules_.push_back({failure, 0}); }
  void clearFailures() { rules_.clear(); }

  SimulatedAudioPathFailureSlot& audioPathFailure() { return audioPathFailure_; }
  const SimulatedAudioPathFailureSlot& audioPathFailure() const { return audioPathFailure_; }

 private:
  struct Rule {
    SimulatedCallFailure failure;
    UInt32 matches;
  };

  std::vector<SimulatedAudioCall> calls_;
  std::vector<Rule> rules_;
  SimulatedAudioPathFailureSlot audioPathFailure_;
};
