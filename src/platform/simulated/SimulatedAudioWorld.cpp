#include "platform/simulated/SimulatedAudioWorld.h"

#include <cmath>
#include <stdexcept>

SimulatedAudioWorld::~SimulatedAudioWorld() {
  stopRealTime();
}

SimulatedAudioDevice& SimulatedAudioWorld::addDevice(
    const SimulatedAudioDeviceConfiguration& configuration) {
  if (configuration.id == 0 || devices_.contains(configuration.id)) {
    throw std::invalid_argument("a simulated device needs a nonzero id of its own");
  }
  auto device = std::make_unique<SimulatedAudioDevice>(configuration);
  device->restartSchedule(now_);
  SimulatedAudioDevice& added =
      *devices_.emplace(configuration.id, std::move(device)).first->second;
  if (runsInRealTime_) startClockThread(added);
  return added;
}

bool SimulatedAudioWorld::removeDevice(AudioObjectID id) {
  const auto found = devices_.find(id);
  if (found == devices_.end()) return false;
  clockThreads_.erase(id);
  devices_.erase(found);
  return true;
}

SimulatedAudioDevice* SimulatedAudioWorld::device(AudioObjectID id) const {
  const auto found = devices_.find(id);
  return found == devices_.end() ? nullptr : found->second.get();
}

std::vector<AudioObjectID> SimulatedAudioWorld::deviceIDs() const {
  std::vector<AudioObjectID> ids;
  ids.reserve(devices_.size());
  for (const auto& entry : devices_) ids.push_back(entry.first);
  return ids;
}

void SimulatedAudioWorld::advance(double seconds) {
  if (runsInRealTime_) throw std::logic_error("virtual time stands still in real time");
  const double end = now_ + seconds;
  for (;;) {
    SimulatedAudioDevice* next = nullptr;
    double due = end;
    // Strictly earlier wins, so among equal times the lowest id (map order) runs first.
    for (const auto& entry : devices_) {
      const double time = entry.second->nextCycleSeconds();
      if (time < due || (next == nullptr && time == due)) {
        next = entry.second.get();
        due = time;
      }
    }
    if (next == nullptr) break;
    now_ = due;
    next->runCycle(static_cast<UInt64>(std::llround(due * 1e9)));
  }
  now_ = end;
}

void SimulatedAudioWorld::startRealTime() {
  if (runsInRealTime_) return;
  runsInRealTime_ = true;
  for (const auto& entry : devices_) startClockThread(*entry.second);
}

void SimulatedAudioWorld::stopRealTime() {
  if (!runsInRealTime_) return;
  clockThreads_.clear();
  for (const auto& entry : devices_) {
    entry.second->setDrivenByClockThread(false);
    entry.second->restartSchedule(now_);
  }
  runsInRealTime_ = false;
}

void SimulatedAudioWorld::startClockThread(SimulatedAudioDevice& device) {
  device.setDrivenByClockThread(true);
  clockThreads_.emplace(device.id(), std::make_unique<SimulatedAudioClockThread>(device));
}
