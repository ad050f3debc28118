#pragma once

#include <optional>

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
