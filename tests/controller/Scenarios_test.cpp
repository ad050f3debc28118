#include <gtest/gtest.h>

#include "controller/ControllerHarness.h"
#include "controller/ControllerTestSupport.h"

using Kind = MonitoringPhase::Kind;

namespace {

// Whole stories on the simulated world: what the controller passes through, what the console
// says, and whether sound reaches the output.
class ScenarioTest : public ::testing::Test {
 protected:
  void SetUp() override {
    speakers = harness.plugOutput("Speakers", "speakers");
    harness.plugInput("Built-in Microphone", "builtin", 2);
    scarlett = harness.plugInput("Scarlett 4i4", "scarlett");
    harness.launch();
    harness.settle();
    vm().toggleMonitoring();
    harness.settle();
    harness.advance(400ms);
  }

  MonitorViewModel& vm() { return harness.vm(); }

  bool soundReaches(AudioObjectID output) {
    harness.probe(output).reset();
    harness.advance(400ms);
    return harness.probe(output).audibleFrames > 0;
  }

  ControllerHarness harness;
  AudioObjectID speakers = 0;
  AudioObjectID scarlett = 0;
};

TEST_F(ScenarioTest, InterfaceUnpluggedAndPluggedBackResumesOnItsOwn) {
  ASSERT_TRUE(soundReaches(speakers));
  PhaseRecorder phases(vm());
  harness.unplug(scarlett);
  harness.settleRefresh();
  EXPECT_EQ(phases.kinds(), (std::vector{Kind::waitingForInput}));
  EXPECT_EQ(vm().status().title, "Waiting for the selected input");
  EXPECT_EQ(vm().status().severity, StatusSeverity::warning);
  EXPECT_EQ(vm().primaryActionTitle(), "Cancel Auto-Resume");
  EXPECT_FALSE(soundReaches(speakers));
  harness.advance(3000ms);  // 54 dB at 0.6 dB per poll
  EXPECT_EQ(vm().leftMeter().levelDBFS, -60.0);

  phases.clear();
  const AudioObjectID returned = harness.plugInput("Scarlett 4i4", "scarlett");
  ASSERT_NE(returned, scarlett);
  harness.settleRefresh();
  EXPECT_EQ(phases.kinds(), (std::vector{Kind::reconfiguring, Kind::running}));
  EXPECT_EQ(vm().status().title, "Monitoring");
  EXPECT_TRUE(soundReaches(speakers));
}

TEST_F(ScenarioTest, RouteFollowsTheDefaultOutputAndWaitsWithoutOne) {
  const AudioObjectID headphones = harness.plugOutput("Headphones", "headphones", 44100.0);
  harness.settleRefresh();
  EXPECT_EQ(vm().phase(), MonitoringPhase::running());
  harness.advance(50ms);
  EXPECT_EQ(vm().diagnostics().outputSampleRate, 44100.0);
  EXPECT_TRUE(soundReaches(headphones));
  EXPECT_FALSE(soundReaches(speakers));

  harness.unplug(headphones);
  harness.settleRefresh();
  EXPECT_EQ(vm().phase(), MonitoringPhase::waitingForOutput());
  EXPECT_EQ(vm().status().title, "System output unavailable");

  harness.catalog.setDefaultOutputDevice(speakers);
  harness.settleRefresh();
  EXPECT_EQ(vm().phase(), MonitoringPhase::running());
  EXPECT_TRUE(soundReaches(speakers));
}

TEST_F(ScenarioTest, InputRateChangeRestartsAtTheNewRateAndAnUnsupportedOneWaits) {
  PhaseRecorder phases(vm());
  harness.setRate(scarlett, 96000.0);
  harness.settleRefresh();
  EXPECT_EQ(phases.kinds(), (std::vector{Kind::reconfiguring, Kind::running}));
  harness.advance(100ms);
  EXPECT_EQ(vm().diagnostics().inputSampleRate, 96000.0);
  EXPECT_TRUE(soundReaches(speakers));

  harness.setRate(scarlett, 384000.0);
  harness.settleRefresh();
  EXPECT_EQ(vm().phase(), MonitoringPhase::waitingForFormat());
  EXPECT_EQ(vm().status().title, "Unsupported input sample rate");
  EXPECT_EQ(vm().status().detail,
            "Core Audio reported 384.0 kHz for the input. VEXMORA MONITOR accepts standard PCM "
            "rates through 192 kHz.");
  EXPECT_FALSE(soundReaches(speakers));
}

TEST_F(ScenarioTest, StreamFailureRecoversAtTheNextDeviceChange) {
  vm().toggleMonitoring();
  harness.components.failOnAudioPath(
      {SimulatedAudioOperation::render, SimulatedUnitKind::input, 10, kAudio_ParamError});
  vm().toggleMonitoring();
  harness.advance(300ms);
  ASSERT_EQ(vm().phase(), MonitoringPhase::failed(MonitorViewModel::streamFailure));
  EXPECT_EQ(vm().status().title, "Monitoring couldn't start");
  EXPECT_FALSE(soundReaches(speakers));

  harness.components.clearAudioPathFailure();
  harness.plugInput("Another", "another");
  harness.settleRefresh();
  EXPECT_EQ(vm().phase(), MonitoringPhase::running());
  EXPECT_FALSE(vm().technicalError());
  EXPECT_TRUE(soundReaches(speakers));
}

}  // namespace
