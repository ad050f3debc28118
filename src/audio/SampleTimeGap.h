#pragma once

#include <cstdint>

#include "platform/CoreAudioTypes.h"

// The frames a device's clock moved on between the end of one block and the start of the next:
// cycles the platform skipped on a loaded machine, whose input is gone or whose output was never
// played. Each side's callback owns one, on its device's real-time thread.
class SampleTimeGap {
 public:
  // The frames between the previous block's end and this one's start, then remembers this one's
  // end. 0 for the first block, without a sample time, and when the time goes back (a restart).
  std::uint64_t next(const AudioTimeStamp* stamp, std::uint32_t frames) {
    if (stamp == nullptr || (stamp->mFlags & kAudioTimeStampSampleTimeValid) == 0) return 0;
    const Float64 start = stamp->mSampleTime;
    const Float64 gap = expectedStart_ >= 0.0 ? start - expectedStart_ : 0.0;
    expectedStart_ = start + frames;
    return gap >= 1.0 ? static_cast<std::uint64_t>(gap) : 0;
  }

 private:
  Float64 expectedStart_ = -1.0;  // none yet
};
