#include <gtest/gtest.h>

#include <thread>

#include "controller/ControllerHarness.h"
#include "controller/ControllerTestSupport.h"

using Kind = MonitoringPhase::Kind;

namespace {

class PermissionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    harness.authorization.setStatus(AVAuthorizationStatusNotDetermined);
    speakers = harness.plugOutput("Speakers", "speakers");
    scarlett = harness.plugInput("Scarlett 2i2", "scarlett");
    harness.launch();
    harness.settle();
  }

  MonitorViewModel& vm() { return harness.vm(); }

  ControllerHarness harness;
  AudioObjectID speakers = 0;
  AudioObjectID scarlett = 0;
};

TEST_F(PermissionTest, FirstStartAsksWaitsAndAGrantFromAnyThreadStartsOnTheMainThread) {
  EXPECT_EQ(vm().permission(), MicrophonePermission::notDetermined);
  EXPECT_TRUE(vm().canStart()) << "an undetermined permission allows a start";
  vm().toggleMonitoring();
  harness.advance(500ms);
  EXPECT_EQ(vm().phase(), MonitoringPhase::requestingPermission());
  EXPECT_TRUE(vm().monitorIntent());
  EXPECT_FALSE(vm().canStart());
  EXPECT_EQ(vm().primaryActionTitle(), "Stop Monitoring");
  EXPECT_EQ(vm().status().title, "Requesting audio input access…");
  EXPECT_EQ(harness.authorization.openPrompts(), 1u);
  EXPECT_EQ(harness.components.liveInstanceCount(), 0u);

  PhaseRecorder phases(vm());
  std::thread answering([&] { harness.authorization.answer(true); });
  answering.join();
  EXPECT_EQ(vm().phase(), MonitoringPhase::requestingPermission())
      << "continues on the main thread";
  harness.settle();
  EXPECT_EQ(phases.kinds(), (std::vector{Kind::starting, Kind::running}));
  EXPECT_EQ(vm().permission(), MicrophonePermission::authorized);
  harness.advance(400ms);
  EXPECT_GT(harness.probe(speakers).audibleFrames, 0u);
}

TEST_F(PermissionTest, DenialStopsAndClearsTheIntent) {
  vm().toggleMonitoring();
  harness.settle();
  harness.authorization.answer(false);
  harness.settle();
  EXPECT_EQ(vm().phase(), MonitoringPhase::stopped());
  EXPECT_FALSE(vm().monitorIntent());
  EXPECT_EQ(vm().permission(), MicrophonePermission::denied);
  EXPECT_EQ(vm().status().title, "Audio input access is off");
  EXPECT_EQ(vm().status().severity, StatusSeverity::error);
  EXPECT_FALSE(vm().canStart());
}

TEST_F(PermissionTest, StopWhilePromptIsOpenThenGrantEndsStopped) {
  vm().toggleMonitoring();
  harness.settle();
  vm().toggleMonitoring();
  EXPECT_EQ(vm().phase(), MonitoringPhase::stopped());
  EXPECT_FALSE(vm().monitorIntent());
  harness.authorization.answer(true);
  harness.settle();
  EXPECT_EQ(vm().phase(), MonitoringPhase::stopped());
  EXPECT_EQ(vm().permission(), MicrophonePermission::authorized);
  EXPECT_EQ(harness.components.liveInstanceCount(), 0u);
  EXPECT_EQ(vm().primaryActionTitle(), "Start Monitoring");
}

// The platform may report the grant before the answer resumes the start; a reconciliation in that
// window must not start the engine a second time.
TEST_F(PermissionTest, ReconciliationWhilePromptIsOpenDoesNothing) {
  vm().toggleMonitoring();
  harness.settle();
  harness.authorization.setStatus(AVAuthorizationStatusAuthorized);
  vm().applicationBecameActive();
  harness.catalog.signal(scarlett,
                         {kAudioDevicePropertyDeviceHasChanged, kAudioObjectPropertyScopeGlobal,
                          kAudioObjectPropertyElementMain});
  harness.settleRefresh();
  EXPECT_EQ(vm().phase(), MonitoringPhase::requestingPermission());
  EXPECT_EQ(harness.components.liveInstanceCount(), 0u);

  harness.authorization.answer(true);
  harness.settle();
  EXPECT_EQ(vm().phase(), MonitoringPhase::running());
  EXPECT_EQ(harness.components.liveInstanceCount(), 3u);
}

TEST_F(PermissionTest, RouteLostWhilePromptIsOpenWaitsAfterTheGrant) {
  vm().toggleMonitoring();
  harness.settle();
  harness.unplug(scarlett);
  harness.settleRefresh();
  EXPECT_EQ(vm().phase(), MonitoringPhase::requestingPermission());
  harness.authorization.answer(true);
  harness.settle();
  EXPECT_EQ(vm().phase(), MonitoringPhase::waitingForInput());
  EXPECT_TRUE(vm().monitorIntent());
  EXPECT_EQ(vm().primaryActionTitle(), "Cancel Auto-Resume");

  harness.plugInput("Scarlett 2i2", "scarlett");
  harness.settleRefresh();
  EXPECT_EQ(vm().phase(), MonitoringPhase::running());
}

TEST_F(PermissionTest, StartWithRefusedPermissionDoesNothing) {
  harness.authorization.setStatus(AVAuthorizationStatusRestricted);
  vm().applicationBecameActive();
  PhaseRecorder phases(vm());
  vm().toggleMonitoring();
  harness.settle();
  EXPECT_TRUE(phases.kinds().empty());
  EXPECT_FALSE(vm().monitorIntent());
  EXPECT_EQ(harness.authorization.requests(), 0u);
}

class AuthorizedStartTest : public PermissionTest {
 protected:
  void SetUp() override {
    PermissionTest::SetUp();
    harness.authorization.setStatus(AVAuthorizationStatusAuthorized);
  }
};

TEST_F(AuthorizedStartTest, RetryAfterFailedUserStartStartsAgain) {
  harness.failUnitCall(SimulatedAudioOperation::outputStart, kAudio_ParamError);
  vm().toggleMonitoring();
  harness.settle();
  ASSERT_EQ(vm().phase().kind(), Kind::failed);
  ASSERT_FALSE(vm().monitorIntent());
  EXPECT_EQ(vm().primaryActionTitle(), "Start Monitoring");
  harness.components.clearCallFailures();
  vm().retry();
  harness.settle();
  EXPECT_EQ(vm().phase(), MonitoringPhase::running());
  EXPECT_TRUE(vm().monitorIntent());
}

}  // namespace
