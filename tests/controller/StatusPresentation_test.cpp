#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <map>
#include <sstream>
#include <string>

#include "controller/ControllerHarness.h"
#include "devices/HardwareReads.h"

using Kind = MonitoringPhase::Kind;

namespace {

using H = ControllerHarness;
// The numbers the catalog gives the first device and the one after it and its stream.
constexpr AudioObjectID kSpeakers = 2, kScarlett = 4;
const std::map<std::string, std::function<void(H&)>> kSteps{
    {"start", [](H& h) { h.vm().toggleMonitoring(), h.settle(); }},
    {"stop", [](H& h) { h.vm().toggleMonitoring(); }},
    {"refresh", [](H& h) { h.vm().refreshCatalog(false); }},
    {"settled", [](H& h) { h.settleRefresh(); }},
    {"reconcile", [](H& h) { h.vm().reconcileActiveRoute(true); }},
    {"mute", [](H& h) { h.vm().setMuted(true); }},
    {"askable", [](H& h) { h.authorization.setStatus(AVAuthorizationStatusNotDetermined); }},
    {"denied", [](H& h) { h.authorization.setStatus(AVAuthorizationStatusDenied); }},
    {"restricted", [](H& h) { h.authorization.setStatus(AVAuthorizationStatusRestricted); }},
    {"active", [](H& h) { h.vm().applicationBecameActive(); }},
    {"streamFails",
     [](H& h) {
       h.components.failOnAudioPath(
           {SimulatedAudioOperation::render, SimulatedUnitKind::input, 2, kAudio_ParamError});
     }},
    {"run", [](H& h) { h.advance(100ms); }},
    {"noOutput", [](H& h) { h.unplug(kSpeakers); }},
    {"unplugIn", [](H& h) { h.unplug(kScarlett); }},
    {"plugOutput", [](H& h) { h.plugOutput("Speakers", "speakers", 44100.0); }},
    {"plugInput", [](H& h) { h.plugInput("Scarlett 4i4", "scarlett"); }},
    {"monoInput", [](H& h) { h.plugInput("Scarlett 4i4", "scarlett", 1); }},
    {"outputDead", [](H& h) { h.platform.setAlive(kSpeakers, false); }},
    {"noInput", [](H& h) { h.vm().selectInputDevice(std::nullopt); }},
    {"noServer",
     [](H& h) {
       h.catalog.injectFault(kAudioObjectSystemObject,
                             propertyAddress(kAudioHardwarePropertyDevices),
                             {SimulatedPropertyFault::Kind::sizeQueryFails});
     }},
    {"badPair", [](H& h) { h.vm().selectChannelPair("6-7"); }},
    {"rateHigh", [](H& h) { h.setRate(kScarlett, 384000.0); }},
    {"rateBack", [](H& h) { h.setRate(kScarlett, 48000.0); }},
    {"outRateNaN", [](H& h) { h.setRate(kSpeakers, std::numeric_limits<double>::quiet_NaN()); }},
};

// The status row's title and severity, the primary button's title, and whether a start is offered
// and monitoring runs.
std::string shown(MonitorViewModel& vm) {
  constexpr const char* kSeverities[] = {"neutral", "active", "warning", "error"};
  return vm.status().title + " · " + kSeverities[static_cast<int>(vm.status().severity)] + " · " +
         vm.primaryActionTitle() + (vm.canStart() ? " · can start" : "") +
         (vm.isMonitoring() ? " · monitoring" : "");
}

// Each row starts stopped and ready, the speakers at 44.1 kHz and a Scarlett at 48 kHz. A row with
// a phase is checked as the controller enters it, the others where the steps end.
struct Row {
  std::string steps, expected;
  std::string detail = {};  // the part of the detail the row computes or chooses
  std::optional<Kind> during = {};
};

const std::string kWaitingInput = "Waiting for the selected input · warning · ";
const Row kRows[] = {
    {"", "Ready · neutral · Start Monitoring · can start", "48.0 kHz input → 44.1 kHz system"},
    {"start", "Starting monitoring… · neutral · Stop Monitoring", "", Kind::starting},
    {"start", "Monitoring · active · Stop Monitoring · can start · monitoring",
     "48.0 kHz input → 44.1"},
    {"start mute", "Monitoring · Muted · active · Stop Monitoring · can start · monitoring",
     "muted"},
    {"start reconcile", "Following the new system output… · neutral · Stop Monitoring · monitoring",
     "Bluetooth", Kind::reconfiguring},
    // A user stop clears the intent first, so the button already offers a start.
    {"start stop", "Stopping… · neutral · Start Monitoring", "", Kind::stopping},
    {"askable start", "Requesting audio input access… · neutral · Stop Monitoring"},
    {"denied active", "Audio input access is off · error · Start Monitoring", "System Settings"},
    {"start restricted refresh", "Audio input access is off · error · Stop Monitoring · monitoring",
     "System Settings"},
    {"streamFails start run noOutput refresh", "Monitoring couldn't start · error · Cancel Retry",
     "stopped unexpectedly"},
    {"outputDead noInput refresh", "System output unavailable · error · Start Monitoring",
     "Sound settings"},
    {"outputDead noInput refresh noServer refresh",
     "System output unavailable · error · Start Monitoring", "server isn't running"},
    {"badPair", "Choose a valid stereo pair · warning · Start Monitoring", "no longer available"},
    {"rateHigh refresh", "Unsupported input sample rate · warning · Start Monitoring",
     "384.0 kHz for the input"},
    {"outRateNaN refresh", "Unsupported output sample rate · warning · Start Monitoring",
     "— kHz for the output"},
    {"unplugIn refresh", kWaitingInput + "Start Monitoring", "will be restored"},
    {"unplugIn monoInput refresh", kWaitingInput + "Start Monitoring",
     "Scarlett 4i4: 1 input channel; monitoring needs a stereo pair. Choose another"},
    {"unplugIn noInput", "Choose an audio input · neutral · Start Monitoring",
     "Select the Scarlett"},
    {"start unplugIn settled", kWaitingInput + "Cancel Auto-Resume", "will be restored"},
    // The waiting phases show their own rows between the route coming back and the restart.
    {"start unplugIn settled plugInput refresh", kWaitingInput + "Cancel Auto-Resume · can start",
     "channel pair return"},
    {"start noOutput settled plugOutput refresh",
     "Waiting for the system output · warning · Cancel Auto-Resume · can start", "output is ready"},
    {"start rateHigh settled rateBack refresh",
     "Waiting for a supported format · warning · Cancel Auto-Resume · can start",
     "usable PCM format"},
};

TEST(StatusPresentationTest, EveryPhaseAndRouteProblemShowsItsRow) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.steps);
    ControllerHarness harness;
    ASSERT_EQ(harness.plugOutput("Speakers", "speakers", 44100.0), kSpeakers);
    ASSERT_EQ(harness.plugInput("Scarlett 4i4", "scarlett"), kScarlett);
    MonitorViewModel& vm = harness.launch();
    const auto seen = [&] { return std::pair{shown(vm), vm.status().detail.value_or("")}; };
    std::map<Kind, std::pair<std::string, std::string>> entered;
    const auto id = vm.subscribe([&] { entered.try_emplace(vm.phase().kind(), seen()); });
    std::istringstream words(row.steps);
    for (std::string word; words >> word;) kSteps.at(word)(harness);
    vm.unsubscribe(id);
    ASSERT_TRUE(!row.during || entered.count(*row.during));
    const auto [status, detail] = row.during ? entered.at(*row.during) : seen();
    EXPECT_EQ(status, row.expected);
    EXPECT_TRUE(row.detail.empty() ? detail.empty() : detail.find(row.detail) != std::string::npos)
        << detail;
  }
}

}  // namespace
