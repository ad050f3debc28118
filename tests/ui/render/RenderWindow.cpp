// vx_render_window DIRECTORY: the window in its key states as PNG files (620 × 700 at twice the
// pixel density), simulated and offscreen, so that anyone can look at it without audio hardware.

#include <QApplication>
#include <QDir>
#include <QScrollArea>
#include <QScrollBar>
#include <cstdio>

#include "app/DarkAppearance.h"
#include "ui/DiagnosticsDisclosure.h"
#include "ui/MuteLatch.h"
#include "ui/PanelHarness.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  applyDarkAppearance(application);
  const QDir directory(QString::fromLocal8Bit(argv[1]));
  if (!directory.mkpath(QStringLiteral("."))) return 1;
  const auto save = [&](PanelHarness& panel, const char* name) {
    panel.view->show();
    QApplication::processEvents();
    QPixmap pixmap(panel.view->size() * 2);
    pixmap.setDevicePixelRatio(2.0);
    panel.view->render(&pixmap);
    const QString path = directory.filePath(QString::fromUtf8(name) + ".png");
    if (!pixmap.save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    std::printf("%s\n", qPrintable(path));
  };

  PanelHarness panel, failed, refused;
  for (PanelHarness* each : {&panel, &failed, &refused}) each->plugStandardDevices();
  panel.open();  // one route through its phases
  save(panel, "ready");
  panel.clickPrimary();
  panel.run(400ms);
  save(panel, "running");
  panel.view->muteLatch()->click();
  panel.run(100ms);
  save(panel, "running-muted");
  panel.view->muteLatch()->click();
  panel.controller.unplug(panel.interface);
  panel.controller.settleRefresh();
  panel.run(1000ms);
  save(panel, "waiting-for-input");

  failed.open();
  failed.controller.failUnitCall(SimulatedAudioOperation::outputStart, -50);
  failed.clickPrimary();
  failed.view->diagnostics()->setExpanded(true);
  QApplication::processEvents();
  QScrollBar* scroll = failed.view->scrollArea()->verticalScrollBar();
  scroll->setValue(scroll->maximum());
  save(failed, "failed-diagnostics");

  refused.controller.authorization.setStatus(AVAuthorizationStatusDenied);
  refused.open();
  save(refused, "permission-off");
  return 0;
}
