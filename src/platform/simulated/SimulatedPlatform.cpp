#include "platform/simulated/SimulatedPlatform.h"

#include <thread>

#include "platform/simulated/SimulatedAudioVarispeed.h"

SimulatedPlatform::SimulatedPlatform()
    : components_(world_, makeSimulatedVarispeedFactory()), sleep_(world_) {}

void SimulatedPlatform::VirtualSleep::sleepFor(std::chrono::nanoseconds duration) {
  if (world_.runsInRealTime()) {
    std::this_thread::sleep_for(duration);
  } else {
    world_.advance(std::chrono::duration<double>(duration).count());
  }
}

AudioObjectID SimulatedPlatform::plug(const Device& device) {
  SimulatedCatalogDevice description;
  description.uid = device.uid;
  description.name = device.name;
  if (device.inputChannels > 0) {
    description.inputStreams.push_back(SimulatedStream{
        device.inputChannels, simulatedLinearPCMFormat(device.physicalBits, device.physicalFloat,
                                                       device.inputChannels, device.sampleRate)});
  }
  if (device.outputChannels > 0) {
    description.outputStreams.push_back(SimulatedStream{
        device.outputChannels, simulatedLinearPCMFormat(device.physicalBits, device.physicalFloat,
                                                        device.outputChannels, device.sampleRate)});
  }
  description.inputChannelNames = device.inputChannelNames;
  description.preferredStereoChannels = device.preferredStereoChannels;
  description.nominalSampleRate = device.sampleRate;
  description.bufferFrameSize = device.bufferFrames;
  const AudioObjectID id = catalog_.addDevice(description);
  world_.addDevice(SimulatedAudioDeviceConfiguration{id, device.inputChannels,
                                                     device.outputChannels, device.sampleRate,
                                                     device.clockSkewPPM, device.bufferFrames});
  return id;
}

void SimulatedPlatform::unplug(AudioObjectID device) {
  world_.removeDevice(device);
  catalog_.removeDevice(device);
}

void SimulatedPlatform::setNominalSampleRate(AudioObjectID device, Float64 rate) {
  if (SimulatedAudioDevice* audio = world_.device(device)) audio->setNominalSampleRate(rate);
  catalog_.setNominalSampleRate(device, rate);
}

void SimulatedPlatform::setAlive(AudioObjectID device, bool alive) {
  if (SimulatedAudioDevice* audio = world_.device(device)) audio->setAlive(alive);
  catalog_.setAlive(device, alive);
}

void SimulatedPlatform::reportStoppedAbnormally(AudioObjectID device) {
  catalog_.signal(device, AudioObjectPropertyAddress{kAudioDevicePropertyIOStoppedAbnormally,
                                                     kAudioObjectPropertyScopeGlobal,
                                                     kAudioObjectPropertyElementMain});
}
