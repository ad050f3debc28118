#include <gtest/gtest.h>

#include <QSignalSpy>

#include "app/MonitorTrayIcon.h"
#include "ui/HardwareButton.h"  // PanelHarness clicks its buttons
#include "ui/OffscreenApplication.h"
#include "ui/PanelHarness.h"
#include "ui/StudioPalette.h"

namespace {

using namespace std::chrono_literals;

struct TrayHarness {
  QAction* action(const QString& title) {
    for (QAction* entry : tray.menu().actions())
      if (entry->text() == title) return entry;
    ADD_FAILURE() << "no tray menu entry " << title.toStdString();
    return nullptr;
  }
  void trigger(const QString& title) {
    action(title)->trigger();
    panel.run(100ms);
  }

  // The light's ring, and its middle: the plate shows there through a ring or a crossed-out light.
  void expectLook(TrayLook look, const QString& state, const QColor& ring, const QColor& middle) {
    SCOPED_TRACE(state.toStdString());
    EXPECT_EQ(tray.look(), look);
    EXPECT_EQ(tray.icon().toolTip(), "VEXMORA MONITOR · " + state);
    const QImage image = tray.icon().icon().pixmap(32, 32).toImage();
    EXPECT_EQ(image.pixelColor(16, 8).rgb(), ring.rgb());
    EXPECT_EQ(image.pixelColor(16, 16).rgb(), middle.rgb());
  }

  PanelHarness panel;
  // The window needs a launched controller.
  MonitorWindow window{panel.plugStandardDevices().launch(), panel.controller.workspace,
                       [] { return true; }};
  MonitorTrayIcon tray{panel.vm(), window};
};

// Clicks on the icon itself are the program test's (tests/app/window-program.sh).
TEST(MonitorTrayIcon, TheMenuReachesTheControllerAndTheIconFollowsThePhase) {
  using namespace StudioPalette;
  TrayHarness t;
  MonitorViewModel& vm = t.panel.vm();
  t.expectLook(TrayLook::off, "Ready", textSecondary(), chassis());
  t.trigger("Start Monitoring");
  EXPECT_TRUE(vm.isMonitoring());
  t.expectLook(TrayLook::running, "Monitoring", green(), green());
  t.trigger("Mute");
  EXPECT_TRUE(vm.isMuted());
  t.expectLook(TrayLook::muted, "Monitoring · Muted", amber(), chassis());
  vm.setMuted(false);
  EXPECT_FALSE(t.action("Mute")->isChecked());
  t.trigger("Stop Monitoring");
  EXPECT_FALSE(vm.isMonitoring());
  t.panel.controller.components.failOnAudioPath(
      {SimulatedAudioOperation::render, SimulatedUnitKind::input, 2, kAudio_ParamError});
  t.trigger("Start Monitoring");
  // The window is closed, so the failure is found by the next of the slower polls.
  t.panel.run(MonitorViewModel::pollInterval * MonitorViewModel::unobservedPollStride);
  t.expectLook(TrayLook::failed, "Monitoring couldn't start", red(), red());
  vm.toggleMonitoring();
  t.panel.controller.components.clearAudioPathFailure();
  t.trigger("Start Monitoring");
  t.panel.controller.unplug(t.panel.interface);
  t.panel.controller.settleRefresh();
  t.expectLook(TrayLook::waiting, "Waiting for the selected input", amber(), chassis());
  EXPECT_FALSE(vm.metersObserved()) << "the window is closed";
  t.trigger("Show Window");
  EXPECT_TRUE(t.window.isVisible());
  EXPECT_TRUE(vm.metersObserved());
  t.window.showMinimized();
  EXPECT_FALSE(vm.metersObserved());
  t.window.showAndRaise();
  t.window.close();
  EXPECT_FALSE(vm.metersObserved());
  QSignalSpy quit(&t.tray, &MonitorTrayIcon::quitRequested);
  t.trigger("Quit");
  EXPECT_EQ(quit.count(), 1);
}

}  // namespace
