#pragma once

#include <atomic>
#include <memory>

// The handle of one scheduled main-thread task. Cancelling it before the task has run makes the
// executor drop the task; after that it has no effect. Copies share the same task. Callable from
// any thread.
class ScheduledTaskHandle {
 public:
  ScheduledTaskHandle() : cancelled_(std::make_shared<std::atomic<bool>>(false)) {}

  // Release pairs with the executor's acquire load, so a task cancelled on one thread is not run
  // by an executor on another.
  void cancel() const { cancelled_->store(true, std::memory_order_release); }
  bool isCancelled() const { return cancelled_->load(std::memory_order_acquire); }

  // Whether both handles belong to the same scheduled task.
  friend bool operator==(const ScheduledTaskHandle&, const ScheduledTaskHandle&) = default;

 private:
  std::shared_ptr<std::atomic<bool>> cancelled_;
};
