#include <gtest/gtest.h>

#include <limits>
#include <map>

#include "controller/ControllerHarness.h"
#include "controller/ControllerTestSupport.h"
#include "devices/HardwareReads.h"

using Kind = MonitoringPhase::Kind;

namespace {

struct Shown {
  std::string title;
  std::optional<std::string> detail;
  StatusSeverity severity;
  std::string primaryActionTitle;
  bool canStart;
  bool isMonitoring;

  bool operator==(const Shown&) const = default;
};

void PrintTo(const Shown& shown, std::ostream* out) {
  *out << "{\"" << shown.title << "\", \"" << shown.detail.value_or("<none>") << "\", "
       << static_cast<int>(shown.severity) << ", \"" << shown.primaryActionTitle << "\", "
       << shown.canStart << ", " << shown.isMonitoring << "}";
}

Shown shown(const MonitorViewModel& vm) {
  const StatusPresentation status = vm.status();
  return {status.title,  status.detail,    status.severity, vm.primaryActionTitle(),
          vm.canStart(), vm.isMonitoring()};
}

constexpr const char* kRates = "48.0 kHz input → 44.1 kHz system output.";

class StatusPresentationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    speakers = harness.plugOutput("Speakers", "speakers", 44100.0);
    scarlett = harness.plugInput("Scarlett 4i4", "scarlett");
    harness.launch();
    harness.settle();
  }

  MonitorViewModel& vm() { return harness.vm(); }

  void start() {
    vm().toggleMonitoring();
    harness.settle();
  }

  ControllerHarness harness;
  AudioObjectID speakers = 0;
  AudioObjectID scarlett = 0;
};

TEST_F(StatusPresentationTest, ReadyAndStopped) {
  EXPECT_EQ(shown(vm()), (Shown{"Ready", std::string(kRates) + " Monitoring is off.",
                                StatusSeverity::neutral, "Start Monitoring", true, false}));
}

TEST_F(StatusPresentationTest, PassingPhasesOfStartAndStop) {
  std::map<Kind, Shown> seen;
  const auto id = vm().subscribe([&] { seen.insert_or_assign(vm().phase().kind(), shown(vm())); });
  start();
  EXPECT_EQ(seen.at(Kind::starting),
            (Shown{"Starting monitoring…", std::nullopt, StatusSeverity::neutral, "Stop Monitoring",
                   false, false}));
  EXPECT_EQ(seen.at(Kind::running),
            (Shown{"Monitoring", kRates, StatusSeverity::active, "Stop Monitoring", true, true}));
  vm().reconcileActiveRoute(true);
  EXPECT_EQ(seen.at(Kind::reconfiguring),
            (Shown{"Following the new system output…",
                   "Network and Bluetooth outputs may take a moment to become ready.",
                   StatusSeverity::neutral, "Stop Monitoring", false, true}));
  // A user stop clears the intent first, so the button already offers a start.
  vm().toggleMonitoring();
  EXPECT_EQ(seen.at(Kind::stopping), (Shown{"Stopping…", std::nullopt, StatusSeverity::neutral,
                                            "Start Monitoring", false, false}));
  vm().unsubscribe(id);
}

TEST_F(StatusPresentationTest, RunningMutedChangesOnlyTitleAndDetail) {
  start();
  vm().setMuted(true);
  EXPECT_EQ(shown(vm()), (Shown{"Monitoring · Muted", "Input is active, but output is muted.",
                                StatusSeverity::active, "Stop Monitoring", true, true}));
  vm().setMuted(false);
  EXPECT_EQ(shown(vm()).title, "Monitoring");
}

TEST_F(StatusPresentationTest, RequestingPermission) {
  harness.authorization.setStatus(AVAuthorizationStatusNotDetermined);
  start();
  EXPECT_EQ(shown(vm()), (Shown{"Requesting audio input access…", std::nullopt,
                                StatusSeverity::neutral, "Stop Monitoring", false, false}));
}

TEST_F(StatusPresentationTest, RefusedPermissionHidesEverythingElse) {
  start();
  harness.authorization.setStatus(AVAuthorizationStatusRestricted);
  vm().refreshCatalog(false);
  ASSERT_EQ(vm().phase(), MonitoringPhase::running());
  EXPECT_EQ(shown(vm()),
            (Shown{"Audio input access is off",
                   "Allow VEXMORA MONITOR to use audio input in System Settings, then try again.",
                   StatusSeverity::error, "Stop Monitoring", false, true}));
}

TEST_F(StatusPresentationTest, FailedShowsItsMessageAndHidesRouteProblems) {
  harness.components.failOnAudioPath(
      {SimulatedAudioOperation::render, SimulatedUnitKind::input, 2, kAudio_ParamError});
  start();
  harness.advance(100ms);
  EXPECT_EQ(shown(vm()), (Shown{"Monitoring couldn't start", MonitorViewModel::streamFailure,
                                StatusSeverity::error, "Cancel Retry", true, false}));
  harness.unplug(speakers);
  vm().refreshCatalog(false);
  EXPECT_EQ(shown(vm()).title, "Monitoring couldn't start");
}

TEST_F(StatusPresentationTest, OutputProblemIsCheckedBeforeTheInput) {
  harness.setAlive(speakers, false);
  vm().selectInputDevice(std::nullopt);
  vm().refreshCatalog(false);
  EXPECT_EQ(shown(vm()), (Shown{"System output unavailable",
                                "Choose an audio output in the desktop's Sound settings.",
                                StatusSeverity::error, "Start Monitoring", false, false}));
  // Without the audio service the device list is unreadable, and the detail says why.
  harness.catalog.injectFault(kAudioObjectSystemObject,
                              propertyAddress(kAudioHardwarePropertyDevices),
                              SimulatedPropertyFault::failingSizeQuery());
  vm().refreshCatalog(false);
  EXPECT_EQ(shown(vm()).detail,
            "The PipeWire audio server isn't running. VEXMORA MONITOR "
            "connects to it as soon as it starts.");
  harness.catalog.clearFaults();
  vm().refreshCatalog(false);
  EXPECT_EQ(shown(vm()).detail, "Choose an audio output in the desktop's Sound settings.");
}

TEST_F(StatusPresentationTest, InvalidChannelPair) {
  vm().selectChannelPair("6-7");
  EXPECT_EQ(shown(vm()), (Shown{"Choose a valid stereo pair",
                                "The saved channel layout is no longer available on this device.",
                                StatusSeverity::warning, "Start Monitoring", false, false}));
}

TEST_F(StatusPresentationTest, UnsupportedRates) {
  harness.setRate(scarlett, 384000.0);
  vm().refreshCatalog(false);
  EXPECT_EQ(shown(vm()), (Shown{"Unsupported input sample rate",
                                "PipeWire reported 384.0 kHz for the input. VEXMORA MONITOR "
                                "accepts standard PCM rates through 192 kHz.",
                                StatusSeverity::warning, "Start Monitoring", false, false}));
  harness.setRate(scarlett, 48000.0);
  harness.setRate(speakers, std::numeric_limits<double>::quiet_NaN());
  vm().refreshCatalog(false);
  EXPECT_EQ(shown(vm()).title, "Unsupported output sample rate");
  EXPECT_EQ(shown(vm()).detail,
            "PipeWire reported — kHz for the output. VEXMORA MONITOR "
            "accepts standard PCM rates through 192 kHz.");
}

TEST_F(StatusPresentationTest, InputMissingWithAndWithoutSavedSelection) {
  harness.unplug(scarlett);
  vm().refreshCatalog(false);
  EXPECT_EQ(shown(vm()), (Shown{"Waiting for the selected input",
                                "Reconnect the interface; the saved selection will be restored.",
                                StatusSeverity::warning, "Start Monitoring", false, false}));
  vm().selectInputDevice(std::nullopt);
  EXPECT_EQ(shown(vm()),
            (Shown{"Choose an audio input", "Select the Scarlett or another stereo input device.",
                   StatusSeverity::neutral, "Start Monitoring", false, false}));
}

// The waiting phases show their own rows only between the route coming back and the restart.
TEST_F(StatusPresentationTest, WaitingPhasesWithTheRouteBackBeforeTheRestart) {
  start();
  harness.unplug(scarlett);
  harness.settleRefresh();
  EXPECT_EQ(shown(vm()).primaryActionTitle, "Cancel Auto-Resume");
  EXPECT_EQ(shown(vm()).title, "Waiting for the selected input");
  harness.plugInput("Scarlett 4i4", "scarlett");
  vm().refreshCatalog(false);
  EXPECT_EQ(shown(vm()), (Shown{"Waiting for the selected input",
                                "Monitoring will resume when the exact device and channel pair "
                                "return.",
                                StatusSeverity::warning, "Cancel Auto-Resume", true, false}));
  harness.settleRefresh();
  ASSERT_EQ(vm().phase(), MonitoringPhase::running());

  const AudioObjectID returned = vm().selectedInputDevice()->id;
  harness.unplug(speakers);
  harness.settleRefresh();
  ASSERT_EQ(vm().phase(), MonitoringPhase::waitingForOutput());
  speakers = harness.plugOutput("Speakers", "speakers", 44100.0);
  vm().refreshCatalog(false);
  EXPECT_EQ(shown(vm()), (Shown{"Waiting for the system output",
                                "Monitoring will resume when the system output is ready.",
                                StatusSeverity::warning, "Cancel Auto-Resume", true, false}));
  harness.settleRefresh();
  ASSERT_EQ(vm().phase(), MonitoringPhase::running());

  harness.setRate(returned, 384000.0);
  harness.settleRefresh();
  ASSERT_EQ(vm().phase(), MonitoringPhase::waitingForFormat());
  harness.setRate(returned, 48000.0);
  vm().refreshCatalog(false);
  EXPECT_EQ(shown(vm()), (Shown{"Waiting for a supported format",
                                "Monitoring will resume when PipeWire reports a usable PCM format.",
                                StatusSeverity::warning, "Cancel Auto-Resume", true, false}));
}

}  // namespace
