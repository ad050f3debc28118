#include <gtest/gtest.h>

#include "app/MonitorWindow.h"
#include "ui/OffscreenApplication.h"
#include "ui/PanelHarness.h"

namespace {

using namespace std::chrono_literals;

TEST(MonitorWindow, TellsTheControllerWhetherItsMetersCanBeSeen) {
  PanelHarness panel;
  MonitorWindow window{panel.plugStandardDevices().launch(), panel.controller.workspace,
                       [] { return true; }};
  MonitorViewModel& vm = panel.vm();
  EXPECT_FALSE(vm.metersObserved()) << "not shown yet";
  window.showAndRaise();
  EXPECT_TRUE(vm.metersObserved());
  window.showMinimized();
  EXPECT_FALSE(vm.metersObserved());
  window.showAndRaise();
  EXPECT_TRUE(vm.metersObserved());
  window.close();
  EXPECT_FALSE(vm.metersObserved());
}

}  // namespace
