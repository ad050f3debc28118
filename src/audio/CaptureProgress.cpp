#include "audio/CaptureProgress.h"

#include <algorithm>

void CaptureProgress::beginWrite() {
  sequence_.store(sequence_.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
}

void CaptureProgress::endWrite(std::uint64_t hostTimeNanos, std::uint32_t frames) {
  lastWriteHostNanos_.store(hostTimeNanos, std::memory_order_release);
  lastWriteFrames_.store(frames, std::memory_order_release);
  sequence_.store(sequence_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
}

double CaptureProgress::estimatedFill(VXRingBufferRef ring, std::uint64_t hostTimeNanos) const {
  const std::uint32_t before = sequence_.load(std::memory_order_acquire);
  const std::uint64_t writtenAt = lastWriteHostNanos_.load(std::memory_order_acquire);
  const std::uint32_t frames = lastWriteFrames_.load(std::memory_order_acquire);
  const auto buffered = static_cast<double>(VXRingBufferBufferedFrames(ring));
  const std::uint32_t after = sequence_.load(std::memory_order_relaxed);
  // Without a host time on either side there is nothing to interpolate by.
  if (before != after || (before & 1u) != 0 || frames == 0 || writtenAt == 0 ||
      hostTimeNanos == 0) {
    return buffered;
  }
  const double block = static_cast<double>(frames);
  const double elapsed =
      hostTimeNanos > writtenAt ? static_cast<double>(hostTimeNanos - writtenAt) * 1e-9 : 0.0;
  return buffered + std::min(elapsed * inputSampleRate_, block) - 0.5 * block;
}
