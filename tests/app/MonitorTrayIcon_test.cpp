#include <gtest/gtest.h>

#include <QSignalSpy>
#include <functional>

#include "app/MonitorTrayIcon.h"
#include "ui/HardwareButton.h"
#include "ui/OffscreenApplication.h"
#include "ui/PanelHarness.h"
#include "ui/StudioPalette.h"

namespace {

using namespace std::chrono_literals;

struct TrayHarness {
  TrayHarness() {
    panel.plugStandardDevices();
    panel.controller.launch();
    panel.controller.settle();
    window = std::make_unique<MonitorWindow>(panel.vm(), panel.controller.workspace,
                                             [] { return true; });
    tray = std::make_unique<MonitorTrayIcon>(panel.vm(), *window);
  }

  QAction* action(const QString& title) {
    for (QAction* entry : tray->menu().actions()) {
      if (entry->text() == title) return entry;
    }
    ADD_FAILURE() << "no tray menu entry " << title.toStdString();
    return nullptr;
  }

  // The colour at the middle of the light, as the tray would draw it at 32 pixels.
  QColor lightColor() { return tray->icon().icon().pixmap(32, 32).toImage().pixelColor(16, 16); }

  PanelHarness panel;
  std::unique_ptr<MonitorWindow> window;
  std::unique_ptr<MonitorTrayIcon> tray;
};

TEST(MonitorTrayIcon, LookAndTooltipFollowTheRoute) {
  struct Row {
    const char* name;
    std::function<void(TrayHarness&)> drive;
    TrayLook look;
    QString toolTip;
    QColor centre;  // a ring or a crossed-out light shows the plate there
  };
  const auto start = [](TrayHarness& t) {
    t.action(QStringLiteral("Start Monitoring"))->trigger();
    t.panel.run(100ms);
  };
  const std::vector<Row> rows{
      {"ready", [](TrayHarness&) {}, TrayLook::off, "VEXMORA MONITOR · Ready",
       StudioPalette::chassis()},
      {"running", start, TrayLook::running, "VEXMORA MONITOR · Monitoring", StudioPalette::green()},
      {"muted",
       [&](TrayHarness& t) {
         start(t);
         t.action(QStringLiteral("Mute"))->trigger();
       },
       TrayLook::muted, "VEXMORA MONITOR · Monitoring · Muted", StudioPalette::chassis()},
      {"waiting",
       [&](TrayHarness& t) {
         start(t);
         t.panel.controller.unplug(t.panel.interface);
         t.panel.controller.settleRefresh();
       },
       TrayLook::waiting, "VEXMORA MONITOR · Waiting for the selected input",
       StudioPalette::chassis()},
      {"failed",
       [&](TrayHarness& t) {
         t.panel.controller.components.failOnAudioPath(
             {SimulatedAudioOperation::render, SimulatedUnitKind::input, 2, kAudio_ParamError});
         start(t);
       },
       TrayLook::failed, "VEXMORA MONITOR · Monitoring couldn't start", StudioPalette::red()},
  };
  for (const Row& row : rows) {
    TrayHarness tray;
    row.drive(tray);
    EXPECT_EQ(tray.tray->look(), row.look) << row.name;
    EXPECT_EQ(tray.tray->icon().toolTip(), row.toolTip) << row.name;
    EXPECT_EQ(tray.lightColor().rgb(), row.centre.rgb()) << row.name;
  }
}

TEST(MonitorTrayIcon, MenuReachesTheControllerAndClicksToggleTheWindow) {
  TrayHarness tray;
  MonitorViewModel& vm = tray.panel.vm();
  tray.action(QStringLiteral("Start Monitoring"))->trigger();
  tray.panel.run(100ms);
  EXPECT_TRUE(vm.isMonitoring());
  QAction* mute = tray.action(QStringLiteral("Mute"));
  mute->trigger();
  EXPECT_TRUE(vm.isMuted());
  vm.setMuted(false);
  EXPECT_FALSE(mute->isChecked());
  tray.action(QStringLiteral("Stop Monitoring"))->trigger();
  tray.panel.run(100ms);
  EXPECT_FALSE(vm.isMonitoring());

  EXPECT_FALSE(tray.window->isVisible());
  tray.action(QStringLiteral("Show Window"))->trigger();
  EXPECT_TRUE(tray.window->isVisible());
  emit tray.tray->icon().activated(QSystemTrayIcon::Trigger);
  EXPECT_FALSE(tray.window->isVisible());
  emit tray.tray->icon().activated(QSystemTrayIcon::Trigger);
  EXPECT_TRUE(tray.window->isVisible());
  emit tray.tray->icon().activated(QSystemTrayIcon::Trigger);
  emit tray.tray->icon().activated(QSystemTrayIcon::DoubleClick);
  EXPECT_TRUE(tray.window->isVisible());

  QSignalSpy quit(tray.tray.get(), &MonitorTrayIcon::quitRequested);
  tray.action(QStringLiteral("Quit"))->trigger();
  EXPECT_EQ(quit.count(), 1);
}

}  // namespace
