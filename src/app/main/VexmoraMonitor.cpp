// VEXMORA MONITOR: one controller on the PipeWire adapter (or, with --demo, on simulated devices)
// and one window bound to it. A second start shows the running instance's window instead.
// Quitting (Ctrl+Q, the desktop's quit, SIGTERM, SIGINT, SIGHUP) shuts the controller down, so the
// engine fades out and stops before the process ends; closing the window leaves the audio running.

#include <QApplication>
#include <cstdio>
#include <memory>

#include "app/DarkAppearance.h"
#include "app/DemoDevices.h"
#include "app/DesktopMotionPreference.h"
#include "app/DisplayAvailability.h"
#include "app/MonitorTrayIcon.h"
#include "app/MonitorWindow.h"
#include "app/QtMainThreadExecutor.h"
#include "app/SettingsKeyValueStore.h"
#include "app/SingleInstance.h"
#include "app/TerminationSignals.h"
#include "app/console/ProgramCommandLine.h"
#include "app/console/RouteEventLog.h"
#include "controller/MonitorViewModel.h"
#include "platform/AlwaysAuthorizedAudioCapture.h"
#include "platform/BlockingSleep.h"
#include "platform/InMemoryKeyValueStore.h"
#include "platform/linux/DesktopWorkspace.h"
#include "platform/pipewire/PipeWireAudioComponents.h"
#include "platform/pipewire/PipeWireHardware.h"
#include "platform/resampler/VarispeedUnit.h"
#include "platform/simulated/SimulatedPlatform.h"

int main(int argc, char** argv) {
  ProgramCommandLine commandLine(QStringLiteral("vexmora-monitor"),
                                 QStringLiteral("Live monitoring of one stereo pair of an audio "
                                                "input on the system output."));
  const QCommandLineOption demo(
      QStringLiteral("demo"),
      QStringLiteral("Run on simulated devices (an 8-input interface playing a test tone into "
                     "inputs 1 and 2, and speakers), without any audio server."));
  commandLine.parser().addOption(demo);
  if (const auto exitCode = commandLine.parse(argc, argv)) return *exitCode;
  const bool isDemo = commandLine.parser().isSet(demo);
  if (const auto missing = missingDisplay(QProcessEnvironment::systemEnvironment())) {
    std::fprintf(stderr, "vexmora-monitor: %s\n", qPrintable(*missing));
    return 1;
  }

  QApplication application(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Vexmora"));
  QApplication::setApplicationName(QStringLiteral("VEXMORA MONITOR"));
  QApplication::setApplicationVersion(QStringLiteral(VX_VERSION));
  QApplication::setDesktopFileName(QStringLiteral("vexmora-monitor"));
  QApplication::setQuitOnLastWindowClosed(false);

  // The demo is its own instance, so that it can run beside the real one.
  SingleInstance instance(isDemo ? SingleInstance::defaultSocketPath() + QStringLiteral("-demo")
                                 : SingleInstance::defaultSocketPath());
  if (instance.askRunningInstanceToShow()) return 0;
  instance.listen();

  TerminationSignals terminationSignals;
  QObject::connect(&terminationSignals, &TerminationSignals::received, &application,
                   &QApplication::quit);
  applyDarkAppearance(application);
  const bool reduceMotion = DesktopMotionPreference::reduceMotion();

  // The demo keeps its selections in memory, so that it never replaces the user's saved route.
  std::unique_ptr<SimulatedPlatform> simulated;
  std::unique_ptr<PipeWireHardware> pipeWire;
  std::unique_ptr<PipeWireAudioComponents> pipeWireComponents;
  std::unique_ptr<KeyValueStore> defaults;
  ThreadBlockingSleep threadSleep;
  if (isDemo) {
    simulated = std::make_unique<SimulatedPlatform>();
    plugDemoDevices(*simulated);
    defaults = std::make_unique<InMemoryKeyValueStore>();
  } else {
    pipeWire = std::make_unique<PipeWireHardware>();
    pipeWireComponents = std::make_unique<PipeWireAudioComponents>(
        *pipeWire, [] { return std::make_unique<VarispeedUnit>(); });
    defaults = std::make_unique<SettingsKeyValueStore>();
  }
  HardwarePropertyPort& hardware =
      simulated ? static_cast<HardwarePropertyPort&>(simulated->catalog()) : *pipeWire;
  AudioComponentPort& components =
      simulated ? static_cast<AudioComponentPort&>(simulated->components()) : *pipeWireComponents;
  BlockingSleep& sleep = simulated ? simulated->sleep() : threadSleep;
  AlwaysAuthorizedAudioCapture authorization;
  DesktopWorkspace workspace;
  QtMainThreadExecutor mainThread;
  MonitorViewModel controller(
      {hardware, components, sleep, *defaults, authorization, workspace, mainThread});
  RouteEventLog eventLog(controller);

  MonitorWindow window(controller, workspace, [reduceMotion] { return reduceMotion; });
  QObject::connect(&window, &MonitorWindow::quitRequested, &application, &QApplication::quit);
  QObject::connect(&instance, &SingleInstance::showRequested, &window,
                   &MonitorWindow::showAndRaise);
  QObject::connect(&application, &QCoreApplication::aboutToQuit, &application,
                   [&controller] { controller.shutdown(); });
  // Where the desktop has a tray, its icon shows that the program runs with the window closed.
  std::unique_ptr<MonitorTrayIcon> tray;
  if (QSystemTrayIcon::isSystemTrayAvailable()) {
    tray = std::make_unique<MonitorTrayIcon>(controller, window);
    QObject::connect(tray.get(), &MonitorTrayIcon::quitRequested, &application,
                     &QApplication::quit);
  }
  window.show();
  return application.exec();
}
