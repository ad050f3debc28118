#pragma once

#include <optional>
#include <vector>

#include "platform/CoreAudioTypes.h"
#include "platform/simulated/SimulatedAudioCall.h"

// A main-thread call that the simulated component port makes fail. Absent fields match anything.
// The failing call is not carried out: it only returns `status`. For findNext the status is not
// used: the call finds no component. For instanceNew the call returns `status` and no instance,
// so a status of noErr gives "success without an instance". A getProperty with a `reading` hands
// that value back instead and reports `readingBytes` as its size, whatever the caller's buffer
// holds; only what fits is copied.
struct SimulatedCallFailure {
  SimulatedAudioOperation operation;
  OSStatus status;
  std::optional<SimulatedUnitKind> kind{};
  std::optional<UInt32> id{};  // property or parameter
  std::optional<AudioUnitScope> scope{};
  std::optional<AudioUnitElement> element{};
  // 1-based: only the Nth matching call fails. 0: every matching call fails.
  UInt32 occurrence = 0;
  std::optional<UInt32> reading{};
  UInt32 readingBytes = sizeof(UInt32);
};

// A failure on the audio path: the Nth render call that a unit of the given kind receives returns
// `status` instead of being carried out. Every unit of that kind counts its own calls.
struct SimulatedAudioPathFailure {
  SimulatedAudioOperation operation;  // render
  SimulatedUnitKind kind;
  UInt64 call;  // 1-based
  OSStatus status;
};

// What the simulated component port records and injects: the record of main-thread calls, the
// failure rules that apply to them, and the one failure armed for the audio path.
//
// Threads: the main thread; the audio path calls audioPathStatus() only. Set or clear the
// audio-path failure while no device thread runs (under virtual time, or before startRealTime()).
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

  void setAudioPathFailure(std::optional<SimulatedAudioPathFailure> failure) {
    audioPathFailure_ = failure;
  }
  // The status the audio-path call should return instead of running, or noErr to run it.
  OSStatus audioPathStatus(SimulatedAudioOperation operation, SimulatedUnitKind kind,
                           UInt64 call) const noexcept;

 private:
  struct Rule {
    SimulatedCallFailure failure;
    UInt32 matches;
  };

  std::vector<SimulatedAudioCall> calls_;
  std::vector<Rule> rules_;
  std::optional<SimulatedAudioPathFailure> audioPathFailure_;
};
