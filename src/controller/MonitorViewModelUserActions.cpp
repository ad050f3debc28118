#include "controller/MonitorViewModel.h"

void MonitorViewModel::toggleMonitoring() {
  if (monitorIntent_ || engine_.isRunning()) {
    stopMonitoring(true);
  } else {
    postUserStart();
  }
}

void MonitorViewModel::retry() {
  if (!engine_.isRunning()) postUserStart();
}

// Always a posted task, never run inline: a quick double press gives two starts, each checking
// the guard when it runs.
void MonitorViewModel::postUserStart() {
  mainThread_.post([weak = WeakLifetime(lifetime_)] {
    if (const auto lifetime = weak.lock()) lifetime->controller->startFromUserAction();
  });
}

void MonitorViewModel::startFromUserAction() {
  if (!canStart()) return;
  monitorIntent_ = true;
  publish(technicalError_, std::nullopt);
  // A device change within the catalog's debounce has not been read yet: start from the devices
  // (and the permission) as they are now, not from an output that may already be gone.
  refreshCatalog(false);
  if (permission_ == MicrophonePermission::notDetermined) {
    publish(phase_, MonitoringPhase::requestingPermission());
    // The answer may come on any thread; the start continues in a main-thread task.
    authorization_.requestAccess(
        [weak = WeakLifetime(lifetime_), &mainThread = mainThread_](bool granted) {
          mainThread.post([weak, granted] {
            if (const auto lifetime = weak.lock()) {
              lifetime->controller->finishPermissionPrompt(granted);
            }
          });
        });
    return;
  }
  continueUserStart();
}

void MonitorViewModel::finishPermissionPrompt(bool granted) {
  publish(permission_, granted ? MicrophonePermission::authorized : readPermission());
  continueUserStart();
}

void MonitorViewModel::continueUserStart() {
  if (!monitorIntent_) {
    // The user stopped while the prompt was open.
    publish(phase_, MonitoringPhase::stopped());
  } else if (permission_ == MicrophonePermission::authorized) {
    resetMeterReadings();
    startEngine(false);
  } else {
    monitorIntent_ = false;
    publish(phase_, MonitoringPhase::stopped());
  }
}

void MonitorViewModel::applicationBecameActive() {
  publish(permission_, readPermission());
  refreshCatalog(false);
  reconcileActiveRoute(false);
}

void MonitorViewModel::openMicrophoneSettings() {
  workspace_.openURL(microphoneSettingsURL);
}
