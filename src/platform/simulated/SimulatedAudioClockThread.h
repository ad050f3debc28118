#pragma once

#include <atomic>
#include <thread>

class SimulatedAudioDevice;

// Drives one device's I/O cycles against the real clock: cycle k fires k periods after the thread
// started, so the device keeps its own rate however late a single wake-up is.
//
// Threads: constructed and destroyed on the main thread; the device is driven only by this thread
// in between, and its configuration must not change meanwhile.
class SimulatedAudioClockThread {
 public:
  explicit SimulatedAudioClockThread(SimulatedAudioDevice& device);
  // Lets a running cycle finish and joins.
  ~SimulatedAudioClockThread();
  SimulatedAudioClockThread(const SimulatedAudioClockThread&) = delete;
  SimulatedAudioClockThread& operator=(const SimulatedAudioClockThread&) = delete;

 private:
  void run();

  SimulatedAudioDevice& device_;
  // Set by the owner (release), polled by the thread (acquire) before every cycle.
  std::atomic<bool> stopRequested_{false};
  std::thread thread_;  // last: starts after every other member exists
};
