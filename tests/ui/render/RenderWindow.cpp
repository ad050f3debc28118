// Renders the window in its key states to PNG files, on the simulated platform and the offscreen
// display, so that anyone can look at the panel without audio hardware:
//
//   vx_render_window DIRECTORY
//
// writes ready.png, running.png, running-muted.png, waiting-for-input.png,
// failed-diagnostics.png and permission-off.png (620 × 700, the window's opening size, at twice
// the pixel density) into DIRECTORY.

#include <QApplication>
#include <QDir>
#include <QScrollArea>
#include <QScrollBar>
#include <cstdio>
#include <functional>

#include "app/DarkAppearance.h"
#include "ui/DiagnosticsDisclosure.h"
#include "ui/MuteLatch.h"
#include "ui/PanelHarness.h"

namespace {

void save(MonitorView& view, const QDir& directory, const QString& name) {
  view.resize(620, 700);
  view.show();
  QApplication::processEvents();
  QPixmap pixmap(view.size() * 2);
  pixmap.setDevicePixelRatio(2.0);
  view.render(&pixmap);
  const QString path = directory.filePath(name + QStringLiteral(".png"));
  if (!pixmap.save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
  std::printf("%s\n", qPrintable(path));
}

void scene(const QDir& directory, const QString& name,
           const std::function<void(PanelHarness&)>& before,
           const std::function<void(PanelHarness&)>& after) {
  PanelHarness panel;
  panel.plugStandardDevices();
  before(panel);
  panel.open(true);
  after(panel);
  save(*panel.view, directory, name);
}

void nothing(PanelHarness&) {}

void startAndPlay(PanelHarness& panel) {
  panel.clickPrimary();
  panel.run(std::chrono::milliseconds(400));
}

}  // namespace

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

  scene(directory, QStringLiteral("ready"), nothing, nothing);
  scene(directory, QStringLiteral("running"), nothing, startAndPlay);
  scene(directory, QStringLiteral("running-muted"), nothing, [](PanelHarness& panel) {
    startAndPlay(panel);
    panel.view->muteLatch()->click();
    panel.run(std::chrono::milliseconds(100));
  });
  scene(directory, QStringLiteral("waiting-for-input"), nothing, [](PanelHarness& panel) {
    startAndPlay(panel);
    panel.controller.unplug(panel.interface);
    panel.controller.settleRefresh();
    panel.run(std::chrono::milliseconds(1000));
  });
  scene(directory, QStringLiteral("failed-diagnostics"), nothing, [](PanelHarness& panel) {
    panel.controller.failUnitCall(SimulatedAudioOperation::outputStart, -50);
    panel.clickPrimary();
    panel.view->diagnostics()->setExpanded(true);
    panel.view->resize(620, 700);
    QApplication::processEvents();
    QScrollBar* scroll = panel.view->scrollArea()->verticalScrollBar();
    scroll->setValue(scroll->maximum());
  });
  scene(
      directory, QStringLiteral("permission-off"),
      [](PanelHarness& panel) {
        panel.controller.authorization.setStatus(AVAuthorizationStatusDenied);
      },
      nothing);
  return 0;
}
