// VEXMORA MONITOR: one controller on the PipeWire adapter and one window bound to it. A second
// start shows the running instance's window instead. Quitting (Ctrl+Q, the desktop's quit,
// SIGTERM, SIGINT, SIGHUP) shuts the controller down, so the engine fades out and stops before
// the process ends; closing the window leaves the audio running.

#include <QApplication>

#include "app/DarkAppearance.h"
#include "app/DesktopMotionPreference.h"
#include "app/MonitorWindow.h"
#include "app/QtMainThreadExecutor.h"
#include "app/SettingsKeyValueStore.h"
#include "app/SingleInstance.h"
#include "app/TerminationSignals.h"
#include "controller/MonitorViewModel.h"
#include "platform/AlwaysAuthorizedAudioCapture.h"
#include "platform/BlockingSleep.h"
#include "platform/linux/DesktopWorkspace.h"
#include "platform/pipewire/PipeWireAudioComponents.h"
#include "platform/pipewire/PipeWireHardware.h"
#include "platform/resampler/VarispeedUnit.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Vexmora"));
  QApplication::setApplicationName(QStringLiteral("VEXMORA MONITOR"));
  QApplication::setDesktopFileName(QStringLiteral("vexmora-monitor"));
  QApplication::setQuitOnLastWindowClosed(false);

  SingleInstance instance;
  if (instance.askRunningInstanceToShow()) return 0;
  instance.listen();

  TerminationSignals terminationSignals;
  QObject::connect(&terminationSignals, &TerminationSignals::received, &application, &QApplication::quit);
  applyDarkAppearance(application);
  const bool reduceMotion = DesktopMotionPreference::reduceMotion();

  PipeWireHardware hardware;
  PipeWireAudioComponents components(hardware, [] { return std::make_unique<VarispeedUnit>(); });
  ThreadBlockingSleep sleep;
  SettingsKeyValueStore defaults;
  AlwaysAuthorizedAudioCapture authorization;
  DesktopWorkspace workspace;
  QtMainThreadExecutor mainThread;
  MonitorViewModel controller(
      {hardware, components, sleep, defaults, authorization, workspace, mainThread});

  MonitorWindow window(controller, workspace, [reduceMotion] { return reduceMotion; });
  QObject::connect(&window, &MonitorWindow::quitRequested, &application, &QApplication::quit);
  QObject::connect(&instance, &SingleInstance::showRequested, &window,
                   &MonitorWindow::showAndRaise);
  QObject::connect(&application, &QCoreApplication::aboutToQuit, &application,
                   [&controller] { controller.shutdown(); });
  window.show();
  return application.exec();
}
