#pragma once

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>

#include "controller/MonitorViewModel.h"
#include "platform/AlwaysAuthorizedAudioCapture.h"
#include "platform/BlockingSleep.h"
#include "platform/EventLoopExecutor.h"
#include "platform/InMemoryKeyValueStore.h"
#include "platform/pipewire/PipeWireAudioComponents.h"
#include "platform/pipewire/PipeWireHardware.h"
#include "platform/resampler/VarispeedUnit.h"
#include "support/RecordingWorkspace.h"

// The controller wired to PipeWire as the application wires it, with its main thread a real
// event loop on a thread of its own. Every touch of the controller goes through onMainThread(),
// which runs the work there and waits for it.
namespace pipewire_test {

class ControllerOnPipeWire {
 public:
  ControllerOnPipeWire() {
    onMainThread([this] {
      controller_ = std::make_unique<MonitorViewModel>(MonitorViewModel::Dependencies{
          hardware_, components_, sleep_, defaults_, authorization_, workspace_, loop_});
    });
  }

  ~ControllerOnPipeWire() {
    onMainThread([this] {
      controller_->shutdown();
      controller_.reset();
    });
    loop_.quit();
    thread_.join();
  }

  ControllerOnPipeWire(const ControllerOnPipeWire&) = delete;
  ControllerOnPipeWire& operator=(const ControllerOnPipeWire&) = delete;

  template <typename Work>
  auto onMainThread(Work work) -> std::invoke_result_t<Work> {
    std::packaged_task<std::invoke_result_t<Work>()> task(std::move(work));
    auto result = task.get_future();
    loop_.post([&task] { task(); });
    return result.get();
  }

  template <typename Work>
  auto onController(Work work) {
    return onMainThread([this, &work] { return work(*controller_); });
  }

  // Selects the pair of the device and presses the primary button.
  void startMonitoring(const std::string& uid, const std::string& pairID) {
    onController([&](MonitorViewModel& controller) {
      controller.selectInputDevice(uid);
      controller.selectChannelPair(pairID);
      controller.toggleMonitoring();
    });
  }

  MonitoringPhase::Kind phase() {
    return onController([](MonitorViewModel& controller) { return controller.phase().kind(); });
  }

  // Polls `condition` on the main thread for up to `timeout`; answers whether it held.
  template <typename Condition>
  bool waitUntil(std::chrono::milliseconds timeout, Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
      if (onController(condition)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }

  // Until the controller reaches `kind` (and, when given, plays to the output `uid`).
  bool waitForPhase(MonitoringPhase::Kind kind, std::chrono::milliseconds timeout,
                    const std::string& outputUID = {}) {
    return waitUntil(timeout, [&](MonitorViewModel& controller) {
      return controller.phase().kind() == kind &&
             (outputUID.empty() ||
              (controller.outputDevice() && controller.outputDevice()->uid == outputUID));
    });
  }

  // Until the route runs with its ring's fill moving, and `condition` holds as well.
  template <typename Condition>
  bool waitUntilFlowing(std::chrono::milliseconds timeout, Condition condition) {
    std::uint64_t fill = diagnostics().bufferedFrames;
    return waitUntil(timeout, [&](MonitorViewModel& controller) {
      const std::uint64_t was = std::exchange(fill, controller.diagnostics().bufferedFrames);
      return controller.phase().kind() == MonitoringPhase::Kind::running && fill != was &&
             condition(controller);
    });
  }

  EngineDiagnostics diagnostics() {
    return onController([](MonitorViewModel& controller) { return controller.diagnostics(); });
  }

 private:
  PipeWireHardware hardware_;
  PipeWireAudioComponents components_{hardware_, [] { return std::make_unique<VarispeedUnit>(); }};
  ThreadBlockingSleep sleep_;
  InMemoryKeyValueStore defaults_;
  AlwaysAuthorizedAudioCapture authorization_;
  RecordingWorkspace workspace_;
  EventLoopExecutor loop_;
  std::unique_ptr<MonitorViewModel> controller_;
  std::thread thread_{[this] { loop_.run(); }};
};

}  // namespace pipewire_test
