#include "support/VirtualTimeExecutor.h"

#include <algorithm>

void VirtualTimeExecutor::post(std::function<void()> task) {
  schedule(std::chrono::nanoseconds::zero(), std::move(task));
}

ScheduledTaskHandle VirtualTimeExecutor::schedule(std::chrono::nanoseconds delay,
                                                  std::function<void()> task) {
  ScheduledTaskHandle handle;
  std::lock_guard lock(mutex_);
  entries_.insert(Entry{now_ + std::max(delay, std::chrono::nanoseconds::zero()), nextSequence_++,
                        handle, std::move(task)});
  return handle;
}

MainThreadExecutor::TimePoint VirtualTimeExecutor::now() const {
  std::lock_guard lock(mutex_);
  return now_;
}

void VirtualTimeExecutor::advanceBy(std::chrono::nanoseconds duration) {
  TimePoint end;
  {
    std::lock_guard lock(mutex_);
    end = now_ + duration;
  }
  while (auto next = takeNextDue(end)) next->task();
  std::lock_guard lock(mutex_);
  now_ = std::max(now_, end);
}

void VirtualTimeExecutor::runUntilIdle() {
  while (auto next = takeNextDue(now())) next->task();
}

std::size_t VirtualTimeExecutor::pendingCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<std::size_t>(std::count_if(
      entries_.begin(), entries_.end(), [](const Entry& e) { return !e.handle.isCancelled(); }));
}

std::optional<VirtualTimeExecutor::Entry> VirtualTimeExecutor::takeNextDue(TimePoint limit) {
  std::unique_lock lock(mutex_);
  while (!entries_.empty() && entries_.begin()->due <= limit) {
    auto node = entries_.extract(entries_.begin());
    if (node.value().handle.isCancelled()) {
      // Its captures may post when destroyed.
      lock.unlock();
      node = {};
      lock.lock();
      continue;
    }
    now_ = std::max(now_, node.value().due);
    return std::move(node.value());
  }
  return std::nullopt;
}
