#pragma once

// The main thread as the controller sees it: work posted to it runs there one item at a time, in
// order; work can wait for a delay and be cancelled while it waits; and the monotonic clock that
// measures those delays.
//
// A task that sleeps and may be cancelled is one scheduled task whose handle is cancelled; a loop
// that sleeps between rounds is a task that schedules its next round as its last step.

#include <chrono>
#include <functional>

#include "platform/ScheduledTaskHandle.h"

class MainThreadExecutor {
 public:
  using Clock = std::chrono::steady_clock;
  using TimePoint = Clock::time_point;

  virtual ~MainThreadExecutor() = default;

  // Callable from any thread.
  virtual void post(std::function<void()> task) = 0;
  // Runs `task` on the main thread once `delay` has passed, unless the handle is cancelled first.
  // Callable from any thread.
  virtual ScheduledTaskHandle schedule(std::chrono::nanoseconds delay,
                                       std::function<void()> task) = 0;
  // The executor's monotonic time; the clock that schedule() waits on.
  virtual TimePoint now() const = 0;
};
