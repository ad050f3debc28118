#pragma once

// The product's main thread without any GUI toolkit: run() turns the calling thread into the main
// thread and executes posted and scheduled work there until quit(). A toolkit's own loop can take
// its place by implementing MainThreadExecutor on top of it.
//
// Threads: post(), schedule() and quit() from any thread; run() from the one thread that owns the
// loop; now() from anywhere.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <set>

#include "platform/MainThreadExecutor.h"

class EventLoopExecutor final : public MainThreadExecutor {
 public:
  void post(std::function<void()> task) override;
  ScheduledTaskHandle schedule(std::chrono::nanoseconds delay, std::function<void()> task) override;
  TimePoint now() const override { return Clock::now(); }

  // Runs work as it falls due until quit() is called; work still waiting then stays queued for a
  // later run().
  void run();
  // Makes the current or the next run() return, after the task it is running, if any.
  void quit();

 private:
  struct Entry {
    TimePoint due;
    std::uint64_t sequence;
    ScheduledTaskHandle handle;
    std::function<void()> task;

    bool operator<(const Entry& other) const {
      return due != other.due ? due < other.due : sequence < other.sequence;
    }
  };

  std::mutex mutex_;  // guards every member below
  std::condition_variable wake_;
  std::uint64_t nextSequence_ = 0;
  std::set<Entry> entries_;
  bool quitRequested_ = false;
};
