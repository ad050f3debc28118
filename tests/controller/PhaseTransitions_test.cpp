#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "controller/ControllerHarness.h"
#include "devices/HardwareReads.h"

using Kind = MonitoringPhase::Kind;

namespace {

// One long session on the simulated world, one event at a time: after each, the phases the
// controller passed through, whether the intent survives, and where the sound goes.
TEST(PhaseTransitionsTest, EveryEventLeadsThroughItsPhases) {
  using Op = SimulatedAudioOperation;
  ControllerHarness h;
  AudioObjectID speakers = h.plugOutput("Speakers", "speakers");
  AudioObjectID scarlett = h.plugInput("Scarlett 4i4", "scarlett");
  const AudioObjectID box = h.plugInput("Box", "box", 2);
  AudioObjectID headphones = 0;
  MonitorViewModel& vm = h.launch();
  // The phases entered since the last step.
  std::vector<Kind> passed;
  Kind last = vm.phase().kind();
  const auto id = vm.subscribe([&] {
    if (vm.phase().kind() != last) passed.push_back(last = vm.phase().kind());
  });
  const auto expectStep = [&](const char* event, std::vector<Kind> phases, bool intent,
                              AudioObjectID soundAt) {
    SCOPED_TRACE(event);
    EXPECT_EQ(passed, phases);
    EXPECT_EQ(vm.monitorIntent(), intent);
    EXPECT_EQ(h.components.liveInstanceCount(), vm.isMonitoring() ? 3u : 0u);
    EXPECT_TRUE(intent || vm.diagnostics() == EngineDiagnostics{}) << "a stop clears them";
    for (auto& [output, audible] : h.audibleFrames) audible = 0;
    h.advance(400ms);
    for (const auto& [output, audible] : h.audibleFrames)
      EXPECT_EQ(audible > 0, output == soundAt) << "output " << output;
    const double sineDB = 20.0 * std::log10(double{ControllerHarness::kSignalAmplitude});
    EXPECT_TRUE(vm.phase() != MonitoringPhase::running() ||
                std::abs(vm.leftMeter().levelDBFS - sineDB) < 0.05)
        << "the meters follow the input, muted or not: " << vm.leftMeter().levelDBFS;
    passed.clear();
  };
  const auto refreshed = [&](const char* event, std::vector<Kind> phases, AudioObjectID soundAt) {
    h.settleRefresh();
    expectStep(event, std::move(phases), true, soundAt);
  };
  const std::vector<Kind> restart{Kind::reconfiguring, Kind::running};
  const auto permission = [&](AVAuthorizationStatus status) {
    h.authorization.setStatus(status);
    vm.applicationBecameActive();
  };

  vm.toggleMonitoring();
  h.settle();
  expectStep("user start", {Kind::starting, Kind::running}, true, speakers);
  vm.reconcileActiveRoute(true);
  expectStep("forced reconciliation", restart, true, speakers);
  vm.reconcileActiveRoute(false);
  vm.applicationBecameActive();
  expectStep("unchanged route", {}, true, speakers);
  headphones = h.plugOutput("Headphones", "headphones", 44100.0);
  refreshed("new default output", restart, headphones);
  h.unplug(headphones);
  refreshed("default output gone", {Kind::waitingForOutput}, 0);
  h.catalog.setDefaultOutputDevice(speakers);
  refreshed("default output back", restart, speakers);
  h.unplug(scarlett);
  refreshed("interface unplugged", {Kind::waitingForInput}, 0);
  scarlett = h.plugInput("Scarlett 4i4", "scarlett");
  refreshed("interface back", restart, speakers);
  h.setRate(scarlett, 96000.0);
  refreshed("input rate changed", restart, speakers);
  h.setRate(scarlett, 384000.0);
  refreshed("unsupported input rate", {Kind::waitingForFormat}, 0);
  h.setRate(scarlett, 48000.0);
  refreshed("supported rate again", restart, speakers);
  vm.selectChannelPair("2-3");
  expectStep("other pair chosen", restart, true, speakers);
  vm.selectInputDevice("missing");
  expectStep("missing device chosen", {Kind::waitingForInput}, true, 0);
  vm.selectInputDevice("box");
  expectStep("device chosen", restart, true, speakers);
  vm.setMuted(true);
  h.advance(100ms);  // the fade to silence
  expectStep("muted", {}, true, 0);
  vm.setMuted(false);
  expectStep("unmuted", {}, true, speakers);

  h.components.failOnAudioPath({Op::render, SimulatedUnitKind::input, 5, kAudio_ParamError});
  vm.reconcileActiveRoute(true);
  h.advance(200ms);
  expectStep("stream fails", {Kind::reconfiguring, Kind::running, Kind::failed}, true, 0);
  h.components.clearAudioPathFailure();
  h.plugInput("Other", "other");
  refreshed("next device change", restart, speakers);
  h.failUnitCall(Op::outputStart, kAudio_ParamError);
  vm.reconcileActiveRoute(true);
  expectStep("automatic restart fails", {Kind::reconfiguring, Kind::failed}, true, 0);
  // No device event need follow: the controller tries again after 1 s, then after 2 s more.
  h.advance(1000ms);
  expectStep("failed again after a pause", {Kind::reconfiguring, Kind::failed}, true, 0);
  h.components.clearCallFailures();
  h.advance(800ms);
  expectStep("the next pause is twice as long", {}, true, 0);
  h.advance(600ms);
  expectStep("retried after it", restart, true, speakers);
  // The audio stops while the catalog still lists the device: streams that run idle.
  h.world.device(box)->setAlive(false);
  h.advance(1100ms);
  EXPECT_EQ(vm.phase(), MonitoringPhase::failed(MonitorViewModel::streamFailure));
  EXPECT_EQ(vm.technicalError(),
            "Receive audio from the selected input failed (device not running, 1937010544).");
  h.world.device(box)->setAlive(true);
  h.settleRefresh();
  h.advance(100ms);
  expectStep("a stalled input delivers again", {Kind::failed, Kind::reconfiguring, Kind::running},
             true, speakers);

  permission(AVAuthorizationStatusDenied);
  expectStep("access refused", {Kind::stopping, Kind::stopped}, false, 0);
  permission(AVAuthorizationStatusAuthorized);
  h.failUnitCall(Op::initialize, kAudioDeviceUnsupportedFormatError, 1);
  vm.toggleMonitoring();
  h.settle();
  EXPECT_EQ(vm.phase(), MonitoringPhase::failed(MonitorViewModel::unsupportedFormatFailure));
  EXPECT_NE(vm.technicalError()->find("(unsupported format, 560226676)."), std::string::npos);
  expectStep("user start fails", {Kind::starting, Kind::failed}, false, 0);
  h.components.clearCallFailures();
  h.plugInput("Third", "third");
  h.settleRefresh();
  expectStep("a failed user start is not retried", {}, false, 0);
  vm.retry();
  h.settle();
  expectStep("retry", {Kind::starting, Kind::running}, true, speakers);
  vm.toggleMonitoring();
  expectStep("user stop", {Kind::stopping, Kind::stopped}, false, 0);

  // Asked for access, the controller waits, and so does every reconciliation meanwhile; the
  // answer, from any thread, continues on the main thread.
  const auto ask = [&] {
    permission(AVAuthorizationStatusNotDetermined);
    EXPECT_TRUE(vm.canStart()) << "an undetermined permission allows a start";
    vm.toggleMonitoring();
    h.settle();
  };
  const auto answer = [&](bool granted) {
    EXPECT_EQ(h.components.liveInstanceCount(), 0u);
    std::thread([&] { EXPECT_TRUE(h.authorization.answer(granted)); }).join();
    EXPECT_EQ(vm.phase().kind() == Kind::requestingPermission, vm.monitorIntent());
    h.settle();
  };
  ask();
  answer(false);
  expectStep("access denied at the prompt", {Kind::requestingPermission, Kind::stopped}, false, 0);
  ask();
  vm.toggleMonitoring();
  answer(true);
  expectStep("stopped at the prompt, then granted",
             {Kind::requestingPermission, Kind::stopping, Kind::stopped}, false, 0);
  ask();
  h.unplug(box);
  h.settleRefresh();
  answer(true);
  expectStep("input lost at the prompt", {Kind::requestingPermission, Kind::waitingForInput}, true,
             0);
  h.plugInput("Box", "box", 2);
  refreshed("input back after the grant", restart, speakers);
  vm.toggleMonitoring();
  ask();
  // The platform may report the grant before the answer resumes the start: no second start.
  permission(AVAuthorizationStatusAuthorized);
  h.catalog.signal(speakers, propertyAddress(kAudioDevicePropertyDeviceHasChanged));
  h.settleRefresh();
  answer(true);
  expectStep(
      "reconciled at the prompt, then granted",
      {Kind::stopping, Kind::stopped, Kind::requestingPermission, Kind::starting, Kind::running},
      true, speakers);
  EXPECT_EQ(h.authorization.requests(), 4u);
  vm.toggleMonitoring();
  permission(AVAuthorizationStatusRestricted);
  vm.toggleMonitoring();
  expectStep("start with access restricted", {Kind::stopping, Kind::stopped}, false, 0);
  EXPECT_EQ(h.authorization.requests(), 4u);
  // A start right after a new default output, before the debounced refresh has read it.
  permission(AVAuthorizationStatusAuthorized);
  h.settle();
  headphones = h.plugOutput("Headphones", "headphones");
  vm.toggleMonitoring();
  h.settle();
  expectStep("start just after a new default output", {Kind::starting, Kind::running}, true,
             headphones);
  vm.unsubscribe(id);
}

}  // namespace
