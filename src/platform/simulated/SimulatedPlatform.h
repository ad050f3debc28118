#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "platform/BlockingSleep.h"
#include "platform/simulated/SimulatedAudioComponents.h"
#include "platform/simulated/SimulatedAudioWorld.h"
#include "platform/simulated/SimulatedCatalog.h"

// One simulated world behind both ports: every device exists in the hardware catalog (what
// enumeration and listeners see) and in the audio world (what the units play), under the same
// AudioObjectID, and changes are applied to both so they never disagree.
//
// Threads: main thread.
class SimulatedPlatform {
 public:
  struct Device {
    std::string uid;
    std::string name;
    UInt32 inputChannels = 0;
    UInt32 outputChannels = 0;
    Float64 sampleRate = 48000.0;
    UInt32 bufferFrames = 512;
    double clockSkewPPM = 0.0;
    UInt32 physicalBits = 24;
    bool physicalFloat = false;
    // Element 0 names channel 1; absent names fall back to the catalog's default.
    std::vector<std::optional<std::string>> inputChannelNames{};
    std::optional<std::array<UInt32, 2>> preferredStereoChannels{};  // counted from 1
  };

  SimulatedPlatform();
  SimulatedPlatform(const SimulatedPlatform&) = delete;
  SimulatedPlatform& operator=(const SimulatedPlatform&) = delete;

  SimulatedCatalog& catalog() { return catalog_; }
  SimulatedAudioWorld& world() { return world_; }
  SimulatedAudioComponents& components() { return components_; }
  // Sleeps advance virtual time, so the engine's fade-out is rendered; in real time it really
  // sleeps.
  BlockingSleep& sleep() { return sleep_; }

  // Returns the new device's identifier; a replugged device gets a new one and keeps its UID.
  AudioObjectID plug(const Device& device);
  void unplug(AudioObjectID device);
  void setDefaultOutput(AudioObjectID device) { catalog_.setDefaultOutputDevice(device); }
  // The catalog reports the new rate; the device's clock follows when the world can run at it.
  void setNominalSampleRate(AudioObjectID device, Float64 rate);
  void setAlive(AudioObjectID device, bool alive);
  // Tells the listeners of `device` that its I/O stopped abnormally.
  void reportStoppedAbnormally(AudioObjectID device);

 private:
  class VirtualSleep final : public BlockingSleep {
   public:
    explicit VirtualSleep(SimulatedAudioWorld& world) : world_(world) {}
    void sleepFor(std::chrono::nanoseconds duration) override;

   private:
    SimulatedAudioWorld& world_;
  };

  SimulatedCatalog catalog_;
  SimulatedAudioWorld world_;
  SimulatedAudioComponents components_;
  VirtualSleep sleep_;
};
