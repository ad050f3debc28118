#pragma once

// A failure the simulated hardware service injects into the reads of one property address, so
// that tests can exercise every fallback of the code that reads hardware properties.

#include "platform/CoreAudioTypes.h"

struct SimulatedPropertyFault {
  enum class Kind {
    // The object does not have the property: hasProperty is false and every read fails.
    missing,
    // getPropertyDataSize answers `status`.
    sizeQueryFails,
    // getPropertyData answers `status`.
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
  OSStatus status = kAudioHardwareNotRunningError;
  UInt32 bytes = 0;

  static SimulatedPropertyFault missingProperty() { return {Kind::missing}; }
  static SimulatedPropertyFault failingSizeQuery(OSStatus status = kAudioHardwareNotRunningError) {
    return {Kind::sizeQueryFails, status};
  }
  static SimulatedPropertyFault failingRead(OSStatus status = kAudioHardwareNotRunningError) {
    return {Kind::readFails, status};
  }
  static SimulatedPropertyFault nullTextReference() { return {Kind::nullText}; }
  static SimulatedPropertyFault readShortOf(UInt32 deliveredBytes) {
    return {Kind::shortRead, noErr, deliveredBytes};
  }
  static SimulatedPropertyFault sizeReportedAs(UInt32 reportedBytes) {
    return {Kind::misreportedSize, noErr, reportedBytes};
  }
  static SimulatedPropertyFault grownAfterSizeQueryOf(UInt32 reportedBytes) {
    return {Kind::grewBetweenReads, noErr, reportedBytes};
  }
  static SimulatedPropertyFault bufferCountClaimed(UInt32 claimedBuffers) {
    return {Kind::overstatedBufferCount, noErr, claimedBuffers};
  }
};
