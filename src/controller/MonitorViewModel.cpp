#include "controller/MonitorViewModel.h"

MonitorViewModel::MonitorViewModel(const Dependencies& dependencies)
    : authorization_(dependencies.authorization),
      workspace_(dependencies.workspace),
      mainThread_(dependencies.mainThread),
      deviceService_(dependencies.hardware),
      engine_(dependencies.components, dependencies.sleep),
      preferences_{dependencies.defaults} {
  selectedDeviceUID_ = preferences_.inputDeviceUID();
  if (const auto pair = preferences_.channelPair()) {
    selectedPairID_ = std::to_string(pair->first) + "-" + std::to_string(pair->second);
  }
  // Restored without the mute switch's side effects: nothing needs saving and nothing runs yet.
  isMuted_ = preferences_.isMuted();
  routeLatency_ = preferences_.isLowLatency() ? RouteLatency::low : RouteLatency::standard;
  permission_ = readPermission();

  // Runs on the service's listener queue: it only hops to the main thread, where the lifetime
  // check happens, so a late notification cannot reach a controller that is gone.
  deviceService_.setChangeHandler([weak = WeakLifetime(lifetime_),
                                   &mainThread = mainThread_](AudioDeviceService::Change change) {
    mainThread.post([weak, change] {
      if (const auto lifetime = weak.lock()) {
        lifetime->controller->scheduleCatalogRefresh(change ==
                                                     AudioDeviceService::Change::selectedDevice);
      }
    });
  });
  deviceService_.startListening();
  refreshCatalog(true);
  startPolling();
}

MonitorViewModel::~MonitorViewModel() {
  if (refreshTask_) refreshTask_->cancel();
  if (pollingTask_) pollingTask_->cancel();
}

void MonitorViewModel::shutdown() {
  if (refreshTask_) refreshTask_->cancel();
  if (pollingTask_) pollingTask_->cancel();
  if (restartRetryTask_) restartRetryTask_->cancel();
  pollingTask_.reset();
  monitorIntent_ = false;
  engine_.stop();
}

MonitorViewModel::ObserverID MonitorViewModel::subscribe(std::function<void()> observer) {
  const ObserverID id = nextObserverID_++;
  observers_.emplace(id, std::move(observer));
  return id;
}

void MonitorViewModel::unsubscribe(ObserverID id) {
  observers_.erase(id);
}

void MonitorViewModel::notifyObservers() {
  // A copy, so that an observer may subscribe or unsubscribe while being notified.
  const auto observers = observers_;
  for (const auto& [id, observer] : observers) observer();
}

MicrophonePermission MonitorViewModel::readPermission() const {
  return microphonePermission(authorization_.authorizationStatus());
}
