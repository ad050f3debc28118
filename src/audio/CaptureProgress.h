#pragma once

#include <atomic>
#include <cstdint>

#include "ringbuffer/VXRingBuffer.h"

// When the capture side last wrote a block into the ring, so that the output side can estimate
// the fill between the producer's whole-block writes. Read right after the consumer's pull, the
// plain fill is a step function of the two devices' cycle phase: with equal periods whose phase
// slides slowly it stays flat for many seconds, then jumps by a whole input block. Adding the input
// frames captured since the last write (by the time stamps of both sides) makes it continuous;
// taking off half a block keeps its mean where the plain reading's mean over all phases lies, so
// the fill the controller holds, and with it the route's latency, stays what it was.
//
// Threads: beginWrite/endWrite on the input device's real-time thread (the ring's producer),
// estimatedFill on the output device's real-time thread. Built and released on the main thread
// while neither runs. Nothing here allocates, locks or blocks.
class CaptureProgress {
 public:
  explicit CaptureProgress(double inputSampleRate) : inputSampleRate_(inputSampleRate) {}
  CaptureProgress(const CaptureProgress&) = delete;
  CaptureProgress& operator=(const CaptureProgress&) = delete;

  // Bracket the ring write of one block that ended at hostTimeNanos.
  void beginWrite();
  void endWrite(std::uint64_t hostTimeNanos, std::uint32_t frames);

  // The ring's fill plus the input frames captured since the last write (at most that write's
  // block) less half that block, as seen at hostTimeNanos on the same clock. The plain fill when a
  // write overlaps the reading, before the first write, or without host times.
  double estimatedFill(VXRingBufferRef ring, std::uint64_t hostTimeNanos) const;

 private:
  const double inputSampleRate_;
  // A sequence lock around the ring write and the two values below: odd while a write is under
  // way. The producer stores it relaxed when it turns odd and with release when it turns even;
  // the two values are stored with release (so a reader that sees them sees the odd count) and
  // loaded with acquire (so the count loaded after them is no older). The consumer loads the count
  // with acquire before reading and relaxed after, and keeps its reading only when both loads
  // agree on an even value. No fences: ThreadSanitizer does not model them.
  std::atomic<std::uint32_t> sequence_{0};
  // Release stores by the producer, acquire loads by the consumer (see the sequence above).
  std::atomic<std::uint64_t> lastWriteHostNanos_{0};
  std::atomic<std::uint32_t> lastWriteFrames_{0};
};
