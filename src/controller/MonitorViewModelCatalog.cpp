#include <algorithm>
#include <utility>

#include "controller/MonitorViewModel.h"
#include "devices/DeviceNameCollation.h"

void MonitorViewModel::scheduleCatalogRefresh(bool forceReconfiguration) {
  refreshNeedsReconfiguration_ = refreshNeedsReconfiguration_ || forceReconfiguration;
  if (refreshTask_) refreshTask_->cancel();
  refreshTask_ = mainThread_.schedule(refreshDebounce, [weak = WeakLifetime(lifetime_)] {
    const auto lifetime = weak.lock();
    if (!lifetime) return;
    MonitorViewModel& controller = *lifetime->controller;
    // Consumed only here, by a refresh that runs: a cancelled one leaves it to its successor.
    const bool force = controller.refreshNeedsReconfiguration_;
    controller.refreshNeedsReconfiguration_ = false;
    controller.refreshCatalog(false);
    controller.reconcileActiveRoute(force);
  });
}

void MonitorViewModel::refreshCatalog(bool allowAutomaticSelection) {
  AudioDeviceService::InputCatalog inputs = deviceService_.inputCatalog();
  // Set just before the usable inputs, so that their one notification tells of both.
  leftOutInputs_ = std::move(inputs.leftOut);
  publish(inputDevices_, std::move(inputs.usable));
  publish(outputDevice_, deviceService_.defaultOutputDevice());
  publish(audioServiceRunning_, deviceService_.isAudioServiceRunning());
  publish(permission_, readPermission());

  if (allowAutomaticSelection && !selectedDeviceUID_ && !inputDevices_.empty()) {
    const DeviceNameCollation collation = DeviceNameCollation::forUserLocale();
    const auto named =
        std::find_if(inputDevices_.begin(), inputDevices_.end(), [&](const auto& device) {
          return collation.containsIgnoringCase(device.name, "Scarlett");
        });
    const AudioInputDevice& chosen = named != inputDevices_.end() ? *named : inputDevices_.front();
    const std::string uid = chosen.uid;
    publish(selectedDeviceUID_, uid);
    preferences_.setInputDeviceUID(uid);
  }

  const auto device = selectedInputDevice();
  if (device && !selectedPairID_ && !device->channelPairs.empty()) {
    publish(selectedPairID_, device->channelPairs.front().id());
    savePair(device->channelPairs.front());
  }

  updateObservedDevices();
}

void MonitorViewModel::updateObservedDevices() {
  const auto input = selectedInputDevice();
  deviceService_.observeSelectedDevices(
      input ? std::optional<AudioObjectID>(input->id) : std::nullopt,
      outputDevice_ ? std::optional<AudioObjectID>(outputDevice_->id) : std::nullopt);
}

void MonitorViewModel::selectInputDevice(const std::optional<std::string>& uid) {
  if (uid == selectedDeviceUID_) return;
  const bool wasMonitoringWanted = monitorIntent_;
  publish(selectedDeviceUID_, uid);
  preferences_.setInputDeviceUID(uid);

  // A new device always starts on its first pair, even when the old pair exists there too.
  const auto device = std::find_if(inputDevices_.begin(), inputDevices_.end(),
                                   [&](const auto& d) { return uid && d.uid == *uid; });
  if (device != inputDevices_.end() && !device->channelPairs.empty()) {
    const AudioChannelPair first = device->channelPairs.front();
    publish(selectedPairID_, first.id());
    savePair(first);
  } else {
    publish(selectedPairID_, std::nullopt);
    savePair(std::nullopt);
  }

  resetMeterReadings();
  updateObservedDevices();
  if (wasMonitoringWanted) {
    reconcileActiveRoute(false);
  } else {
    publish(phase_, MonitoringPhase::stopped());
  }
}

void MonitorViewModel::selectChannelPair(const std::optional<std::string>& id) {
  if (id == selectedPairID_) return;
  const bool wasMonitoringWanted = monitorIntent_;
  publish(selectedPairID_, id);
  savePair(selectedChannelPair());

  resetMeterReadings();
  if (wasMonitoringWanted) {
    reconcileActiveRoute(false);
  } else {
    publish(phase_, MonitoringPhase::stopped());
  }
}

void MonitorViewModel::savePair(const std::optional<AudioChannelPair>& pair) {
  preferences_.setChannelPair(pair ? std::optional(std::pair(pair->leftChannel, pair->rightChannel))
                                   : std::nullopt);
}
