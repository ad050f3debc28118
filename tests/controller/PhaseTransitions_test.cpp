#include <gtest/gtest.h>

#include <optional>

#include "controller/ControllerHarness.h"
#include "controller/ControllerTestSupport.h"

using Kind = MonitoringPhase::Kind;

namespace {

// One long session on the simulated world, one event at a time: after each, the phases the
// controller passed through, whether the intent survives, and where the sound goes.
class PhaseTransitionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    speakers = harness.plugOutput("Speakers", "speakers");
    scarlett = harness.plugInput("Scarlett 4i4", "scarlett");
    box = harness.plugInput("Box", "box", 2);
    harness.launch();
    harness.settle();
    phases.emplace(vm());
  }

  MonitorViewModel& vm() { return harness.vm(); }
  void refresh() { harness.settleRefresh(); }

  bool soundReaches(AudioObjectID output) {
    harness.probe(output).reset();
    harness.advance(400ms);
    return harness.probe(output).audibleFrames > 0;
  }

  // `soundAt` 0: silence on every output.
  void expectStep(const char* event, std::vector<Kind> passed, bool intent, AudioObjectID soundAt) {
    SCOPED_TRACE(event);
    EXPECT_EQ(phases->kinds(), passed);
    EXPECT_EQ(vm().monitorIntent(), intent);
    EXPECT_EQ(harness.components.liveInstanceCount(), vm().isMonitoring() ? 3u : 0u);
    if (!intent) {
      EXPECT_EQ(vm().diagnostics(), EngineDiagnostics{}) << "a stop clears the diagnostics";
    }
    for (AudioObjectID output : {speakers, headphones}) {
      if (output != 0) {
        EXPECT_EQ(soundReaches(output), output == soundAt) << "output " << output;
      }
    }
    phases->clear();
  }

  ControllerHarness harness;
  std::optional<PhaseRecorder> phases;
  AudioObjectID speakers = 0;
  AudioObjectID scarlett = 0;
  AudioObjectID headphones = 0;
  AudioObjectID box = 0;
};

TEST_F(PhaseTransitionsTest, EveryEventLeadsThroughItsPhases) {
  using Op = SimulatedAudioOperation;
  const std::vector<Kind> restart{Kind::reconfiguring, Kind::running};
  vm().toggleMonitoring();
  harness.settle();
  expectStep("user start", {Kind::starting, Kind::running}, true, speakers);
  vm().reconcileActiveRoute(true);
  expectStep("forced reconciliation", restart, true, speakers);
  vm().reconcileActiveRoute(false);
  vm().applicationBecameActive();
  expectStep("unchanged route", {}, true, speakers);
  headphones = harness.plugOutput("Headphones", "headphones", 44100.0);
  refresh();
  expectStep("new default output", restart, true, headphones);
  harness.unplug(headphones);
  refresh();
  expectStep("default output gone", {Kind::waitingForOutput}, true, 0);
  harness.catalog.setDefaultOutputDevice(speakers);
  refresh();
  expectStep("default output back", restart, true, speakers);
  harness.unplug(scarlett);
  refresh();
  expectStep("interface unplugged", {Kind::waitingForInput}, true, 0);
  scarlett = harness.plugInput("Scarlett 4i4", "scarlett");
  refresh();
  expectStep("interface back", restart, true, speakers);
  harness.setRate(scarlett, 96000.0);
  refresh();
  expectStep("input rate changed", restart, true, speakers);
  harness.setRate(scarlett, 384000.0);
  refresh();
  expectStep("unsupported input rate", {Kind::waitingForFormat}, true, 0);
  harness.setRate(scarlett, 48000.0);
  refresh();
  expectStep("supported rate again", restart, true, speakers);
  vm().selectChannelPair("2-3");
  expectStep("other pair chosen", restart, true, speakers);
  vm().selectInputDevice("missing");
  expectStep("missing device chosen", {Kind::waitingForInput}, true, 0);
  vm().selectInputDevice("box");
  expectStep("device chosen", restart, true, speakers);

  harness.components.failOnAudioPath({Op::render, SimulatedUnitKind::input, 5, kAudio_ParamError});
  vm().reconcileActiveRoute(true);
  harness.advance(200ms);
  expectStep("stream fails", {Kind::reconfiguring, Kind::running, Kind::failed}, true, 0);
  harness.components.clearAudioPathFailure();
  harness.plugInput("Other", "other");
  refresh();
  expectStep("next device change", restart, true, speakers);
  harness.failUnitCall(Op::outputStart, kAudio_ParamError);
  vm().reconcileActiveRoute(true);
  expectStep("automatic restart fails", {Kind::reconfiguring, Kind::failed}, true, 0);
  harness.components.clearCallFailures();
  harness.plugInput("Another", "another");
  refresh();
  expectStep("retried at the next change", restart, true, speakers);
  // The audio stops while the catalog still lists the device: streams that run idle.
  harness.world.device(box)->setAlive(false);
  harness.advance(1100ms);
  EXPECT_EQ(vm().phase(), MonitoringPhase::failed(MonitorViewModel::streamFailure));
  EXPECT_EQ(vm().technicalError(),
            "Receive audio from the selected input failed (device not running, 1937010544).");
  harness.world.device(box)->setAlive(true);
  refresh();
  harness.advance(100ms);
  expectStep("a stalled input delivers again", {Kind::failed, Kind::reconfiguring, Kind::running},
             true, speakers);

  harness.authorization.setStatus(AVAuthorizationStatusDenied);
  vm().applicationBecameActive();
  expectStep("access refused", {Kind::stopping, Kind::stopped}, false, 0);
  harness.authorization.setStatus(AVAuthorizationStatusAuthorized);
  vm().applicationBecameActive();
  harness.failUnitCall(Op::outputStart, kAudioHardwareNotRunningError);
  vm().toggleMonitoring();
  harness.settle();
  ASSERT_TRUE(vm().technicalError());
  EXPECT_NE(vm().technicalError()->find("(device not running, 1937010544)."), std::string::npos);
  expectStep("user start fails", {Kind::starting, Kind::failed}, false, 0);
  harness.components.clearCallFailures();
  harness.plugInput("Third", "third");
  refresh();
  expectStep("a failed user start is not retried", {}, false, 0);
  vm().toggleMonitoring();
  harness.settle();
  vm().toggleMonitoring();
  expectStep("user start and stop", {Kind::starting, Kind::running, Kind::stopping, Kind::stopped},
             false, 0);
}

TEST_F(PhaseTransitionsTest, AnUnsupportedFormatStatusGivesItsOwnMessage) {
  harness.failUnitCall(SimulatedAudioOperation::initialize, kAudioDeviceUnsupportedFormatError, 1);
  vm().toggleMonitoring();
  harness.settle();
  EXPECT_EQ(vm().phase(), MonitoringPhase::failed(MonitorViewModel::unsupportedFormatFailure));
  EXPECT_NE(vm().technicalError()->find("(unsupported format, 560226676)."), std::string::npos);
}

}  // namespace
