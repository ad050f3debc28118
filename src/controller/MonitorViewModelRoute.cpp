#include <algorithm>
#include <cmath>

#include "audio/CoreAudioFailure.h"
#include "controller/MonitorViewModel.h"
#include "controller/TechnicalErrorText.h"
#include "devices/TechnicalNumberFormat.h"

namespace {

bool isAcceptedSampleRate(double rate) {
  return std::isfinite(rate) && rate >= MonitorViewModel::minimumSampleRate &&
         rate <= MonitorViewModel::maximumSampleRate;
}

}  // namespace

std::optional<AudioInputDevice> MonitorViewModel::selectedInputDevice() const {
  if (!selectedDeviceUID_) return std::nullopt;
  const auto found =
      std::find_if(inputDevices_.begin(), inputDevices_.end(),
                   [&](const auto& device) { return device.uid == *selectedDeviceUID_; });
  if (found == inputDevices_.end()) return std::nullopt;
  return *found;
}

std::optional<AudioChannelPair> MonitorViewModel::selectedChannelPair() const {
  if (!selectedPairID_) return std::nullopt;
  const auto device = selectedInputDevice();
  if (!device) return std::nullopt;
  const auto found = std::find_if(device->channelPairs.begin(), device->channelPairs.end(),
                                  [&](const auto& pair) { return pair.id() == *selectedPairID_; });
  if (found == device->channelPairs.end()) return std::nullopt;
  return *found;
}

RouteReadiness MonitorViewModel::routeReadiness() const {
  if (!outputDevice_ || !outputDevice_->isAlive) {
    return RouteReadiness{RouteReadiness::OutputUnavailable{}};
  }
  const auto input = selectedInputDevice();
  if (!input || !input->isAlive) {
    return RouteReadiness{RouteReadiness::InputUnavailable{selectedDeviceUID_.has_value()}};
  }
  const auto pair = selectedChannelPair();
  if (!pair) return RouteReadiness{RouteReadiness::InvalidChannelPair{}};
  if (!isAcceptedSampleRate(input->nominalSampleRate)) {
    return RouteReadiness{RouteReadiness::UnsupportedFormat{"input", input->nominalSampleRate}};
  }
  if (!isAcceptedSampleRate(outputDevice_->nominalSampleRate)) {
    return RouteReadiness{
        RouteReadiness::UnsupportedFormat{"output", outputDevice_->nominalSampleRate}};
  }
  MonitoringConfiguration configuration;
  configuration.inputDeviceID = input->id;
  configuration.channelPair = *pair;
  configuration.inputSampleRate = input->nominalSampleRate;
  configuration.inputBufferFrameSize = input->bufferFrameSize;
  configuration.outputDeviceID = outputDevice_->id;
  configuration.outputSampleRate = outputDevice_->nominalSampleRate;
  configuration.outputBufferFrameSize = outputDevice_->bufferFrameSize;
  configuration.latency = routeLatency_;
  return RouteReadiness{RouteReadiness::Ready{configuration}};
}

MonitoringPhase MonitorViewModel::waitingPhase(const RouteReadiness& readiness) const {
  if (readiness.is<RouteReadiness::OutputUnavailable>()) return MonitoringPhase::waitingForOutput();
  if (readiness.is<RouteReadiness::UnsupportedFormat>()) return MonitoringPhase::waitingForFormat();
  return MonitoringPhase::waitingForInput();
}

void MonitorViewModel::startEngine(bool isReconfiguration) {
  const RouteReadiness readiness = routeReadiness();
  const auto* ready = readiness.as<RouteReadiness::Ready>();
  if (ready == nullptr) {
    engine_.stop();
    activeRoute_.reset();
    publish(phase_, waitingPhase(readiness));
    return;
  }
  const MonitoringConfiguration configuration = ready->configuration;
  publish(phase_,
          isReconfiguration ? MonitoringPhase::reconfiguring() : MonitoringPhase::starting());
  try {
    engine_.start(configuration, isMuted_);
  } catch (...) {
    failEngineStart(std::current_exception(), isReconfiguration);
    return;
  }
  activeRoute_ = RouteKey::of(configuration);
  restartRetryDelay_ = firstRestartRetryDelay;
  publish(phase_, MonitoringPhase::running());
  publish(technicalError_, std::nullopt);
}

void MonitorViewModel::failEngineStart(const std::exception_ptr& error, bool isReconfiguration) {
  engine_.stop();
  activeRoute_.reset();
  // A failed user start is not retried on its own; a failed automatic restart keeps the intent so
  // that the next reconciliation tries again.
  if (isReconfiguration) {
    scheduleRestartRetry();
  } else {
    monitorIntent_ = false;
    restartRetryDelay_ = firstRestartRetryDelay;
  }
  std::string message = startFailure;
  std::string description;
  try {
    std::rethrow_exception(error);
  } catch (const CoreAudioFailure& failure) {
    if (failure.status == kAudioDeviceUnsupportedFormatError) message = unsupportedFormatFailure;
    description = technicalErrorText(failure);
  } catch (const std::exception& other) {
    description = other.what();
  } catch (...) {
    description = "Unknown error.";
  }
  publish(phase_, MonitoringPhase::failed(message));
  publish(technicalError_, description);
}

// No device event need follow a failed automatic restart: a session manager that comes back
// after a crash, say, links nothing until asked. So the route is tried again after a pause that
// grows with each failure.
void MonitorViewModel::scheduleRestartRetry() {
  if (restartRetryTask_) restartRetryTask_->cancel();
  restartRetryTask_ = mainThread_.schedule(restartRetryDelay_, [weak = WeakLifetime(lifetime_)] {
    const auto lifetime = weak.lock();
    if (!lifetime) return;
    MonitorViewModel& controller = *lifetime->controller;
    if (controller.monitorIntent_ && !controller.engine_.isRunning()) {
      controller.scheduleCatalogRefresh(true);
    }
  });
  restartRetryDelay_ = std::min(2 * restartRetryDelay_, lastRestartRetryDelay);
}

void MonitorViewModel::reconcileActiveRoute(bool forceReconfiguration) {
  if (!monitorIntent_) return;
  // The platform may report a grant before the prompt's answer resumes the user start; starting
  // here as well would start the engine twice.
  if (phase_.kind() == MonitoringPhase::Kind::requestingPermission) return;
  if (permission_ != MicrophonePermission::authorized) {
    // The intent is cleared before the last published change, so no observer re-reads it stale.
    if (permission_ != MicrophonePermission::notDetermined) stopMonitoring(true);
    return;
  }
  const RouteReadiness readiness = routeReadiness();
  const auto* ready = readiness.as<RouteReadiness::Ready>();
  if (ready == nullptr) {
    engine_.stop();
    activeRoute_.reset();
    publish(phase_, waitingPhase(routeReadiness()));
    return;
  }
  if (!forceReconfiguration && activeRoute_ &&
      *activeRoute_ == RouteKey::of(ready->configuration) && engine_.isRunning()) {
    return;
  }
  engine_.stop();
  activeRoute_.reset();
  startEngine(true);
}

void MonitorViewModel::stopMonitoring(bool userInitiated) {
  if (userInitiated) monitorIntent_ = false;
  publish(phase_, MonitoringPhase::stopping());
  engine_.stop();
  activeRoute_.reset();
  publish(diagnostics_, EngineDiagnostics{});
  publish(phase_, MonitoringPhase::stopped());
}

std::optional<std::string> MonitorViewModel::routeRateDescription(std::optional<double> input,
                                                                  std::optional<double> output) {
  if (!input || !output) return std::nullopt;
  return TechnicalNumberFormat::fixed(*input / 1000.0, 1) + " kHz input → " +
         TechnicalNumberFormat::fixed(*output / 1000.0, 1) + " kHz system output.";
}
