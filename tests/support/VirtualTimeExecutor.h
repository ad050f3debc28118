#pragma once

// A main-thread executor whose clock moves only when told to, so that every delay is exact and
// tests are deterministic. Work runs on the thread that calls advanceBy() or runUntilIdle(), in
// order of due time, then of submission. post() and schedule() may be called from any thread (a
// device listener queue posts here); the clock and the running of tasks belong to the test thread.

#include <cstddef>
#include <map>
#include <mutex>
#include <optional>

#include "platform/MainThreadExecutor.h"

class VirtualTimeExecutor final : public MainThreadExecutor {
 public:
  void post(std::function<void()> task) override { schedule({}, std::move(task)); }
  ScheduledTaskHandle schedule(std::chrono::nanoseconds delay, std::function<void()> task) override;
  TimePoint now() const override;

  // Runs every task that falls due within `duration`, each at its own due time, then sets the
  // clock to the end of the span.
  void advanceBy(std::chrono::nanoseconds duration);
  // Runs every task that is due now, including those that the tasks themselves post, without
  // moving the clock.
  void runUntilIdle();
  // Tasks waiting to run, cancelled ones excluded.
  std::size_t pendingCount() const;

 private:
  struct Task {
    ScheduledTaskHandle handle;
    std::function<void()> run;
  };

  // Takes out the first live task due at or before `limit` and moves the clock to its due time.
  std::optional<Task> takeNextDue(TimePoint limit);

  mutable std::mutex mutex_;  // guards every member below
  TimePoint now_{};
  std::multimap<TimePoint, Task> tasks_;  // equal due times keep their order of submission
};
