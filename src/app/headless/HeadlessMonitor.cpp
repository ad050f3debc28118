// A window-less monitor on PipeWire, for demos and measurements: the controller, the engine and
// the PipeWire adapter exactly as the application wires them, driven by a main-thread event loop
// instead of a window.
//
//   vexmora-monitor-headless [--device UID] [--pair LEFT-RIGHT] [--seconds N]
//
// Selects the device (by node.name) and the channel pair (counted from 0, as "2-3"), starts
// monitoring, and runs until N seconds pass or SIGINT/SIGTERM arrives. Every phase change is
// printed with the monotonic time it happened at, so that a driver can time resumes; the last
// line gives the route's counters.

#include <pthread.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "controller/MonitorViewModel.h"
#include "platform/AlwaysAuthorizedAudioCapture.h"
#include "platform/BlockingSleep.h"
#include "platform/EventLoopExecutor.h"
#include "platform/InMemoryKeyValueStore.h"
#include "platform/linux/DesktopWorkspace.h"
#include "platform/pipewire/PipeWireAudioComponents.h"
#include "platform/pipewire/PipeWireHardware.h"
#include "platform/resampler/VarispeedUnit.h"

namespace {

struct Options {
  std::optional<std::string> device;
  std::optional<std::string> pair;
  double seconds = 0;
};

std::optional<Options> parse(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string flag = argv[i];
    if (flag == "--device") {
      options.device = argv[i + 1];
    } else if (flag == "--pair") {
      options.pair = argv[i + 1];
    } else if (flag == "--seconds") {
      options.seconds = std::atof(argv[i + 1]);
    } else {
      return std::nullopt;
    }
  }
  if (argc % 2 == 0) return std::nullopt;
  return options;
}

double monotonicSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Ends the loop on SIGINT or SIGTERM; the signals are blocked everywhere else, so they arrive
// only here, where quitting is no async-signal hazard.
std::thread quitOnSignal(EventLoopExecutor& loop, sigset_t signals) {
  return std::thread([&loop, signals] {
    int received = 0;
    sigwait(&signals, &received);
    loop.quit();
  });
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<Options> options = parse(argc, argv);
  if (!options) {
    std::fprintf(stderr, "usage: %s [--device UID] [--pair LEFT-RIGHT] [--seconds N]\n", argv[0]);
    return 2;
  }
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  PipeWireHardware hardware;
  PipeWireAudioComponents components(hardware, [] { return std::make_unique<VarispeedUnit>(); });
  ThreadBlockingSleep sleep;
  InMemoryKeyValueStore defaults;
  AlwaysAuthorizedAudioCapture authorization;
  DesktopWorkspace workspace;
  EventLoopExecutor loop;
  MonitorViewModel controller(
      {hardware, components, sleep, defaults, authorization, workspace, loop});

  std::optional<MonitoringPhase::Kind> shown;
  controller.subscribe([&] {
    if (shown == controller.phase().kind()) return;
    shown = controller.phase().kind();
    std::printf("%.6f phase %s\n", monotonicSeconds(), MonitoringPhase::name(*shown));
    std::fflush(stdout);
  });
  if (options->device) controller.selectInputDevice(options->device);
  if (options->pair) controller.selectChannelPair(options->pair);
  controller.toggleMonitoring();
  std::optional<ScheduledTaskHandle> deadline;
  if (options->seconds > 0) {
    deadline = loop.schedule(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                 std::chrono::duration<double>(options->seconds)),
                             [&] { loop.quit(); });
  }

  std::thread signalWatcher = quitOnSignal(loop, signals);
  loop.run();
  const EngineDiagnostics diagnostics = controller.diagnostics();
  controller.shutdown();
  std::printf(
      "%.6f end underruns %llu overruns %llu buffered %llu target %llu correction-ppm %.1f\n",
      monotonicSeconds(), static_cast<unsigned long long>(diagnostics.underruns),
      static_cast<unsigned long long>(diagnostics.overruns),
      static_cast<unsigned long long>(diagnostics.bufferedFrames),
      static_cast<unsigned long long>(diagnostics.targetBufferedFrames),
      diagnostics.rateCorrectionPPM);
  pthread_kill(signalWatcher.native_handle(), SIGTERM);
  signalWatcher.join();
  return 0;
}
