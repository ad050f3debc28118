#pragma once

#include <map>
#include <memory>
#include <vector>

#include "platform/simulated/SimulatedAudioClockThread.h"
#include "platform/simulated/SimulatedAudioDevice.h"

// The simulated audio hardware: the devices, found by AudioObjectID, and the time that drives
// their I/O cycles. Time runs in one of two modes:
// - virtual: advance() runs every cycle that falls due, in time order (equal times in device-id
//   order), on the calling thread, so an hour of audio takes seconds and every run is the same;
// - real: between startRealTime() and stopRealTime() each device has a thread that runs its cycles
//   against the real clock. Virtual time stands still meanwhile.
// A device's cycle k (counted from when it joined the world or its timing last changed) fires k
// periods later, one period being blockFrames / actual rate.
//
// Threads: main thread only. The world outlives every hardware unit bound to it.
class SimulatedAudioWorld {
 public:
  SimulatedAudioWorld() = default;
  ~SimulatedAudioWorld();
  SimulatedAudioWorld(const SimulatedAudioWorld&) = delete;
  SimulatedAudioWorld& operator=(const SimulatedAudioWorld&) = delete;

  // Throws std::invalid_argument for id 0, an id in use, or a non-positive rate or block size.
  SimulatedAudioDevice& addDevice(const SimulatedAudioDeviceConfiguration& configuration);
  // Units started on the device stop being called back and report lostDevice(). False when there
  // is no such device.
  bool removeDevice(AudioObjectID id);
  SimulatedAudioDevice* device(AudioObjectID id) const;
  std::vector<AudioObjectID> deviceIDs() const;

  // Virtual seconds since the world was made.
  double now() const { return now_; }
  // Runs every cycle due up to now() + seconds. Throws std::logic_error in real time.
  void advance(double seconds);

  void startRealTime();
  // Returns once every clock thread has finished its cycle and stopped.
  void stopRealTime();
  bool runsInRealTime() const { return runsInRealTime_; }

 private:
  void startClockThread(SimulatedAudioDevice& device);

  std::map<AudioObjectID, std::unique_ptr<SimulatedAudioDevice>> devices_;
  std::map<AudioObjectID, std::unique_ptr<SimulatedAudioClockThread>> clockThreads_;
  double now_ = 0.0;
  bool runsInRealTime_ = false;
};
