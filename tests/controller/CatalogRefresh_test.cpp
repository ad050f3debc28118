#include <gtest/gtest.h>

#include "controller/ControllerHarness.h"
#include "controller/ControllerTestSupport.h"

using Kind = MonitoringPhase::Kind;

namespace {

constexpr AudioObjectPropertyAddress kDeviceHasChanged{kAudioDevicePropertyDeviceHasChanged,
                                                       kAudioObjectPropertyScopeGlobal,
                                                       kAudioObjectPropertyElementMain};

class CatalogRefreshTest : public ::testing::Test {
 protected:
  MonitorViewModel& vm() { return harness.vm(); }

  std::vector<InMemoryKeyValueStore::Write> writesSince(std::size_t first) const {
    const auto& writes = harness.defaults.writes();
    return {writes.begin() + static_cast<std::ptrdiff_t>(first), writes.end()};
  }

  ControllerHarness harness;
};

TEST_F(CatalogRefreshTest, FirstLaunchChoosesTheScarlettAndItsFirstPairAndSavesThem) {
  harness.plugOutput("Speakers", "speakers");
  harness.plugInput("Audio Box", "box");
  harness.plugInput("FOCUSRITE SCARLETT 18i20", "scarlett");
  harness.launch();
  EXPECT_EQ(vm().selectedDeviceUID(), "scarlett");
  EXPECT_EQ(vm().selectedPairID(), "0-1");
  EXPECT_EQ(harness.defaults.stringForKey("inputDeviceUID"), "scarlett");
  EXPECT_EQ(harness.defaults.integerForKey("leftChannel"), 0);
  EXPECT_EQ(harness.defaults.integerForKey("rightChannel"), 1);
  EXPECT_EQ(vm().phase(), MonitoringPhase::stopped());
  EXPECT_FALSE(vm().monitorIntent());
}

TEST_F(CatalogRefreshTest, FirstLaunchWithoutAScarlettChoosesTheFirstDevice) {
  harness.plugInput("Beta", "beta");
  harness.plugInput("Alpha", "alpha");
  harness.launch();
  EXPECT_EQ(vm().selectedDeviceUID(), "alpha") << "catalog order is by name";
}

TEST_F(CatalogRefreshTest, RelaunchRestoresTheSelectionWithoutWritingIt) {
  harness.defaults.setString("inputDeviceUID", "box");
  harness.defaults.setInteger("leftChannel", 2);
  harness.defaults.setInteger("rightChannel", 3);
  harness.defaults.setBool("muted", true);
  const std::size_t before = harness.defaults.writes().size();
  harness.plugOutput("Speakers", "speakers");
  harness.plugInput("Scarlett", "scarlett");
  harness.plugInput("Box", "box");
  harness.launch();
  EXPECT_EQ(vm().selectedDeviceUID(), "box");
  EXPECT_EQ(vm().selectedPairID(), "2-3");
  EXPECT_TRUE(vm().isMuted());
  EXPECT_TRUE(writesSince(before).empty());
}

TEST_F(CatalogRefreshTest, SavedDeviceThatIsAbsentStaysSelectedUntilItReturns) {
  harness.defaults.setString("inputDeviceUID", "box");
  harness.defaults.setInteger("leftChannel", 2);
  harness.defaults.setInteger("rightChannel", 3);
  harness.plugOutput("Speakers", "speakers");
  harness.plugInput("Scarlett", "scarlett");
  harness.launch();
  harness.settleRefresh();
  EXPECT_EQ(vm().selectedDeviceUID(), "box");
  EXPECT_TRUE(vm().routeReadiness().is<RouteReadiness::InputUnavailable>());
  EXPECT_TRUE(vm().routeReadiness().as<RouteReadiness::InputUnavailable>()->hasSavedSelection);
  harness.plugInput("Box", "box");
  harness.settleRefresh();
  EXPECT_EQ(vm().selectedPairID(), "2-3");
  EXPECT_TRUE(vm().routeReadiness().isReady());
}

TEST_F(CatalogRefreshTest, SelectingADeviceResetsThePairToItsFirstAndSavesBoth) {
  harness.plugOutput("Speakers", "speakers");
  harness.plugInput("Scarlett", "scarlett");
  harness.plugInput("Box", "box");
  harness.launch();
  vm().selectChannelPair("2-3");
  EXPECT_EQ(harness.defaults.integerForKey("leftChannel"), 2);
  vm().selectInputDevice("box");
  EXPECT_EQ(vm().selectedPairID(), "0-1");
  EXPECT_EQ(harness.defaults.stringForKey("inputDeviceUID"), "box");
  EXPECT_EQ(harness.defaults.integerForKey("leftChannel"), 0);

  vm().selectInputDevice("gone");
  EXPECT_FALSE(vm().selectedPairID());
  EXPECT_FALSE(harness.defaults.hasObject("leftChannel"));
  EXPECT_FALSE(harness.defaults.hasObject("rightChannel"));
  vm().selectInputDevice(std::nullopt);
  EXPECT_FALSE(harness.defaults.hasObject("inputDeviceUID"));
}

TEST_F(CatalogRefreshTest, ObservedDevicesFollowTheSelection) {
  const AudioObjectID speakers = harness.plugOutput("Speakers", "speakers");
  const AudioObjectID scarlett = harness.plugInput("Scarlett", "scarlett");
  const AudioObjectID box = harness.plugInput("Box", "box");
  harness.launch();
  const auto watched = [&](AudioObjectID device) {
    const auto listeners = harness.catalog.installedListeners();
    return std::any_of(listeners.begin(), listeners.end(), [&](const auto& listener) {
      return listener.objectID == device &&
             listener.address.mSelector == kAudioDevicePropertyNominalSampleRate;
    });
  };
  EXPECT_TRUE(watched(scarlett));
  EXPECT_TRUE(watched(speakers));
  EXPECT_FALSE(watched(box));
  vm().selectInputDevice("box");
  EXPECT_TRUE(watched(box));
  EXPECT_FALSE(watched(scarlett));
}

class DebounceTest : public CatalogRefreshTest {
 protected:
  void SetUp() override {
    harness.plugOutput("Speakers", "speakers");
    scarlett = harness.plugInput("Scarlett", "scarlett");
    harness.launch();
    harness.settleRefresh();
  }

  // Every refresh reads the permission once; nothing else reads it while no one acts.
  std::size_t refreshes() const { return harness.authorization.statusReads(); }

  AudioObjectID scarlett = 0;
};

TEST_F(DebounceTest, ThreeNotificationsFiftyMillisecondsApartGiveOneRefresh) {
  const std::size_t before = refreshes();
  harness.plugInput("A", "a");
  harness.advance(50ms);
  harness.plugInput("B", "b");
  harness.advance(50ms);
  harness.plugInput("C", "c");
  harness.advance(199ms);
  EXPECT_EQ(refreshes(), before);
  EXPECT_EQ(vm().inputDevices().size(), 1u);
  harness.advance(1ms);
  EXPECT_EQ(refreshes(), before + 1);
  EXPECT_EQ(vm().inputDevices().size(), 4u);
  harness.advance(500ms);
  EXPECT_EQ(refreshes(), before + 1);
}

TEST_F(DebounceTest, SelectedDeviceNotificationAnywhereInABurstForcesTheRestart) {
  vm().toggleMonitoring();
  harness.settle();
  PhaseRecorder phases(vm());
  harness.plugInput("A", "a");
  harness.advance(20ms);
  harness.catalog.signal(scarlett, kDeviceHasChanged);
  harness.advance(20ms);
  harness.plugOutput("Other speakers", "other", 48000.0, false);
  harness.settleRefresh();
  EXPECT_EQ(phases.kinds(), (std::vector{Kind::reconfiguring, Kind::running}));

  phases.clear();
  harness.plugInput("B", "b");
  harness.settleRefresh();
  EXPECT_TRUE(phases.kinds().empty()) << "an unforced burst leaves the running route alone";
}

TEST_F(DebounceTest, PendingRefreshIsCancelledByShutdown) {
  const std::size_t before = refreshes();
  harness.plugInput("A", "a");
  harness.settle();
  ASSERT_EQ(harness.mainThread.pendingCount(), 2u) << "the refresh and the next poll";
  vm().shutdown();
  EXPECT_EQ(harness.mainThread.pendingCount(), 0u);
  harness.advance(500ms);
  EXPECT_EQ(refreshes(), before);
}

}  // namespace
