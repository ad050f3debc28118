#pragma once

#include <chrono>
#include <thread>

// Blocks the calling thread. The engine's fade-out waits through this so tests can run it on
// virtual time.
class BlockingSleep {
 public:
  virtual ~BlockingSleep() = default;
  virtual void sleepFor(std::chrono::nanoseconds duration) = 0;
};

class ThreadBlockingSleep final : public BlockingSleep {
 public:
  void sleepFor(std::chrono::nanoseconds duration) override {
    std::this_thread::sleep_for(duration);
  }
};
