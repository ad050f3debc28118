#pragma once

// Marks the stretch of a thread during which a simulated device runs one I/O cycle. Calls made
// there belong to the audio path even when virtual time runs the cycle on the main thread, so the
// main-thread call record and its failure rules leave them alone.
class SimulatedAudioPathScope {
 public:
  SimulatedAudioPathScope() noexcept;
  ~SimulatedAudioPathScope();
  SimulatedAudioPathScope(const SimulatedAudioPathScope&) = delete;
  SimulatedAudioPathScope& operator=(const SimulatedAudioPathScope&) = delete;

  // Whether the calling thread is inside an I/O cycle now.
  static bool active() noexcept;

 private:
  bool outer_;
};
