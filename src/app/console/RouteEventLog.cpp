#include "app/console/RouteEventLog.h"

#include "app/console/LogCategories.h"

namespace {

const char* shown(const std::optional<std::string>& value) {
  return value ? value->c_str() : "none";
}

}  // namespace

RouteEventLog::RouteEventLog(MonitorViewModel& controller)
    : controller_(controller), subscription_(controller.subscribe([this] { record(); })) {
  record();
}

RouteEventLog::~RouteEventLog() {
  controller_.unsubscribe(subscription_);
}

void RouteEventLog::record() {
  if (revision_ == controller_.revision()) return;
  revision_ = controller_.revision();
  // Only real changes are written.
  recordDevices();
  if (phase_ != controller_.phase()) {
    phase_ = controller_.phase();
    const StatusPresentation status = controller_.status();
    qCInfo(vxRouteLog, "phase %s: %s%s%s", MonitoringPhase::name(phase_->kind()),
           status.title.c_str(), status.detail ? " · " : "", status.detail.value_or("").c_str());
  }
  if (deviceUID_ != controller_.selectedDeviceUID() || pairID_ != controller_.selectedPairID()) {
    deviceUID_ = controller_.selectedDeviceUID();
    pairID_ = controller_.selectedPairID();
    qCInfo(vxRouteLog, "selection input %s pair %s", shown(deviceUID_), shown(pairID_));
  }
  if (isMuted_ != controller_.isMuted()) {
    isMuted_ = controller_.isMuted();
    qCInfo(vxRouteLog, "output %s", isMuted_ ? "muted" : "unmuted");
  }
  if (technicalError_ != controller_.technicalError()) {
    technicalError_ = controller_.technicalError();
    if (technicalError_) qCInfo(vxRouteLog, "error %s", technicalError_->c_str());
  }
}

void RouteEventLog::recordDevices() {
  std::map<std::string, std::string> inputs;
  for (const AudioInputDevice& device : controller_.inputDevices()) {
    inputs.emplace(device.uid, device.name);
  }
  if (inputs != inputs_) {
    for (const auto& [uid, name] : inputs) {
      if (!inputs_.contains(uid)) {
        qCInfo(vxDevicesLog, "input added %s (%s)", uid.c_str(), name.c_str());
      }
    }
    for (const auto& [uid, name] : inputs_) {
      if (!inputs.contains(uid)) {
        qCInfo(vxDevicesLog, "input removed %s (%s)", uid.c_str(), name.c_str());
      }
    }
    inputs_ = std::move(inputs);
  }
  std::map<std::string, std::string> leftOut;
  for (const AudioDeviceService::LeftOutInput& device : controller_.leftOutInputs()) {
    const auto known = leftOut_.find(device.uid);
    if (known == leftOut_.end() || known->second != device.reason) {
      qCInfo(vxDevicesLog, "input left out %s (%s): %s", device.uid.c_str(), device.name.c_str(),
             device.reason.c_str());
    }
    leftOut.emplace(device.uid, device.reason);
  }
  leftOut_ = std::move(leftOut);
  if (output_ != controller_.outputDevice()) {
    output_ = controller_.outputDevice();
    if (output_) {
      qCInfo(vxDevicesLog, "system output %s (%s) at %.0f Hz", output_->uid.c_str(),
             output_->name.c_str(), output_->nominalSampleRate);
    } else {
      qCInfo(vxDevicesLog, "system output none");
    }
  }
}
