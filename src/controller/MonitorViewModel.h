#pragma once

// The one controller of the application: owns the device service, the engine and the saved
// selections; decides whether the selected route is ready; starts, restarts and stops the engine;
// keeps the auto-resume intent; turns the real-time state into meter readings; and derives every
// text the window shows.
//
// Threads: main thread only, except the device service's change handler, which runs on its
// listener queue and only posts to the main thread. Every task the controller creates holds it
// through a lifetime token that is checked on the main thread, so work that arrives after the
// controller is gone does nothing.
//
// The platform reaches it through one Dependencies value; the application wires the real ports,
// tests the simulated ones. Apart from that the constructor takes no arguments.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audio/MonitoringEngine.h"
#include "audio/RealtimeSnapshot.h"
#include "controller/MeterReading.h"
#include "controller/MicrophonePermission.h"
#include "controller/MonitoringPhase.h"
#include "controller/PlatformWording.h"
#include "controller/RouteKey.h"
#include "controller/RouteReadiness.h"
#include "controller/StatusPresentation.h"
#include "devices/AppPreferences.h"
#include "devices/AudioDeviceService.h"
#include "platform/AudioCaptureAuthorization.h"
#include "platform/AudioUnitPort.h"
#include "platform/BlockingSleep.h"
#include "platform/HardwarePropertyPort.h"
#include "platform/KeyValueStore.h"
#include "platform/MainThreadExecutor.h"
#include "platform/Workspace.h"

class MonitorViewModel {
 public:
  // Everything the controller needs from the platform. All must outlive the controller.
  struct Dependencies {
    HardwarePropertyPort& hardware;
    AudioComponentPort& components;
    BlockingSleep& sleep;
    KeyValueStore& defaults;
    AudioCaptureAuthorization& authorization;
    Workspace& workspace;
    MainThreadExecutor& mainThread;
  };

  using TimePoint = MainThreadExecutor::TimePoint;
  using ObserverID = std::uint64_t;

  static constexpr std::chrono::milliseconds refreshDebounce{200};
  static constexpr std::chrono::milliseconds pollInterval{33};
  // While no view shows the meters, the loop sleeps this many poll intervals at a time and the
  // meters step as far in one poll. The peaks are maxima since the last poll, so the peak memory
  // and the clip lamps miss nothing; a hidden route wakes the main thread 4 times a second, not 30.
  static constexpr int unobservedPollStride = 8;
  // A failed automatic restart is tried again after these pauses, doubling up to the last.
  static constexpr std::chrono::milliseconds firstRestartRetryDelay{1000};
  static constexpr std::chrono::milliseconds lastRestartRetryDelay{16000};
  static constexpr double minimumSampleRate = 8000.0;
  static constexpr double maximumSampleRate = 192000.0;

  static constexpr const char* unsupportedFormatFailure = platformWording.unsupportedFormatFailure;
  static constexpr const char* startFailure =
      "Check that the selected input and system output are available, then retry.";
  static constexpr const char* streamFailure =
      "The audio stream stopped unexpectedly. Check the connected devices, then retry.";
  static constexpr const char* microphoneSettingsURL =
      "x-apple.systempreferences:com.apple.preference.security?Privacy_Microphone";

  explicit MonitorViewModel(const Dependencies& dependencies);
  ~MonitorViewModel();
  MonitorViewModel(const MonitorViewModel&) = delete;
  MonitorViewModel& operator=(const MonitorViewModel&) = delete;

  // Change notification: `observer` runs on the main thread after every assignment of a published
  // property, so that a view can re-read what it shows.
  ObserverID subscribe(std::function<void()> observer);
  void unsubscribe(ObserverID id);

  // Moves with every published change except a poll's meter readings and diagnostics, so that a
  // view can leave everything else alone while only those change.
  std::uint64_t revision() const { return revision_; }

  // Published state.
  const std::vector<AudioInputDevice>& inputDevices() const { return inputDevices_; }
  // The inputs the catalog leaves out of inputDevices(), and why; refreshed with them.
  const std::vector<AudioDeviceService::LeftOutInput>& leftOutInputs() const {
    return leftOutInputs_;
  }
  const std::optional<std::string>& selectedDeviceUID() const { return selectedDeviceUID_; }
  const std::optional<std::string>& selectedPairID() const { return selectedPairID_; }
  const std::optional<AudioOutputDevice>& outputDevice() const { return outputDevice_; }
  MicrophonePermission permission() const { return permission_; }
  const MonitoringPhase& phase() const { return phase_; }
  const MeterReading& leftMeter() const { return leftMeter_; }
  const MeterReading& rightMeter() const { return rightMeter_; }
  const EngineDiagnostics& diagnostics() const { return diagnostics_; }
  const std::optional<std::string>& technicalError() const { return technicalError_; }
  bool isMuted() const { return isMuted_; }
  // The mute switch: saves the flag and ramps the running output.
  void setMuted(bool muted);
  RouteLatency routeLatency() const { return routeLatency_; }
  // Saves the choice and restarts a running route with it.
  void setRouteLatency(RouteLatency latency);

  // Whether a view shows the meters (true until told otherwise). A view that appears is polled
  // for at once.
  bool metersObserved() const { return metersObserved_; }
  void setMetersObserved(bool observed);

  // The auto-resume intent; its changes are not notified on their own.
  bool monitorIntent() const { return monitorIntent_; }

  // Derived values, without side effects.
  std::optional<AudioInputDevice> selectedInputDevice() const;
  std::optional<AudioChannelPair> selectedChannelPair() const;
  RouteReadiness routeReadiness() const;
  bool isMonitoring() const;
  bool canStart() const;
  std::string primaryActionTitle() const;
  StatusPresentation status() const;
  // "48.0 kHz input → 44.1 kHz system output."; absent when either rate is.
  static std::optional<std::string> routeRateDescription(std::optional<double> input,
                                                         std::optional<double> output);

  // User actions.
  void shutdown();
  void toggleMonitoring();
  void retry();
  void applicationBecameActive();
  void openMicrophoneSettings();
  void selectInputDevice(const std::optional<std::string>& uid);
  void selectChannelPair(const std::optional<std::string>& id);
  void releaseLeftPeak();
  void releaseRightPeak();
  void clearLeftClip();
  void clearRightClip();

  // The controller's own steps; public so that they can be exercised one at a time.
  void scheduleCatalogRefresh(bool forceReconfiguration);
  void refreshCatalog(bool allowAutomaticSelection);
  void updateObservedDevices();
  void startEngine(bool isReconfiguration);
  void reconcileActiveRoute(bool forceReconfiguration);
  void stopMonitoring(bool userInitiated);
  void startPolling();
  void pollRealtimeState();
  void resetMeterReadings();
  // Its one suspension, the permission prompt, ends in a task posted to the main thread.
  void startFromUserAction();

 private:
  // Held by the controller; its tasks keep a weak reference and run only while it exists.
  struct Lifetime {
    MonitorViewModel* controller;
  };
  using WeakLifetime = std::weak_ptr<Lifetime>;

  template <typename T, typename V>
  void publish(T& property, V&& value) {
    property = std::forward<V>(value);
    ++revision_;
    notifyObservers();
  }
  void notifyObservers();

  MicrophonePermission readPermission() const;
  MonitoringPhase waitingPhase(const RouteReadiness& readiness) const;
  void failEngineStart(const std::exception_ptr& error, bool isReconfiguration);
  void scheduleRestartRetry();
  void postUserStart();
  void continueUserStart();
  void finishPermissionPrompt(bool granted);
  void pollAndRearm();
  // Poll intervals per sleep of the loop, and per step of the meters.
  int pollStride() const { return metersObserved_ ? 1 : unobservedPollStride; }
  void savePair(const std::optional<AudioChannelPair>& pair);

  // Platform.
  AudioCaptureAuthorization& authorization_;
  Workspace& workspace_;
  MainThreadExecutor& mainThread_;

  // Owned subsystems.
  AudioDeviceService deviceService_;
  MonitoringEngine engine_;
  AppPreferences preferences_;

  // Published.
  std::vector<AudioInputDevice> inputDevices_;
  std::vector<AudioDeviceService::LeftOutInput> leftOutInputs_;
  std::optional<std::string> selectedDeviceUID_;
  std::optional<std::string> selectedPairID_;
  std::optional<AudioOutputDevice> outputDevice_;
  bool audioServiceRunning_ = true;
  MicrophonePermission permission_ = MicrophonePermission::notDetermined;
  MonitoringPhase phase_ = MonitoringPhase::stopped();
  MeterReading leftMeter_;
  MeterReading rightMeter_;
  EngineDiagnostics diagnostics_;
  std::optional<std::string> technicalError_;
  bool isMuted_ = false;
  RouteLatency routeLatency_ = RouteLatency::standard;

  // Unpublished.
  bool monitorIntent_ = false;
  bool metersObserved_ = true;
  std::optional<RouteKey> activeRoute_;
  std::optional<ScheduledTaskHandle> refreshTask_;
  std::optional<ScheduledTaskHandle> pollingTask_;
  std::optional<ScheduledTaskHandle> restartRetryTask_;
  std::chrono::milliseconds restartRetryDelay_ = firstRestartRetryDelay;
  bool refreshNeedsReconfiguration_ = false;
  TimePoint leftPeakHoldUntil_ = TimePoint::min();
  TimePoint rightPeakHoldUntil_ = TimePoint::min();

  std::map<ObserverID, std::function<void()>> observers_;
  std::uint64_t revision_ = 0;
  ObserverID nextObserverID_ = 1;
  std::shared_ptr<Lifetime> lifetime_ = std::make_shared<Lifetime>(Lifetime{this});
};
