#include "controller/MeterBallistics.h"
#include "controller/MonitorViewModel.h"
#include "controller/TechnicalErrorText.h"

void MonitorViewModel::startPolling() {
  if (pollingTask_) pollingTask_->cancel();
  pollingTask_ =
      mainThread_.schedule(std::chrono::nanoseconds::zero(), [weak = WeakLifetime(lifetime_)] {
        if (const auto lifetime = weak.lock()) {
          lifetime->controller->pollAndRearm();
        }
      });
}

void MonitorViewModel::pollAndRearm() {
  const auto round = pollingTask_;
  pollRealtimeState();
  // The sleep starts after the poll, so a slow poll delays the next one instead of bunching them.
  // A restart or shutdown during the poll has replaced the handle and owns the loop now.
  if (!pollingTask_ || !round || !(*pollingTask_ == *round)) return;
  pollingTask_ =
      mainThread_.schedule(pollInterval * pollStride(), [weak = WeakLifetime(lifetime_)] {
        if (const auto lifetime = weak.lock()) lifetime->controller->pollAndRearm();
      });
}

void MonitorViewModel::setMetersObserved(bool observed) {
  if (observed == metersObserved_) return;
  metersObserved_ = observed;
  // Not after shutdown, which has ended the loop for good.
  if (observed && pollingTask_) startPolling();
}

void MonitorViewModel::pollRealtimeState() {
  const TimePoint now = mainThread_.now();
  const int polls = pollStride();
  const std::optional<RealtimeSnapshot> snapshot = engine_.realtimeSnapshot(now);
  if (snapshot && snapshot->runtimeFailure) {
    // The intent stays: the next reconciliation restarts the route.
    engine_.stop();
    activeRoute_.reset();
    publish(technicalError_, technicalErrorText(*snapshot->runtimeFailure));
    publish(phase_, MonitoringPhase::failed(streamFailure));
    // No device event may follow a stall, so the retry is asked for here.
    if (snapshot->inputStalled) scheduleCatalogRefresh(false);
  }
  // One notification for the three: a view redraws once a poll, from one snapshot.
  leftMeter_ =
      MeterBallistics::next(leftMeter_, snapshot ? snapshot->leftPeak : 0.0f,
                            snapshot && snapshot->leftClipped, now, leftPeakHoldUntil_, polls);
  rightMeter_ =
      MeterBallistics::next(rightMeter_, snapshot ? snapshot->rightPeak : 0.0f,
                            snapshot && snapshot->rightClipped, now, rightPeakHoldUntil_, polls);
  diagnostics_ = snapshot ? snapshot->diagnostics : EngineDiagnostics{};
  notifyObservers();
}

void MonitorViewModel::resetMeterReadings() {
  publish(leftMeter_, MeterReading{});
  publish(rightMeter_, MeterReading{});
  leftPeakHoldUntil_ = TimePoint::min();
  rightPeakHoldUntil_ = TimePoint::min();
  engine_.clearClips();
}

void MonitorViewModel::releaseLeftPeak() {
  MeterReading reading = leftMeter_;
  reading.sessionPeakDBFS = MeterBallistics::floorDBFS;
  publish(leftMeter_, reading);
}

void MonitorViewModel::releaseRightPeak() {
  MeterReading reading = rightMeter_;
  reading.sessionPeakDBFS = MeterBallistics::floorDBFS;
  publish(rightMeter_, reading);
}

// The lamp and the ring buffer's latch are cleared together: the latch alone would relight the
// lamp at the next poll.
void MonitorViewModel::clearLeftClip() {
  MeterReading reading = leftMeter_;
  reading.isClipping = false;
  publish(leftMeter_, reading);
  engine_.clearLeftClip();
}

void MonitorViewModel::clearRightClip() {
  MeterReading reading = rightMeter_;
  reading.isClipping = false;
  publish(rightMeter_, reading);
  engine_.clearRightClip();
}

void MonitorViewModel::setMuted(bool muted) {
  publish(isMuted_, muted);
  preferences_.setMuted(muted);
  engine_.setMuted(muted);
}

void MonitorViewModel::setRouteLatency(RouteLatency latency) {
  if (latency == routeLatency_) return;
  publish(routeLatency_, latency);
  preferences_.setLowLatency(latency == RouteLatency::low);
  // The route key holds the latency, so a running route is rebuilt as a reconfiguration.
  reconcileActiveRoute(false);
}
