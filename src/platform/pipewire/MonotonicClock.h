#pragma once

#include <spa/utils/defs.h>

#include <cstdint>
#include <ctime>

// CLOCK_MONOTONIC in nanoseconds: PipeWire's own time base for cycles and timers. Any thread;
// real-time safe (no allocation, no lock).
inline std::uint64_t monotonicNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * SPA_NSEC_PER_SEC +
         static_cast<std::uint64_t>(now.tv_nsec);
}
