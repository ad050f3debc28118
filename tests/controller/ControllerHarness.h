#pragma once

// A controller on the simulated platform, an in-memory preference store, a scripted permission and
// the virtual-time main thread. Time moves only through advance(), which moves the main thread and
// the audio world together and lets the device listener queue deliver first.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "controller/MonitorViewModel.h"
#include "platform/InMemoryKeyValueStore.h"
#include "platform/SerialDispatchQueue.h"
#include "platform/simulated/SimulatedAudioSignals.h"
#include "platform/simulated/SimulatedPlatform.h"
#include "support/RecordingWorkspace.h"
#include "support/ScriptedAudioCaptureAuthorization.h"
#include "support/VirtualTimeExecutor.h"

using namespace std::chrono_literals;

class ControllerHarness {
 public:
  static constexpr float kSignalAmplitude = 0.5f;

  // Inputs play a 1 kHz sine of kSignalAmplitude; speakers count what they play in audibleFrames.
  AudioObjectID plugInput(const std::string& name, const std::string& uid, UInt32 channels = 4,
                          Float64 rate = 48000.0) {
    const AudioObjectID id =
        platform.plug({.uid = uid, .name = name, .inputChannels = channels, .sampleRate = rate});
    setSignal(id, kSignalAmplitude);
    return id;
  }

  AudioObjectID plugOutput(const std::string& name, const std::string& uid,
                           Float64 rate = 48000.0) {
    const AudioObjectID id = platform.plug({.uid = uid,
                                            .name = name,
                                            .outputChannels = 2,
                                            .sampleRate = rate,
                                            .physicalBits = 32,
                                            .physicalFloat = true});
    UInt64& audible = audibleFrames[id];
    world.device(id)->setOutputSink([&audible](const SimulatedOutputBlock& block) {
      for (std::size_t i = 0; i < block.left.size(); ++i)
        if (std::max(std::fabs(block.left[i]), std::fabs(block.right[i])) > 0.01f) ++audible;
    });
    catalog.setDefaultOutputDevice(id);
    return id;
  }

  void setSignal(AudioObjectID input, float amplitude) {
    SimulatedAudioDevice& device = *world.device(input);
    for (UInt32 channel = 0; channel < device.inputChannels(); ++channel)
      device.setInputSignal(channel, makeSineSignal(1000.0, amplitude, device.nominalSampleRate()));
  }

  void unplug(AudioObjectID id) {
    if (catalog.defaultOutputDevice() == id) catalog.setDefaultOutputDevice(kAudioObjectUnknown);
    platform.unplug(id);
  }

  void setRate(AudioObjectID id, Float64 rate) { platform.setNominalSampleRate(id, rate); }

  // Makes the engine's main-thread calls of one kind fail; occurrence 0 fails every such call.
  void failUnitCall(SimulatedAudioOperation operation, OSStatus status, UInt32 occurrence = 0) {
    components.failCall(SimulatedCallFailure{operation, status, {}, {}, {}, {}, occurrence});
  }

  // Starts the controller and lets it read the devices.
  MonitorViewModel& launch() {
    controller = std::make_unique<MonitorViewModel>(MonitorViewModel::Dependencies{
        catalog, components, platform.sleep(), defaults, authorization, workspace, mainThread});
    settle();
    return *controller;
  }

  MonitorViewModel& vm() { return *controller; }

  void advance(std::chrono::milliseconds duration) {
    for (auto elapsed = 0ms; elapsed < duration; elapsed += 1ms) {
      deliverNotifications();
      mainThread.advanceBy(1ms);
      world.advance(0.001);
    }
    settle();
  }

  void settle() {
    deliverNotifications();
    mainThread.runUntilIdle();
  }

  void settleRefresh() { advance(MonitorViewModel::refreshDebounce + 10ms); }

  void deliverNotifications() {
    for (const auto& listener : catalog.installedListeners())
      if (auto* queue = dynamic_cast<SerialDispatchQueue*>(listener.queue)) queue->drain();
  }

  SimulatedPlatform platform;
  SimulatedCatalog& catalog = platform.catalog();
  SimulatedAudioWorld& world = platform.world();
  SimulatedAudioComponents& components = platform.components();
  InMemoryKeyValueStore defaults;
  ScriptedAudioCaptureAuthorization authorization;
  RecordingWorkspace workspace;
  VirtualTimeExecutor mainThread;
  std::map<AudioObjectID, UInt64> audibleFrames;  // node-based: the sinks keep their counters
  std::unique_ptr<MonitorViewModel> controller;
};
