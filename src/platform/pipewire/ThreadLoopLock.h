#pragma once

#include <pipewire/thread-loop.h>

// Holds a PipeWire thread loop's lock for a scope: the way other threads call into the loop's
// objects.
class ThreadLoopLock {
 public:
  explicit ThreadLoopLock(pw_thread_loop* loop) : loop_(loop) { pw_thread_loop_lock(loop_); }
  ~ThreadLoopLock() { pw_thread_loop_unlock(loop_); }
  ThreadLoopLock(const ThreadLoopLock&) = delete;
  ThreadLoopLock& operator=(const ThreadLoopLock&) = delete;

 private:
  pw_thread_loop* loop_;
};
