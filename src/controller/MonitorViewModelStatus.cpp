#include <algorithm>

#include "controller/MonitorViewModel.h"
#include "controller/PlatformWording.h"
#include "devices/TechnicalNumberFormat.h"

namespace {

bool isRefused(MicrophonePermission permission) {
  return permission == MicrophonePermission::denied ||
         permission == MicrophonePermission::restricted;
}

std::string whyLeftOut(const AudioDeviceService::LeftOutInput& device) {
  return device.name + ": " + device.reason + ".";
}

}  // namespace

bool MonitorViewModel::isMonitoring() const {
  return phase_.kind() == MonitoringPhase::Kind::running ||
         phase_.kind() == MonitoringPhase::Kind::reconfiguring;
}

bool MonitorViewModel::canStart() const {
  switch (phase_.kind()) {
    case MonitoringPhase::Kind::requestingPermission:
    case MonitoringPhase::Kind::starting:
    case MonitoringPhase::Kind::reconfiguring:
    case MonitoringPhase::Kind::stopping:
      return false;
    default:
      break;
  }
  return !isRefused(permission_) && routeReadiness().isReady();
}

std::string MonitorViewModel::primaryActionTitle() const {
  if (isMonitoring()) return "Stop Monitoring";
  if (!monitorIntent_) return "Start Monitoring";
  if (phase_.isWaiting()) return "Cancel Auto-Resume";
  if (phase_.kind() == MonitoringPhase::Kind::failed) return "Cancel Retry";
  // Stopped, asking for permission, starting or stopping with the intent set.
  return "Stop Monitoring";
}

StatusPresentation MonitorViewModel::status() const {
  using Kind = MonitoringPhase::Kind;
  if (isRefused(permission_)) {
    return {"Audio input access is off",
            "Allow VEXMORA MONITOR to use audio input in System Settings, then try again.",
            StatusSeverity::error};
  }
  if (phase_.kind() == Kind::failed) {
    return {"Monitoring couldn't start", phase_.message(), StatusSeverity::error};
  }

  const RouteReadiness readiness = routeReadiness();
  if (readiness.is<RouteReadiness::OutputUnavailable>()) {
    return {"System output unavailable",
            audioServiceRunning_ ? platformWording.chooseOutput : platformWording.serviceMissing,
            StatusSeverity::error};
  }
  if (readiness.is<RouteReadiness::InvalidChannelPair>()) {
    return {"Choose a valid stereo pair",
            "The saved channel layout is no longer available on this device.",
            StatusSeverity::warning};
  }
  if (const auto* format = readiness.as<RouteReadiness::UnsupportedFormat>()) {
    return {"Unsupported " + format->route + " sample rate",
            platformWording.rateReportedBy +
                TechnicalNumberFormat::fixed(format->sampleRate / 1000.0, 1) + " kHz for the " +
                format->route + ". VEXMORA MONITOR accepts standard PCM rates through 192 kHz.",
            StatusSeverity::warning};
  }
  if (const auto* input = readiness.as<RouteReadiness::InputUnavailable>()) {
    if (input->hasSavedSelection) {
      // A saved device that is connected but left out says why; the selection stays for its return.
      const auto savedLeftOut =
          std::find_if(leftOutInputs_.begin(), leftOutInputs_.end(),
                       [&](const auto& device) { return device.uid == selectedDeviceUID_; });
      return {"Waiting for the selected input",
              savedLeftOut == leftOutInputs_.end()
                  ? "Reconnect the interface; the saved selection will be restored."
                  : whyLeftOut(*savedLeftOut) + " Choose another input, or connect a stereo one.",
              StatusSeverity::warning};
    }
    // With nothing to choose, an input the catalog left out is what the user is looking for.
    if (inputDevices_.empty() && !leftOutInputs_.empty()) {
      return {"Choose an audio input", whyLeftOut(leftOutInputs_.front()), StatusSeverity::neutral};
    }
    return {"Choose an audio input", "Select the Scarlett or another stereo input device.",
            StatusSeverity::neutral};
  }

  // Ready: both devices exist, so the rate description does too.
  const std::string rates = *routeRateDescription(selectedInputDevice()->nominalSampleRate,
                                                  outputDevice_->nominalSampleRate);
  switch (phase_.kind()) {
    case Kind::stopped:
      return {"Ready", rates + " Monitoring is off.", StatusSeverity::neutral};
    case Kind::requestingPermission:
      return {"Requesting audio input access…", std::nullopt, StatusSeverity::neutral};
    case Kind::starting:
      return {"Starting monitoring…", std::nullopt, StatusSeverity::neutral};
    case Kind::running:
      if (isMuted_) {
        return {"Monitoring · Muted", "Input is active, but output is muted.",
                StatusSeverity::active};
      }
      return {"Monitoring", rates, StatusSeverity::active};
    case Kind::reconfiguring:
      return {"Following the new system output…", platformWording.followingOutput,
              StatusSeverity::neutral};
    case Kind::stopping:
      return {"Stopping…", std::nullopt, StatusSeverity::neutral};
    case Kind::waitingForInput:
      return {"Waiting for the selected input",
              "Monitoring will resume when the exact device and channel pair return.",
              StatusSeverity::warning};
    case Kind::waitingForOutput:
      return {"Waiting for the system output", platformWording.outputResume,
              StatusSeverity::warning};
    case Kind::waitingForFormat:
      return {"Waiting for a supported format", platformWording.formatResume,
              StatusSeverity::warning};
    case Kind::failed:
      break;
  }
  return {"Monitoring couldn't start", phase_.message(), StatusSeverity::error};
}
