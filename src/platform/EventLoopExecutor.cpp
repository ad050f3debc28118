#include "platform/EventLoopExecutor.h"

#include <algorithm>

void EventLoopExecutor::post(std::function<void()> task) {
  schedule(std::chrono::nanoseconds::zero(), std::move(task));
}

ScheduledTaskHandle EventLoopExecutor::schedule(std::chrono::nanoseconds delay,
                                                std::function<void()> task) {
  ScheduledTaskHandle handle;
  {
    std::lock_guard lock(mutex_);
    entries_.insert(Entry{Clock::now() + std::max(delay, std::chrono::nanoseconds::zero()),
                          nextSequence_++, handle, std::move(task)});
  }
  wake_.notify_one();
  return handle;
}

void EventLoopExecutor::run() {
  std::unique_lock lock(mutex_);
  while (!quitRequested_) {
    if (entries_.empty()) {
      wake_.wait(lock);
      continue;
    }
    const TimePoint due = entries_.begin()->due;
    if (due > Clock::now()) {
      // A new earlier entry or quit() wakes the wait early; the loop then looks again.
      wake_.wait_until(lock, due);
      continue;
    }
    auto node = entries_.extract(entries_.begin());
    // Unlocked while the task runs and while its captures are destroyed: either may post.
    lock.unlock();
    if (!node.value().handle.isCancelled()) node.value().task();
    node = {};
    lock.lock();
  }
  quitRequested_ = false;
}

void EventLoopExecutor::quit() {
  {
    std::lock_guard lock(mutex_);
    quitRequested_ = true;
  }
  wake_.notify_all();
}
