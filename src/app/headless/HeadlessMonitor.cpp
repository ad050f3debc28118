// A window-less monitor on PipeWire, for demos and measurements: the controller, the engine and
// the PipeWire adapter exactly as the application wires them, driven by a main-thread event loop
// instead of a window.
//
//   vexmora-monitor-headless [--device UID] [--pair LEFT-RIGHT] [--seconds N] [--latency low]
//                            [--verbose]
//
// Selects the device (by node.name), the channel pair (counted from 0, as "2-3") and, with
// --latency low, the low-latency route (for this run only: nothing is saved), starts
// monitoring, and runs until N seconds pass or SIGINT/SIGTERM arrives. Every phase change is
// printed with the monotonic time it happened at, so that a driver can time resumes; the last
// line gives the route's counters.

#include <pthread.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "app/console/ProgramCommandLine.h"
#include "app/console/RouteEventLog.h"
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

double monotonicSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Ends the loop on SIGINT or SIGTERM; the signals are blocked everywhere else, so they arrive
// only here, where quitting is no async-signal hazard.
std::thread quitOnSignal(EventLoopExecutor& loop, sigset_t quitSignals) {
  return std::thread([&loop, quitSignals] {
    int received = 0;
    sigwait(&quitSignals, &received);
    loop.quit();
  });
}

}  // namespace

int main(int argc, char** argv) {
  ProgramCommandLine commandLine(
      QStringLiteral("vexmora-monitor-headless"),
      QStringLiteral("Monitors one stereo pair on PipeWire without a window, printing each "
                     "phase change."));
  const QCommandLineOption device(QStringLiteral("device"),
                                  QStringLiteral("The input device's node.name."),
                                  QStringLiteral("UID"));
  const QCommandLineOption pair(QStringLiteral("pair"),
                                QStringLiteral("The channel pair, counted from 0, as \"2-3\"."),
                                QStringLiteral("LEFT-RIGHT"));
  const QCommandLineOption seconds(QStringLiteral("seconds"),
                                   QStringLiteral("Stop after N seconds; without it, run until "
                                                  "SIGINT or SIGTERM."),
                                   QStringLiteral("N"));
  const QCommandLineOption latency(QStringLiteral("latency"),
                                   QStringLiteral("\"low\" for the low-latency route (this run "
                                                  "only; nothing is saved)."),
                                   QStringLiteral("MODE"));
  commandLine.parser().addOptions({device, pair, seconds, latency});
  if (const auto exitCode = commandLine.parse(argc, argv)) return *exitCode;
  const QCommandLineParser& options = commandLine.parser();
  bool validSeconds = true;
  const double runSeconds =
      options.isSet(seconds) ? options.value(seconds).toDouble(&validSeconds) : 0.0;
  if (!validSeconds) {
    std::fprintf(stderr, "vexmora-monitor-headless: --seconds needs a number, not '%s'\n",
                 qPrintable(options.value(seconds)));
    return 2;
  }
  sigset_t quitSignals;
  sigemptyset(&quitSignals);
  sigaddset(&quitSignals, SIGINT);
  sigaddset(&quitSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &quitSignals, nullptr);

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
  RouteEventLog eventLog(controller);
  // Nothing here shows the meters.
  controller.setMetersObserved(false);
  if (options.isSet(device)) controller.selectInputDevice(options.value(device).toStdString());
  if (options.isSet(pair)) controller.selectChannelPair(options.value(pair).toStdString());
  if (options.isSet(latency) && options.value(latency) == QStringLiteral("low")) {
    controller.setRouteLatency(RouteLatency::low);
  }
  controller.toggleMonitoring();
  std::optional<ScheduledTaskHandle> deadline;
  if (runSeconds > 0) {
    deadline = loop.schedule(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                 std::chrono::duration<double>(runSeconds)),
                             [&] { loop.quit(); });
  }

  std::thread signalWatcher = quitOnSignal(loop, quitSignals);
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
