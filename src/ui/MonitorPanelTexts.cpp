#include "ui/MonitorPanelTexts.h"

#include "controller/PlatformWording.h"
#include "devices/AudioFormatDescription.h"

namespace MonitorPanelTexts {

namespace {

using Kind = MonitoringPhase::Kind;

std::string withFormat(std::string text, const std::optional<std::string>& format) {
  if (format) text += ", " + *format;
  return text;
}

bool isRefused(MicrophonePermission permission) {
  return permission == MicrophonePermission::denied ||
         permission == MicrophonePermission::restricted;
}

}  // namespace

bool isTransitional(const MonitoringPhase& phase) {
  switch (phase.kind()) {
    case Kind::requestingPermission:
    case Kind::starting:
    case Kind::reconfiguring:
    case Kind::stopping:
      return true;
    default:
      return false;
  }
}

bool isEngaged(const MonitorViewModel& model) {
  return model.monitorIntent() || model.isMonitoring();
}

std::string pairTitle(const AudioChannelPair& pair) {
  return pair.shortLabel() + " — Left: " + pair.leftName + " · Right: " + pair.rightName;
}

std::string inputTitle(const MonitorViewModel& model) {
  if (const auto device = model.selectedInputDevice()) return device->name;
  if (model.selectedDeviceUID()) return "Saved device (disconnected)";
  return "Choose an input…";
}

std::optional<std::string> inputFormat(const MonitorViewModel& model) {
  const auto device = model.selectedInputDevice();
  if (!device) return std::nullopt;
  return AudioFormatDescription::signalPath(device->nominalSampleRate, device->physicalFormat);
}

std::optional<std::string> outputFormat(const MonitorViewModel& model) {
  const auto& device = model.outputDevice();
  if (!device) return std::nullopt;
  return AudioFormatDescription::signalPath(device->nominalSampleRate, device->physicalFormat);
}

std::string inputAccessibilityValue(const MonitorViewModel& model) {
  return withFormat(inputTitle(model), inputFormat(model));
}

std::string outputAccessibilityValue(const MonitorViewModel& model) {
  if (!model.outputDevice()) return "Unavailable";
  return withFormat(model.outputDevice()->name, outputFormat(model));
}

std::string selectedChannelName(const MonitorViewModel& model) {
  if (const auto pair = model.selectedChannelPair()) return pairTitle(*pair);
  if (model.selectedPairID()) return "Saved pair (unavailable)";
  return "Choose channels…";
}

std::string headerStatus(const MonitorViewModel& model) {
  if (model.isMonitoring()) return model.isMuted() ? "MUTED" : "ACTIVE";
  if (isTransitional(model.phase())) return "SYNC";
  switch (model.status().severity) {
    case StatusSeverity::neutral:
      return "READY";
    case StatusSeverity::active:
      return "ACTIVE";
    case StatusSeverity::warning:
      return "WAIT";
    case StatusSeverity::error:
      return "FAULT";
  }
  return "READY";
}

std::string primaryActionCaption(const MonitorViewModel& model) {
  if (isTransitional(model.phase())) return "ROUTE TRANSITION";
  if (isEngaged(model)) return "DISENGAGE ROUTE";
  return "ENGAGE ROUTE";
}

bool primaryActionEnabled(const MonitorViewModel& model) {
  if (model.monitorIntent()) return !isTransitional(model.phase());
  return model.canStart();
}

std::optional<RecoveryAction> recoveryAction(const MonitorViewModel& model) {
  if (isRefused(model.permission())) return RecoveryAction::openMicrophoneSettings;
  if (model.routeReadiness().is<RouteReadiness::UnsupportedFormat>()) {
    return RecoveryAction::openAudioMIDISetup;
  }
  if (model.phase().kind() == Kind::failed) return RecoveryAction::retry;
  return std::nullopt;
}

std::string recoveryTitle(RecoveryAction action) {
  switch (action) {
    case RecoveryAction::openMicrophoneSettings:
      return "Open Microphone Settings";
    case RecoveryAction::openAudioMIDISetup:
      return platformWording.audioSetupTitle;
    case RecoveryAction::retry:
      return "Retry";
  }
  return {};
}

}  // namespace MonitorPanelTexts
