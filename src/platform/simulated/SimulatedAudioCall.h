#pragma once

#include "platform/CoreAudioTypes.h"

// One entry of the simulated component port's call record: what the engine asked of which unit,
// and what it was told.

enum class SimulatedAudioOperation {
  findNext,
  instanceNew,
  instanceDispose,
  setProperty,
  getProperty,
  setParameter,
  getParameter,
  initialize,
  uninitialize,
  outputStart,
  outputStop,
  render,
};

// What a unit is at the time of a call. A hardware unit is `ahalUnbound` until its I/O direction is
// set, then `input` when input is enabled, otherwise `output`. Component calls that name no known
// component are `none`.
enum class SimulatedUnitKind { none, ahalUnbound, input, output, varispeed };

struct SimulatedAudioCall {
  SimulatedAudioOperation operation;
  SimulatedUnitKind kind;
  UInt32 id = 0;  // property or parameter; 0 for other operations
  AudioUnitScope scope = 0;
  AudioUnitElement element = 0;
  // The call's result. findNext records noErr when it returned a component, otherwise
  // kAudio_UnimplementedError.
  OSStatus status = noErr;
  friend bool operator==(const SimulatedAudioCall&, const SimulatedAudioCall&) = default;
};
