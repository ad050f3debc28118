#pragma once

#include <cstdint>
#include <optional>

#include "audio/CoreAudioFailure.h"

// The technical numbers of one snapshot, shown unchanged by the diagnostics panel.
struct EngineDiagnostics {
  double inputSampleRate = 0;
  double outputSampleRate = 0;
  std::uint64_t bufferedFrames = 0;
  std::uint64_t targetBufferedFrames = 0;
  double rateCorrectionPPM = 0;
  std::uint64_t underruns = 0;
  std::uint64_t overruns = 0;
  // What the route holds back: the ring's target fill plus the converter's look-ahead.
  double latencyMilliseconds = 0;

  friend bool operator==(const EngineDiagnostics&, const EngineDiagnostics&) = default;
};

// What the real-time side measured since the previous snapshot.
struct RealtimeSnapshot {
  float leftPeak = 0;
  float rightPeak = 0;
  bool leftClipped = false;
  bool rightClipped = false;
  EngineDiagnostics diagnostics;
  std::optional<CoreAudioFailure> runtimeFailure;
  // The failure is a stall: the streams run but no input has arrived for a second.
  bool inputStalled = false;
};
