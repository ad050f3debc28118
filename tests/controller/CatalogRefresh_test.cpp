#include <gtest/gtest.h>

#include "controller/ControllerHarness.h"

namespace {

// Restored without being written again, and waited for while absent; a choice is saved with its
// first pair.
TEST(CatalogRefreshTest, SavedSelectionIsRestoredAndAChoiceSavedAndWatched) {
  ControllerHarness h;
  h.defaults.setString("inputDeviceUID", "box");
  h.defaults.setInteger("leftChannel", 2);
  h.defaults.setInteger("rightChannel", 3);
  h.defaults.setBool("muted", true);
  const std::size_t before = h.defaults.writes().size();
  h.plugOutput("Speakers", "speakers");
  h.plugInput("Scarlett", "scarlett");
  MonitorViewModel& vm = h.launch();
  h.settleRefresh();
  EXPECT_EQ(vm.selectedDeviceUID(), "box");
  EXPECT_TRUE(vm.isMuted());
  ASSERT_TRUE(vm.routeReadiness().is<RouteReadiness::InputUnavailable>());
  EXPECT_TRUE(vm.routeReadiness().as<RouteReadiness::InputUnavailable>()->hasSavedSelection);
  h.plugInput("Box", "box");
  h.settleRefresh();
  EXPECT_EQ(vm.selectedPairID(), "2-3");
  EXPECT_TRUE(vm.routeReadiness().isReady());
  EXPECT_EQ(h.defaults.writes().size(), before);
  vm.selectInputDevice("scarlett");
  EXPECT_EQ(vm.selectedPairID(), "0-1");
  EXPECT_EQ(h.defaults.stringForKey("inputDeviceUID"), "scarlett");
  EXPECT_EQ(h.defaults.integerForKey("leftChannel"), 0);
  vm.selectInputDevice("gone");
  EXPECT_FALSE(vm.selectedPairID());
  EXPECT_FALSE(h.defaults.hasObject("leftChannel") || h.defaults.hasObject("rightChannel"));
  vm.selectInputDevice(std::nullopt);
  EXPECT_FALSE(h.defaults.hasObject("inputDeviceUID"));
}

TEST(DebounceTest, ThreeNotificationsFiftyMillisecondsApartGiveOneRefresh) {
  ControllerHarness h;
  h.plugOutput("Speakers", "speakers");
  h.plugInput("Scarlett", "scarlett");
  h.launch();
  h.settleRefresh();
  // Every refresh reads the permission once; nothing else reads it while no one acts.
  const auto refreshes = [&] { return h.authorization.statusReads(); };
  const std::size_t before = refreshes();
  for (const char* uid : {"a", "b", "c"}) h.plugInput(uid, uid), h.advance(50ms);
  h.advance(149ms);  // 199 ms after the last
  EXPECT_EQ(refreshes(), before);
  EXPECT_EQ(h.vm().inputDevices().size(), 1u);
  h.advance(1ms);
  EXPECT_EQ(refreshes(), before + 1);
  EXPECT_EQ(h.vm().inputDevices().size(), 4u);
  h.advance(500ms);
  EXPECT_EQ(refreshes(), before + 1);

  // Shutdown cancels the pending refresh, ends polling and stops the engine.
  h.vm().toggleMonitoring();
  h.settle();
  const std::size_t monitoring = refreshes();
  h.plugInput("D", "d");
  h.settle();
  ASSERT_EQ(h.mainThread.pendingCount(), 2u) << "the refresh and the next poll";
  int notifications = 0;
  h.vm().subscribe([&] { ++notifications; });
  h.vm().shutdown();
  EXPECT_EQ(h.mainThread.pendingCount(), 0u);
  EXPECT_FALSE(h.vm().monitorIntent());
  EXPECT_EQ(h.components.liveInstanceCount(), 0u);
  h.advance(500ms);
  EXPECT_EQ(refreshes(), monitoring);
  EXPECT_EQ(notifications, 0) << "shutdown publishes nothing, and nothing polls";
}

}  // namespace
