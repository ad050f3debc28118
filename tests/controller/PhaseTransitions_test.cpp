#include <gtest/gtest.h>

#include "controller/ControllerHarness.h"
#include "controller/ControllerTestSupport.h"

using Kind = MonitoringPhase::Kind;

namespace {

class PhaseTransitionsTest : public ::testing::Test {
 protected:
  // A Scarlett and speakers, launched and settled: ready, stopped, nothing started.
  void SetUp() override {
    speakers = harness.plugOutput("Speakers", "speakers");
    scarlett = harness.plugInput("Scarlett 4i4", "scarlett");
    harness.launch();
    harness.settle();
  }

  MonitorViewModel& vm() { return harness.vm(); }

  void startByUser() {
    vm().toggleMonitoring();
    harness.settle();
  }

  // Instances the engine created so far: a start creates three units.
  std::size_t unitCreations() const {
    return static_cast<std::size_t>(std::count_if(
        harness.components.calls().begin(), harness.components.calls().end(),
        [](const SimulatedAudioCall& call) {
          return call.operation == SimulatedAudioOperation::instanceNew && call.status == noErr;
        }));
  }

  ControllerHarness harness;
  AudioObjectID speakers = 0;
  AudioObjectID scarlett = 0;
};

TEST_F(PhaseTransitionsTest, UserStartWithReadyRouteGoesThroughStartingToRunning) {
  PhaseRecorder phases(vm());
  vm().toggleMonitoring();
  EXPECT_EQ(vm().phase(), MonitoringPhase::stopped()) << "a user start is always a posted task";
  harness.settle();
  EXPECT_EQ(phases.kinds(), (std::vector{Kind::starting, Kind::running}));
  EXPECT_TRUE(vm().monitorIntent());
  EXPECT_FALSE(vm().technicalError());
  harness.advance(400ms);
  EXPECT_GT(harness.probe(speakers).audibleFrames, 0u);
}

TEST_F(PhaseTransitionsTest, UserStartResetsMetersBeforeStarting) {
  startByUser();
  harness.advance(100ms);
  ASSERT_GT(vm().leftMeter().levelDBFS, -10.0);
  vm().toggleMonitoring();
  harness.settle();
  std::vector<MeterReading> readingsAtStart;
  const auto id = vm().subscribe([&] {
    if (vm().phase().kind() == Kind::starting) readingsAtStart.push_back(vm().leftMeter());
  });
  vm().toggleMonitoring();
  harness.settle();
  vm().unsubscribe(id);
  ASSERT_FALSE(readingsAtStart.empty());
  EXPECT_EQ(readingsAtStart.front(), MeterReading{});
}

TEST_F(PhaseTransitionsTest, UserStartFailureClearsIntentAndIsNotRetriedByDeviceChanges) {
  harness.failUnitCall(SimulatedAudioOperation::outputStart, kAudioHardwareNotRunningError);
  PhaseRecorder phases(vm());
  startByUser();
  EXPECT_EQ(phases.kinds(), (std::vector{Kind::starting, Kind::failed}));
  EXPECT_EQ(vm().phase(), MonitoringPhase::failed(MonitorViewModel::startFailure));
  EXPECT_FALSE(vm().monitorIntent());
  ASSERT_TRUE(vm().technicalError());
  EXPECT_NE(vm().technicalError()->find("'stop'"), std::string::npos) << *vm().technicalError();

  harness.components.clearCallFailures();
  const std::size_t before = unitCreations();
  harness.plugInput("Other", "other");
  harness.settleRefresh();
  EXPECT_EQ(unitCreations(), before);
  EXPECT_EQ(vm().phase().kind(), Kind::failed);
}

TEST_F(PhaseTransitionsTest, UnsupportedFormatStatusGivesItsOwnMessage) {
  harness.failUnitCall(SimulatedAudioOperation::initialize, kAudioDeviceUnsupportedFormatError, 1);
  startByUser();
  EXPECT_EQ(vm().phase(), MonitoringPhase::failed(MonitorViewModel::unsupportedFormatFailure));
  EXPECT_NE(vm().technicalError()->find("'!dat'"), std::string::npos);
}

TEST_F(PhaseTransitionsTest, ReconciliationWithUnreadyRouteParksInTheWaitingPhase) {
  startByUser();
  PhaseRecorder phases(vm());
  harness.unplug(scarlett);
  harness.settleRefresh();
  EXPECT_EQ(phases.kinds(), (std::vector{Kind::waitingForInput}));
  EXPECT_TRUE(vm().monitorIntent());
  EXPECT_FALSE(harness.components.liveInstanceCount());

  harness.unplug(speakers);
  harness.settleRefresh();
  EXPECT_EQ(vm().phase(), MonitoringPhase::waitingForOutput());
}

TEST_F(PhaseTransitionsTest, ReconciliationWithUnchangedRouteLeavesTheEngineAlone) {
  startByUser();
  const std::size_t before = unitCreations();
  PhaseRecorder phases(vm());
  vm().reconcileActiveRoute(false);
  vm().applicationBecameActive();
  EXPECT_EQ(unitCreations(), before);
  EXPECT_TRUE(phases.kinds().empty() || phases.kinds() == std::vector{Kind::running});
  EXPECT_EQ(vm().phase(), MonitoringPhase::running());
}

TEST_F(PhaseTransitionsTest, ForcedReconciliationRestartsThroughReconfiguring) {
  startByUser();
  const std::size_t before = unitCreations();
  PhaseRecorder phases(vm());
  vm().reconcileActiveRoute(true);
  EXPECT_EQ(phases.kinds(), (std::vector{Kind::reconfiguring, Kind::running}));
  EXPECT_EQ(unitCreations(), before + 3);
}

TEST_F(PhaseTransitionsTest, ChangedRouteKeyRestartsWithoutUserAction) {
  startByUser();
  PhaseRecorder phases(vm());
  const AudioObjectID headphones = harness.plugOutput("Headphones", "headphones", 44100.0);
  harness.settleRefresh();
  EXPECT_EQ(phases.kinds(), (std::vector{Kind::reconfiguring, Kind::running}));
  harness.advance(400ms);
  EXPECT_GT(harness.probe(headphones).audibleFrames, 0u);
}

TEST_F(PhaseTransitionsTest, EngineThatStoppedByItselfIsRestartedByTheNextReconciliation) {
  harness.components.failOnAudioPath(
      {SimulatedAudioOperation::render, SimulatedUnitKind::input, 3, kAudio_ParamError});
  startByUser();
  harness.advance(200ms);
  ASSERT_EQ(vm().phase(), MonitoringPhase::failed(MonitorViewModel::streamFailure));
  harness.components.clearAudioPathFailure();
  PhaseRecorder phases(vm());
  vm().reconcileActiveRoute(false);
  EXPECT_EQ(phases.kinds(), (std::vector{Kind::reconfiguring, Kind::running}));
}

TEST_F(PhaseTransitionsTest, AutomaticRestartFailureKeepsTheIntentAndIsRetried) {
  startByUser();
  harness.failUnitCall(SimulatedAudioOperation::outputStart, kAudio_ParamError);
  PhaseRecorder phases(vm());
  vm().reconcileActiveRoute(true);
  EXPECT_EQ(phases.kinds(), (std::vector{Kind::reconfiguring, Kind::failed}));
  EXPECT_TRUE(vm().monitorIntent());
  EXPECT_TRUE(vm().technicalError());

  harness.components.clearCallFailures();
  phases.clear();
  harness.plugInput("Other", "other");
  harness.settleRefresh();
  EXPECT_EQ(phases.kinds(), (std::vector{Kind::reconfiguring, Kind::running}));
  EXPECT_FALSE(vm().technicalError());
}

TEST_F(PhaseTransitionsTest, RefusedPermissionFoundByReconciliationStopsAndClearsIntent) {
  startByUser();
  harness.advance(100ms);
  harness.authorization.setStatus(AVAuthorizationStatusDenied);
  std::vector<bool> intentAtEachChange;
  const auto id = vm().subscribe([&] { intentAtEachChange.push_back(vm().monitorIntent()); });
  PhaseRecorder phases(vm());
  vm().applicationBecameActive();
  vm().unsubscribe(id);
  EXPECT_EQ(phases.kinds(), (std::vector{Kind::stopping, Kind::stopped}));
  EXPECT_FALSE(vm().monitorIntent());
  EXPECT_EQ(vm().diagnostics(), EngineDiagnostics{});
  ASSERT_FALSE(intentAtEachChange.empty());
  EXPECT_FALSE(intentAtEachChange.back()) << "the last change must not show a stale intent";
}

TEST_F(PhaseTransitionsTest, UserStopGoesThroughStoppingAndClearsIntentAndDiagnostics) {
  startByUser();
  harness.advance(100ms);
  ASSERT_NE(vm().diagnostics(), EngineDiagnostics{});
  PhaseRecorder phases(vm());
  vm().toggleMonitoring();
  EXPECT_EQ(phases.kinds(), (std::vector{Kind::stopping, Kind::stopped}));
  EXPECT_FALSE(vm().monitorIntent());
  EXPECT_EQ(vm().diagnostics(), EngineDiagnostics{});
  harness.probe(speakers).reset();
  harness.advance(100ms);
  EXPECT_EQ(harness.probe(speakers).audibleFrames, 0u);
}

TEST_F(PhaseTransitionsTest, StreamFailureFailsTheRouteAndKeepsTheIntent) {
  harness.components.failOnAudioPath(
      {SimulatedAudioOperation::render, SimulatedUnitKind::input, 5, kAudio_ParamError});
  startByUser();
  PhaseRecorder phases(vm());
  harness.advance(200ms);
  EXPECT_EQ(phases.kinds(), (std::vector{Kind::failed}));
  EXPECT_EQ(vm().phase(), MonitoringPhase::failed(MonitorViewModel::streamFailure));
  EXPECT_TRUE(vm().monitorIntent());
  ASSERT_TRUE(vm().technicalError());
  EXPECT_FALSE(harness.components.liveInstanceCount());
  EXPECT_EQ(vm().primaryActionTitle(), "Cancel Retry");
}

TEST_F(PhaseTransitionsTest, SelectionWithoutIntentStopsAndResetsMeters) {
  harness.failUnitCall(SimulatedAudioOperation::outputStart, kAudio_ParamError);
  startByUser();
  ASSERT_EQ(vm().phase().kind(), Kind::failed);
  harness.plugInput("Other", "other");
  harness.settleRefresh();
  vm().selectInputDevice("other");
  EXPECT_EQ(vm().phase(), MonitoringPhase::stopped());
  EXPECT_EQ(vm().leftMeter(), MeterReading{});
}

TEST_F(PhaseTransitionsTest, SelectionWithIntentRestartsOnTheNewRoute) {
  harness.plugInput("Other", "other");
  harness.settleRefresh();
  startByUser();
  PhaseRecorder phases(vm());
  vm().selectChannelPair("2-3");
  EXPECT_EQ(phases.kinds(), (std::vector{Kind::reconfiguring, Kind::running}));
  phases.clear();
  vm().selectInputDevice("missing");
  EXPECT_EQ(phases.kinds(), (std::vector{Kind::waitingForInput}));
  EXPECT_FALSE(vm().selectedPairID());
  phases.clear();
  vm().selectInputDevice("other");
  EXPECT_EQ(phases.kinds(), (std::vector{Kind::reconfiguring, Kind::running}));
}

}  // namespace
