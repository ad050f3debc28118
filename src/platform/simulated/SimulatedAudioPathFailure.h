#pragma once

#include <atomic>

#include "platform/CoreAudioTypes.h"
#include "platform/simulated/SimulatedAudioCall.h"

// A failure on the audio path: the Nth render (or set-parameter) call that a unit of the given
// kind receives on the audio path returns `status` instead of being carried out. Every unit of
// that kind counts its own calls.
struct SimulatedAudioPathFailure {
  SimulatedAudioOperation operation;  // render or setParameter
  SimulatedUnitKind kind;
  UInt64 call;  // 1-based
  OSStatus status;
};

// Holds the one armed audio-path failure where the audio path can read it without locking.
// Arm and disarm on the main thread, before the units start; the audio path only reads.
class SimulatedAudioPathFailureSlot {
 public:
  void arm(const SimulatedAudioPathFailure& failure);
  void disarm();
  // The status the call should return instead of running, or noErr to run it.
  OSStatus statusFor(SimulatedAudioOperation operation, SimulatedUnitKind kind,
                     UInt64 call) const noexcept;

 private:
  // Release when arming, acquire on the audio path: publishes the fields below.
  std::atomic<bool> armed_{false};
  // Relaxed: written before armed_ is set, read after it has been seen set.
  std::atomic<SimulatedAudioOperation> operation_{SimulatedAudioOperation::render};
  std::atomic<SimulatedUnitKind> kind_{SimulatedUnitKind::none};
  std::atomic<UInt64> call_{0};
  std::atomic<OSStatus> status_{noErr};
};
