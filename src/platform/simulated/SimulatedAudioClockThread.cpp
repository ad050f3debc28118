#include "platform/simulated/SimulatedAudioClockThread.h"

#include <chrono>

#include "platform/simulated/SimulatedAudioDevice.h"

SimulatedAudioClockThread::SimulatedAudioClockThread(SimulatedAudioDevice& device)
    : device_(device), thread_([this] { run(); }) {}

SimulatedAudioClockThread::~SimulatedAudioClockThread() {
  stopRequested_.store(true, std::memory_order_release);
  thread_.join();
}

void SimulatedAudioClockThread::run() {
  using Clock = std::chrono::steady_clock;
  const std::chrono::duration<double> period(device_.cyclePeriodSeconds());
  const Clock::time_point start = Clock::now();
  for (UInt64 cycle = 1;; ++cycle) {
    std::this_thread::sleep_until(start +
                                  std::chrono::duration_cast<Clock::duration>(period * cycle));
    if (stopRequested_.load(std::memory_order_acquire)) return;
    const auto hostTime =
        std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch());
    device_.runCycle(static_cast<UInt64>(hostTime.count()));
  }
}
