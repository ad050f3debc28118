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

  using Step = std::function<void(PanelHarness&)>;
  const Step play = [](PanelHarness& p) {
    p.clickPrimary();
    p.run(400ms);
  };
  // Each scene: its name, what happens before the window opens, and what happens after.
  const struct {
    const char* name;
    Step before, after;
  } scenes[] = {
      {"ready", {}, {}},
      {"running", {}, play},
      {"running-muted", {},
       [&](PanelHarness& p) {
         play(p);
         p.view->muteLatch()->click();
         p.run(100ms);
       }},
      {"waiting-for-input", {},
       [&](PanelHarness& p) {
         play(p);
         p.controller.unplug(p.interface);
         p.controller.settleRefresh();
         p.run(1000ms);
       }},
      {"failed-diagnostics", {},
       [](PanelHarness& p) {
         p.controller.failUnitCall(SimulatedAudioOperation::outputStart, -50);
         p.clickPrimary();
         p.view->diagnostics()->setExpanded(true);
         QApplication::processEvents();
         QScrollBar* scroll = p.view->scrollArea()->verticalScrollBar();
         scroll->setValue(scroll->maximum());
       }},
      {"permission-off",
       [](PanelHarness& p) { p.controller.authorization.setStatus(AVAuthorizationStatusDenied); },
       {}},
  };
  for (const auto& scene : scenes) {
    PanelHarness panel;
    panel.plugStandardDevices();
    if (scene.before) scene.before(panel);
    MonitorView& view = panel.open(true);
    if (scene.after) scene.after(panel);
    view.resize(620, 700);
    view.show();
    QApplication::processEvents();
    QPixmap pixmap(view.size() * 2);
    pixmap.setDevicePixelRatio(2.0);
    view.render(&pixmap);
    const QString path = directory.filePath(QString::fromUtf8(scene.name) + ".png");
    if (!pixmap.save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    std::printf("%s\n", qPrintable(path));
  }
  return 0;
}
