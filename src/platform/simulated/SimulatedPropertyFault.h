#pragma once

// A failure the simulated hardware service injects into the reads of one property address, so
// that tests can exercise every fallback of the code that reads hardware properties. Reads that
// fail answer kAudioHardwareNotRunningError.

#include "platform/CoreAudioTypes.h"

struct SimulatedPropertyFault {
  enum class Kind {
    // The object does not have the property: hasProperty is false and every read fails.
    missing,
    // getPropertyDataSize fails.
    sizeQueryFails,
    // getPropertyData fails.
    readFails,
    // A text property reads successfully but yields a null string reference.
    nullText,
    // getPropertyData delivers at most `bytes` bytes and reports that size.
    shortRead,
    // getPropertyDataSize answers `bytes` instead of the value's true size.
    misreportedSize,
    // A stream configuration whose mNumberBuffers claims `bytes` buffers, more than it holds.
    overstatedBufferCount,
    // The value grew between the two reads: getPropertyDataSize answers `bytes`, and
    // getPropertyData copies what fits but reports the value's true, larger size.
    grewBetweenReads,
  };

  Kind kind = Kind::missing;
  UInt32 bytes = 0;
};
