#include "audio/RingSizing.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
constexpr double kDefaultBlock = 8192.0;
constexpr double kMaximumPlaybackRate = 1.001;
constexpr double kMinimumLatencySeconds = 0.07;
constexpr double kU32Max = std::numeric_limits<std::uint32_t>::max();
}  // namespace

std::optional<RingSizing> ringSizing(double in, double out, std::uint32_t inputBufferFrameSize,
                                     std::uint32_t outputBufferFrameSize, RouteLatency latency) {
  const double b = outputBufferFrameSize;
  const double bPrime = outputBufferFrameSize == 0 ? kDefaultBlock : b;
  const double bIn = std::max(static_cast<double>(inputBufferFrameSize), kDefaultBlock);
  const double pull = std::ceil(in * bPrime / out * kMaximumPlaybackRate);
  double target = 0;
  double largestInputBlock = bIn;
  if (latency == RouteLatency::low && inputBufferFrameSize != 0 && outputBufferFrameSize != 0) {
    largestInputBlock = inputBufferFrameSize;
    target = std::max(2.0 * std::max(largestInputBlock, b), pull + b);
  } else {
    const double m = std::max(b, kDefaultBlock);
    target = std::ceil(std::max(kMinimumLatencySeconds * in, pull + m + (bIn - kDefaultBlock)));
  }
  const double capacity = std::max({2.0 * target, std::ceil(in), target + largestInputBlock});
  if (!(target < kU32Max) || !(capacity <= kU32Max)) return std::nullopt;
  return RingSizing{static_cast<std::uint32_t>(target), static_cast<std::uint32_t>(capacity)};
}
