#include "support/VirtualTimeExecutor.h"

#include <algorithm>

ScheduledTaskHandle VirtualTimeExecutor::schedule(std::chrono::nanoseconds delay,
                                                  std::function<void()> task) {
  ScheduledTaskHandle handle;
  std::lock_guard lock(mutex_);
  tasks_.emplace(now_ + std::max(delay, std::chrono::nanoseconds::zero()),
                 Task{handle, std::move(task)});
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
  while (auto next = takeNextDue(end)) next->run();
  std::lock_guard lock(mutex_);
  now_ = std::max(now_, end);
}

void VirtualTimeExecutor::runUntilIdle() {
  while (auto next = takeNextDue(now())) next->run();
}

std::size_t VirtualTimeExecutor::pendingCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<std::size_t>(std::count_if(
      tasks_.begin(), tasks_.end(), [](const auto& t) { return !t.second.handle.isCancelled(); }));
}

std::optional<VirtualTimeExecutor::Task> VirtualTimeExecutor::takeNextDue(TimePoint limit) {
  std::unique_lock lock(mutex_);
  while (!tasks_.empty() && tasks_.begin()->first <= limit) {
    auto node = tasks_.extract(tasks_.begin());
    if (node.mapped().handle.isCancelled()) {
      // Its captures may post when destroyed.
      lock.unlock();
      node = {};
      lock.lock();
      continue;
    }
    now_ = std::max(now_, node.key());
    return std::move(node.mapped());
  }
  return std::nullopt;
}
