#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <map>
#include <tuple>

#include "controller/ControllerHarness.h"
#include "devices/HardwareReads.h"

using Kind = MonitoringPhase::Kind;

namespace {

// The status row's title and severity, the primary button's title, canStart and isMonitoring.
using Shown = std::tuple<std::string, StatusSeverity, std::string, bool, bool>;

using H = ControllerHarness;
using Step = std::function<void(H&)>;
// The numbers the catalog gives the first device and the one after it and its stream.
constexpr AudioObjectID kSpeakers = 2, kScarlett = 4;
const Step start = [](H& h) { h.vm().toggleMonitoring(), h.settle(); };
const Step stop = [](H& h) { h.vm().toggleMonitoring(); };
const Step refresh = [](H& h) { h.vm().refreshCatalog(false); };
const Step settled = [](H& h) { h.settleRefresh(); };
const Step reconcile = [](H& h) { h.vm().reconcileActiveRoute(true); };
const Step mute = [](H& h) { h.vm().setMuted(true); };
const Step askable = [](H& h) { h.authorization.setStatus(AVAuthorizationStatusNotDetermined); };
const Step denied = [](H& h) { h.authorization.setStatus(AVAuthorizationStatusDenied); };
const Step restricted = [](H& h) { h.authorization.setStatus(AVAuthorizationStatusRestricted); };
const Step active_ = [](H& h) { h.vm().applicationBecameActive(); };
const Step streamFails = [](H& h) {
  h.components.failOnAudioPath(
      {SimulatedAudioOperation::render, SimulatedUnitKind::input, 2, kAudio_ParamError});
};
const Step run = [](H& h) { h.advance(100ms); };
const Step noOutput = [](H& h) { h.unplug(kSpeakers); };
const Step unplugIn = [](H& h) { h.unplug(kScarlett); };
const Step plugOutput = [](H& h) { h.plugOutput("Speakers", "speakers", 44100.0); };
const Step plugInput = [](H& h) { h.plugInput("Scarlett 4i4", "scarlett"); };
const Step monoInput = [](H& h) { h.plugInput("Scarlett 4i4", "scarlett", 1); };
const Step outputDead = [](H& h) { h.platform.setAlive(kSpeakers, false); };
const Step noInput = [](H& h) { h.vm().selectInputDevice(std::nullopt); };
const Step noServer = [](H& h) {
  h.catalog.injectFault(kAudioObjectSystemObject, propertyAddress(kAudioHardwarePropertyDevices),
                        {SimulatedPropertyFault::Kind::sizeQueryFails});
};
const Step badPair = [](H& h) { h.vm().selectChannelPair("6-7"); };
const Step rateHigh = [](H& h) { h.setRate(kScarlett, 384000.0); };
const Step rateBack = [](H& h) { h.setRate(kScarlett, 48000.0); };
const Step outRateNaN = [](H& h) {
  h.setRate(kSpeakers, std::numeric_limits<double>::quiet_NaN());
};

constexpr auto neutral = StatusSeverity::neutral, warning = StatusSeverity::warning,
               error = StatusSeverity::error, active = StatusSeverity::active;
constexpr const char *kStart = "Start Monitoring", *kStop = "Stop Monitoring",
                     *kCancel = "Cancel Auto-Resume";

// Each row starts stopped and ready, the speakers at 44.1 kHz and a Scarlett at 48 kHz. A row with
// a phase is checked as the controller enters it, the others where the steps end.
struct Row {
  std::vector<Step> steps;
  std::optional<Kind> during;
  Shown expected;
  std::string detail = {};  // the part of the detail the row computes or chooses
};

const Row kRows[] = {
    {{}, {}, {"Ready", neutral, kStart, true, false}, "48.0 kHz input → 44.1 kHz system"},
    {{start}, Kind::starting, {"Starting monitoring…", neutral, kStop, false, false}},
    {{start}, {}, {"Monitoring", active, kStop, true, true}, "48.0 kHz input → 44.1"},
    {{start, mute}, {}, {"Monitoring · Muted", active, kStop, true, true}, "muted"},
    {{start, reconcile},
     Kind::reconfiguring,
     {"Following the new system output…", neutral, kStop, false, true},
     "Bluetooth"},
    // A user stop clears the intent first, so the button already offers a start.
    {{start, stop}, Kind::stopping, {"Stopping…", neutral, kStart, false, false}},
    {{askable, start}, {}, {"Requesting audio input access…", neutral, kStop, false, false}},
    {{denied, active_},
     {},
     {"Audio input access is off", error, kStart, false, false},
     "System Settings"},
    {{start, restricted, refresh},
     {},
     {"Audio input access is off", error, kStop, false, true},
     "System Settings"},
    {{streamFails, start, run, noOutput, refresh},
     {},
     {"Monitoring couldn't start", error, "Cancel Retry", false, false},
     "stopped unexpectedly"},
    {{outputDead, noInput, refresh},
     {},
     {"System output unavailable", error, kStart, false, false},
     "Sound settings"},
    {{outputDead, noInput, refresh, noServer, refresh},
     {},
     {"System output unavailable", error, kStart, false, false},
     "server isn't running"},
    {{badPair},
     {},
     {"Choose a valid stereo pair", warning, kStart, false, false},
     "no longer available"},
    {{rateHigh, refresh},
     {},
     {"Unsupported input sample rate", warning, kStart, false, false},
     "384.0 kHz for the input"},
    {{outRateNaN, refresh},
     {},
     {"Unsupported output sample rate", warning, kStart, false, false},
     "— kHz for the output"},
    {{unplugIn, refresh},
     {},
     {"Waiting for the selected input", warning, kStart, false, false},
     "will be restored"},
    {{unplugIn, monoInput, refresh},
     {},
     {"Waiting for the selected input", warning, kStart, false, false},
     "Scarlett 4i4: 1 input channel; monitoring needs a stereo pair. Choose another"},
    {{unplugIn, noInput},
     {},
     {"Choose an audio input", neutral, kStart, false, false},
     "Select the Scarlett"},
    {{start, unplugIn, settled},
     {},
     {"Waiting for the selected input", warning, kCancel, false, false},
     "will be restored"},
    // The waiting phases show their own rows between the route coming back and the restart.
    {{start, unplugIn, settled, plugInput, refresh},
     {},
     {"Waiting for the selected input", warning, kCancel, true, false},
     "channel pair return"},
    {{start, noOutput, settled, plugOutput, refresh},
     {},
     {"Waiting for the system output", warning, kCancel, true, false},
     "output is ready"},
    {{start, rateHigh, settled, rateBack, refresh},
     {},
     {"Waiting for a supported format", warning, kCancel, true, false},
     "usable PCM format"},
};

TEST(StatusPresentationTest, EveryPhaseAndRouteProblemShowsItsRow) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(&row - kRows);
    ControllerHarness harness;
    ASSERT_EQ(harness.plugOutput("Speakers", "speakers", 44100.0), kSpeakers);
    ASSERT_EQ(harness.plugInput("Scarlett 4i4", "scarlett"), kScarlett);
    MonitorViewModel& vm = harness.launch();
    harness.settle();
    const auto seen = [&] {
      return std::pair{Shown{vm.status().title, vm.status().severity, vm.primaryActionTitle(),
                             vm.canStart(), vm.isMonitoring()},
                       vm.status().detail.value_or("")};
    };
    std::map<Kind, std::pair<Shown, std::string>> entered;
    const auto id = vm.subscribe([&] { entered.try_emplace(vm.phase().kind(), seen()); });
    for (const Step& step : row.steps) step(harness);
    vm.unsubscribe(id);
    ASSERT_TRUE(!row.during || entered.count(*row.during));
    const auto [shown, detail] = row.during ? entered.at(*row.during) : seen();
    EXPECT_EQ(shown, row.expected);
    EXPECT_TRUE(row.detail.empty() ? detail.empty() : detail.find(row.detail) != std::string::npos)
        << detail;
  }
}

}  // namespace
