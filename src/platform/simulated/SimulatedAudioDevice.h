#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <functional>
#include <span>
#include <vector>

#include "platform/CoreAudioTypes.h"

class SimulatedHardwareUnit;

struct SimulatedAudioDeviceConfiguration {
  AudioObjectID id = 0;
  UInt32 inputChannels = 0;
  UInt32 outputChannels = 0;
  Float64 nominalSampleRate = 48000.0;
  double clockSkewPPM = 0.0;  // the device clock runs at nominal × (1 + ppm·10⁻⁶)
  UInt32 blockFrames = 512;   // frames per I/O cycle
};

// Fills `samples` with one input channel, starting at device frame `firstFrame`. Runs on the audio
// path: must not allocate, lock or block.
using SimulatedInputSignal =
    std::function<void(UInt32 channel, UInt64 firstFrame, std::span<float> samples)>;

struct SimulatedOutputBlock {
  std::span<const float> left;
  std::span<const float> right;
  UInt64 firstFrame;  // device frame of the block's first sample
  OSStatus status;    // the render callback's result; the block is silent when it is not noErr
};

// Receives every block the output unit rendered, on the audio path: must not allocate, lock or
// block while the world runs in real time.
using SimulatedOutputSink = std::function<void(const SimulatedOutputBlock&)>;

// The audio side of one simulated device: its clock, its input signal, where its output goes, and
// the hardware units started on it (at most one per direction).
//
// Threads: configuration and the alive flag belong to the main thread. runCycle runs on the thread
// that drives the device: the main thread under virtual time, the device's clock thread in real
// time; the configuration setters are refused while a clock thread drives it. The counters may be
// read from any thread.
class SimulatedAudioDevice {
 public:
  // A direction of the device is already held by another started hardware unit.
  static constexpr OSStatus kAudioDevicePermissionsError =
      static_cast<OSStatus>(FourCharCode("!hog"));

  explicit SimulatedAudioDevice(const SimulatedAudioDeviceConfiguration& configuration);
  ~SimulatedAudioDevice();
  SimulatedAudioDevice(const SimulatedAudioDevice&) = delete;
  SimulatedAudioDevice& operator=(const SimulatedAudioDevice&) = delete;

  AudioObjectID id() const { return id_; }
  UInt32 inputChannels() const { return inputChannels_; }
  UInt32 outputChannels() const { return outputChannels_; }
  Float64 nominalSampleRate() const { return nominalSampleRate_; }
  double clockSkewPPM() const { return clockSkewPPM_; }
  Float64 actualSampleRate() const { return nominalSampleRate_ * (1.0 + clockSkewPPM_ * 1e-6); }
  UInt32 blockFrames() const { return blockFrames_; }
  double cyclePeriodSeconds() const { return blockFrames_ / actualSampleRate(); }

  // Main thread. Each returns false, changing nothing, while a clock thread drives the device or
  // when the value is out of range. A new rate or block size takes effect from the next cycle.
  bool setNominalSampleRate(Float64 rate);
  bool setClockSkewPPM(double ppm);
  bool setBlockFrames(UInt32 frames);
  bool setInputSignal(UInt32 channel, SimulatedInputSignal signal);
  bool setOutputSink(SimulatedOutputSink sink);

  // Main thread. Once setAlive(false) has returned, no unit of this device is called back until the
  // device is alive again; the units stay started.
  void setAlive(bool alive);
  bool isAlive() const { return alive_.load(std::memory_order_seq_cst); }

  bool hasInputUnit() const { return inputUnit_.load(std::memory_order_seq_cst) != nullptr; }
  bool hasOutputUnit() const { return outputUnit_.load(std::memory_order_seq_cst) != nullptr; }
  UInt64 framesElapsed() const { return framesElapsed_.load(std::memory_order_relaxed); }
  UInt64 inputCycles() const { return inputCycles_.load(std::memory_order_relaxed); }
  UInt64 outputCycles() const { return outputCycles_.load(std::memory_order_relaxed); }

  // One I/O cycle: fills the input block and calls the input unit, then has the output unit render
  // a block and hands it to the sink. Driving thread only; never allocates.
  void runCycle(UInt64 hostTimeNanos);

 private:
  friend class SimulatedHardwareUnit;
  friend class SimulatedAudioWorld;

  // Hardware units, main thread. attach fails with kAudioDevicePermissionsError when another unit
  // holds that direction. After detach returns, the unit is not called back again.
  OSStatus attachInput(SimulatedHardwareUnit& unit);
  OSStatus attachOutput(SimulatedHardwareUnit& unit);
  void detach(SimulatedHardwareUnit& unit);
  // The current input block of one channel, for the input unit's render during a cycle.
  std::span<const float> inputBlock(UInt32 channel) const;

  // Virtual timeline, used by the world on the main thread.
  double nextCycleSeconds() const;
  void restartSchedule(double originSeconds);
  void setDrivenByClockThread(bool driven) { drivenByClockThread_ = driven; }

  void rebaseSchedule();
  void waitForCycleToFinish() const;
  void allocateBlocks();
  void fillInputBlock(UInt64 firstFrame);
  void renderOutputBlock(SimulatedHardwareUnit& unit, const AudioTimeStamp& timeStamp);

  const AudioObjectID id_;
  const UInt32 inputChannels_;
  const UInt32 outputChannels_;
  Float64 nominalSampleRate_;
  double clockSkewPPM_;
  UInt32 blockFrames_;
  std::vector<SimulatedInputSignal> inputSignals_;
  SimulatedOutputSink outputSink_;
  bool drivenByClockThread_ = false;  // main thread

  // Driving thread. Sized on the main thread while no clock thread runs.
  std::vector<float> inputSamples_;  // planar: inputChannels × blockFrames
  std::vector<float> outputLeft_;
  std::vector<float> outputRight_;
  alignas(AudioBufferList) std::array<std::byte, AudioBufferListByteSize(2)> outputListStorage_{};

  // Virtual timeline: cycle k after the origin fires at origin + k × period. Driving thread.
  double scheduleOrigin_ = 0.0;
  UInt64 cyclesSinceOrigin_ = 0;

  // The main thread publishes a unit or clears the alive flag, then waits for cyclesInFlight_ to
  // drain; a cycle increments cyclesInFlight_ before it reads them. All four are seq_cst so that
  // either the waiting side sees the increment, or the cycle sees the new value: no cycle can call
  // a unit after detach or setAlive(false) returned. The decrement is a release that the waiting
  // acquire load pairs with, ordering the cycle's work before whatever the main thread does next.
  std::atomic<bool> alive_{true};
  std::atomic<SimulatedHardwareUnit*> inputUnit_{nullptr};
  std::atomic<SimulatedHardwareUnit*> outputUnit_{nullptr};
  mutable std::atomic<UInt32> cyclesInFlight_{0};

  // Statistics written by the driving thread; relaxed, nothing is published through them.
  std::atomic<UInt64> framesElapsed_{0};
  std::atomic<UInt64> inputCycles_{0};
  std::atomic<UInt64> outputCycles_{0};
};
