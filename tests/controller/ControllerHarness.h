#pragma once

// A controller on the simulated platform (the hardware catalog and the audio world kept in step,
// units from the simulated component port with the real varispeed converter), an in-memory
// preference store, a scripted permission and the virtual-time main thread. Time moves only through
// advance(), which moves the main thread and the audio world together and lets the device listener
// queue deliver first.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
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

// What an output device played since the last reset. Its sink runs on the world's driving thread,
// which under virtual time is the test thread.
struct OutputProbe {
  UInt64 frames = 0;
  UInt64 audibleFrames = 0;
  float loudest = 0.0f;

  void reset() { *this = OutputProbe{}; }
};

class ControllerHarness {
 public:
  static constexpr Float64 kSignalFrequency = 1000.0;
  static constexpr float kSignalAmplitude = 0.5f;

  ControllerHarness() = default;
  ~ControllerHarness() { controller.reset(); }

  // An interface with `channels` inputs playing a 0.5 sine on every channel.
  AudioObjectID plugInput(const std::string& name, const std::string& uid, UInt32 channels = 4,
                          Float64 rate = 48000.0) {
    SimulatedCatalogDevice description;
    description.uid = uid;
    description.name = name;
    description.inputStreams = {{channels, simulatedLinearPCMFormat(24, false, channels, rate)}};
    description.nominalSampleRate = rate;
    const AudioObjectID id = catalog.addDevice(description);
    SimulatedAudioDevice& device = world.addDevice({.id = id,
                                                    .inputChannels = channels,
                                                    .outputChannels = 0,
                                                    .nominalSampleRate = simulatableRate(rate)});
    for (UInt32 channel = 0; channel < channels; ++channel) {
      device.setInputSignal(
          channel, makeSineSignal(kSignalFrequency, kSignalAmplitude, device.nominalSampleRate()));
    }
    return id;
  }

  // Stereo speakers; they become the default output unless told otherwise.
  AudioObjectID plugOutput(const std::string& name, const std::string& uid, Float64 rate = 48000.0,
                           bool makeDefault = true) {
    SimulatedCatalogDevice description;
    description.uid = uid;
    description.name = name;
    description.outputStreams = {{2, simulatedLinearPCMFormat(32, true, 2, rate)}};
    description.nominalSampleRate = rate;
    const AudioObjectID id = catalog.addDevice(description);
    SimulatedAudioDevice& device = world.addDevice({.id = id,
                                                    .inputChannels = 0,
                                                    .outputChannels = 2,
                                                    .nominalSampleRate = simulatableRate(rate)});
    auto& probe = *probes.emplace_back(
        std::make_unique<std::pair<AudioObjectID, OutputProbe>>(id, OutputProbe{}));
    OutputProbe* target = &probe.second;
    device.setOutputSink([target](const SimulatedOutputBlock& block) {
      target->frames += block.left.size();
      for (std::size_t i = 0; i < block.left.size(); ++i) {
        const float loudest = std::max(std::fabs(block.left[i]), std::fabs(block.right[i]));
        if (loudest > 0.01f) ++target->audibleFrames;
        target->loudest = std::max(target->loudest, loudest);
      }
    });
    if (makeDefault) catalog.setDefaultOutputDevice(id);
    return id;
  }

  void unplug(AudioObjectID id) {
    if (catalog.defaultOutputDevice() == id) catalog.setDefaultOutputDevice(kAudioObjectUnknown);
    platform.unplug(id);
  }

  // A rate the world cannot run (zero, NaN) is only reported; the device keeps its clock.
  void setRate(AudioObjectID id, Float64 rate) { platform.setNominalSampleRate(id, rate); }
  void setAlive(AudioObjectID id, bool alive) { platform.setAlive(id, alive); }

  // Makes the engine's main-thread calls of one kind fail; occurrence 0 fails every such call.
  void failUnitCall(SimulatedAudioOperation operation, OSStatus status, UInt32 occurrence = 0) {
    components.failCall(SimulatedCallFailure{operation, status, std::nullopt, std::nullopt,
                                             std::nullopt, std::nullopt, occurrence});
  }

  OutputProbe& probe(AudioObjectID output) {
    for (auto& entry : probes) {
      if (entry->first == output) return entry->second;
    }
    throw std::out_of_range("no such output");
  }

  MonitorViewModel& launch() {
    controller = std::make_unique<MonitorViewModel>(MonitorViewModel::Dependencies{
        catalog, components, platform.sleep(), defaults, authorization, workspace, mainThread});
    return *controller;
  }

  MonitorViewModel& vm() { return *controller; }

  // Moves the main thread and the audio world forward together, one millisecond at a time, after
  // letting every hardware notification reach the main thread.
  void advance(std::chrono::milliseconds duration) {
    for (auto elapsed = 0ms; elapsed < duration; elapsed += 1ms) {
      deliverNotifications();
      mainThread.advanceBy(1ms);
      world.advance(0.001);
    }
    deliverNotifications();
    mainThread.runUntilIdle();
  }

  // Runs what is due now, after the listener queue has posted what it holds.
  void settle() {
    deliverNotifications();
    mainThread.runUntilIdle();
  }

  // Long enough for a debounced refresh and the reconciliation that follows it.
  void settleRefresh() { advance(MonitorViewModel::refreshDebounce + 10ms); }

  void deliverNotifications() {
    for (const auto& listener : catalog.installedListeners()) {
      if (auto* queue = dynamic_cast<SerialDispatchQueue*>(listener.queue)) queue->drain();
    }
  }

  SimulatedPlatform platform;
  SimulatedCatalog& catalog = platform.catalog();
  SimulatedAudioWorld& world = platform.world();
  SimulatedAudioComponents& components = platform.components();
  InMemoryKeyValueStore defaults;
  ScriptedAudioCaptureAuthorization authorization;
  RecordingWorkspace workspace;
  VirtualTimeExecutor mainThread;
  std::vector<std::unique_ptr<std::pair<AudioObjectID, OutputProbe>>> probes;
  std::unique_ptr<MonitorViewModel> controller;

 private:
  // The world runs only positive finite rates; the catalog may report anything.
  static Float64 simulatableRate(Float64 rate) {
    return std::isfinite(rate) && rate > 0 ? rate : 48000.0;
  }
};
