#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/pipewire/ControllerOnPipeWire.h"
#include "platform/pipewire/PipeWireTestSession.h"
#include "platform/pipewire/ProcessFootprint.h"
#include "platform/pipewire/RouteProbe.h"

using namespace pipewire_test;
using namespace std::chrono_literals;
using Kind = MonitoringPhase::Kind;
using Clock = std::chrono::steady_clock;

namespace {

// The graph's quantum in this session, in frames.
constexpr double kQuantum = 1024;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void expectFaithful(const RouteMeasurement& route) {
  ASSERT_TRUE(route.arrived) << "the signal did not arrive at the sink";
  EXPECT_GE(route.leftCorrelation, 0.9999);
  EXPECT_GE(route.rightCorrelation, 0.9999);
  EXPECT_NEAR(route.leftLevelDb, 0.0, 0.1);
  EXPECT_NEAR(route.rightLevelDb, 0.0, 0.1);
  // 52 dB below the other channels' tones; a fit over a time base the drift correction bends a
  // little leaks a trace of the pair's own tones into these frequencies.
  EXPECT_LT(route.otherChannelsDb, -60.0) << "another channel of the interface came through";
}

class MonitorOnPipeWire : public testing::Test {
 protected:
  void startOnThePair() {
    monitor_.startMonitoring(kInterface, kPair);
    ASSERT_TRUE(monitor_.waitForPhase(Kind::running, 3s, kSpeakers));
  }

  // The latency the route reports now: the ring's target fill plus the converter's look-ahead.
  double designLatencyFrames() { return monitor_.diagnostics().latencyMilliseconds * kRate / 1000; }

  ControllerOnPipeWire monitor_;
  RouteProbe probe_;
};

}  // namespace

TEST_F(MonitorOnPipeWire, ThePairArrivesUnchangedWithTheDesignedLatencyWhichHoldsWithoutXruns) {
  const long seconds = fromEnvironment("VX_PW_SOAK_SECONDS", 60);
  ASSERT_NO_FATAL_FAILURE(startOnThePair());
  const RouteMeasurement before = probe_.measure(kSpeakers);
  expectFaithful(before);
  // The interface and the sink run on drivers of their own: whether a captured block leaves in the
  // sink's next cycle or the one after depends on where their cycles fall against each other.
  EXPECT_NEAR(before.latencyFrames, designLatencyFrames() + kQuantum / 2, kQuantum);
  const ProcessFootprint started = ProcessFootprint::now();
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  const RouteMeasurement after = probe_.measure(kSpeakers);
  expectFaithful(after);
  const ProcessFootprint ended = ProcessFootprint::now();
  expectFlat(started, ended);
  const EngineDiagnostics diagnostics = monitor_.diagnostics();
  EXPECT_EQ(monitor_.phase(), Kind::running);
  EXPECT_EQ(diagnostics.underruns, 0u);
  EXPECT_EQ(diagnostics.overruns, 0u);

  // End to end, the route still holds its latency plus where the correction rests the fill, up to
  // half a block above the target. A probe joining the graph shifts the two devices' cycles
  // against each other, and under load the graph adds a cycle on either side of the ring; that is
  // the allowance, and a ring that drifted beyond it would show here.
  EXPECT_NEAR(after.latencyFrames, designLatencyFrames() + kQuantum / 2, 2 * kQuantum);
  std::printf(
      "correlation %.6f / %.6f, level %+.4f / %+.4f dB, other channels %.1f dBFS; after %ld s: "
      "probed latency %.1f -> %.1f frames (design %.1f); correction %.1f ppm; %s\n",
      before.leftCorrelation, before.rightCorrelation, before.leftLevelDb, before.rightLevelDb,
      before.otherChannelsDb, seconds, before.latencyFrames, after.latencyFrames,
      designLatencyFrames(), diagnostics.rateCorrectionPPM,
      ProcessFootprint::change(started, ended).c_str());
}

// A start that nothing links fails, says where in PipeWire's words, and runs on Retry once the
// manager answers. Then each fault of the daemons, repeated: the route runs again once the
// session answers, on the new interface where the fault made one, and the controller keeps
// answering meanwhile: a start asks whether a stopped daemon answers for at most half a second,
// then not at all while its ping goes unanswered.
TEST_F(MonitorOnPipeWire, AfterEveryDaemonFaultTheRouteRunsAgainAndAStartNothingLinksSaysWhy) {
  ASSERT_TRUE(runSession("freeze-manager"));
  monitor_.startMonitoring(kInterface, kPair);
  const bool failed = monitor_.waitForPhase(Kind::failed, 8s);
  const std::optional<std::string> error = monitor_.onController(
      [](MonitorViewModel& controller) { return controller.technicalError(); });
  ASSERT_TRUE(runSession("thaw-manager"));
  ASSERT_TRUE(failed && error);
  EXPECT_TRUE(error->starts_with("Start the selected input failed (device not running, "
                                 "1937010544). PipeWire: the stream was still “") &&
              error->ends_with("” after 2 s."))
      << *error;
  monitor_.onController([](MonitorViewModel& controller) { controller.retry(); });
  ASSERT_TRUE(monitor_.waitForPhase(Kind::running, 3s, kSpeakers));
  struct Fault {
    std::string command, thenAfter6s;
    bool newDevices;
  };
  const std::vector<Fault> faults{{"restart-manager", "", true},
                                  {"kill-daemon", "", true},
                                  {"freeze-daemon", "thaw-daemon", false}};
  const long repeats = fromEnvironment("VX_PW_DAEMON_FAULTS", 2);
  const auto interfaceID = [](MonitorViewModel& controller) {
    const auto device = controller.selectedInputDevice();
    return device ? device->id : AudioObjectID{kAudioObjectUnknown};
  };
  for (const Fault& fault : faults) {
    for (long repeat = 0; repeat < repeats; ++repeat) {
      SCOPED_TRACE(fault.command + " " + std::to_string(repeat + 1));
      const AudioObjectID before = monitor_.onController(interfaceID);
      ASSERT_TRUE(runSession(fault.command));
      double longest = 0;  // seconds, of the controller's answers while the daemon is frozen
      for (auto end = Clock::now() + 6s; !fault.thenAfter6s.empty() && Clock::now() < end;) {
        const auto asked = Clock::now();
        monitor_.phase();
        longest = std::max(longest, secondsSince(asked));
        std::this_thread::sleep_for(50ms);
      }
      EXPECT_LT(longest, 1.5);
      ASSERT_TRUE(fault.thenAfter6s.empty() || runSession(fault.thenAfter6s));
      const auto answered = Clock::now();
      ASSERT_TRUE(monitor_.waitUntilFlowing(10s, [&](MonitorViewModel& controller) {
        return !fault.newDevices || interfaceID(controller) != before;
      }));
      std::printf("%s: running again %.2f s after the session answered; controller within %.2f s\n",
                  fault.command.c_str(), secondsSince(answered), longest);
    }
  }
  expectFaithful(probe_.measure(kSpeakers));
}

// The graph may change its rate, which the sinks follow, and an interface may come back at a rate
// of its own, which the route converts to the graph's: each time the route runs again at the new
// rate. Each interface rate is heard once through the probe, then the cycles go on without it.
TEST_F(MonitorOnPipeWire, EveryGraphRateChangeAndReplugRestartsTheRouteAtTheNewRate) {
  constexpr std::array<int, 5> kRates{44100, 88200, 176400, 192000, 48000};
  const long changes = fromEnvironment("VX_PW_RATE_CHANGES", 2);
  const long cycles = std::max<long>(2 * kRates.size(), fromEnvironment("VX_PW_REPLUG_CYCLES", 0));
  // The tests after this one expect the devices at the graph's own rate, however this one ends.
  struct Restore {
    ~Restore() {
      runSession("set-rate 0");
      runSession("unplug " + kInterface) && runSession("replug " + kInterface);
    }
  } restore;
  ASSERT_NO_FATAL_FAILURE(startOnThePair());
  // A new graph rate grows the footprint once, a new interface rate too; then it stays flat.
  ProcessFootprint changed;
  long restarts = 0;
  for (long change = 0; change < changes; ++change) {
    const double rate = change % 2 == 0 ? 44100.0 : 48000.0;
    const auto asked = Clock::now();
    ASSERT_TRUE(runSession("set-rate " + std::to_string(static_cast<int>(rate))));
    // The sinks follow the graph; the interface keeps the rate it was made with.
    if (monitor_.waitUntil(3s, [rate](MonitorViewModel& controller) {
          return controller.phase().kind() == Kind::running &&
                 controller.diagnostics().outputSampleRate == rate;
        })) {
      ++restarts;
    }
    if (change == 0) changed = ProcessFootprint::now();
    std::this_thread::sleep_until(asked + 2s);
  }
  const ProcessFootprint rateChanged = ProcessFootprint::now();
  EXPECT_EQ(restarts, changes);
  ASSERT_TRUE(runSession("set-rate 0"));
  ASSERT_TRUE(monitor_.waitForPhase(Kind::running, 3s, kSpeakers));
  expectFaithful(probe_.measure(kSpeakers));

  ProcessFootprint settled;
  long resumes = 0;
  std::vector<double> resumeSeconds;
  for (long cycle = 0; cycle < cycles; ++cycle) {
    const int rate = kRates[static_cast<std::size_t>(cycle) % kRates.size()];
    SCOPED_TRACE("cycle " + std::to_string(cycle) + " at " + std::to_string(rate) + " Hz");
    ASSERT_TRUE(runSession("unplug " + kInterface));
    ASSERT_TRUE(monitor_.waitForPhase(Kind::waitingForInput, 2s));
    const auto replugged = Clock::now();
    ASSERT_TRUE(runSession("replug " + kInterface + " " + std::to_string(rate)));
    if (monitor_.waitForPhase(Kind::running, 3s, kSpeakers)) ++resumes;
    resumeSeconds.push_back(secondsSince(replugged));
    if (cycle < static_cast<long>(kRates.size())) {
      // Missed capture cycles drain the ring: underruns, and clicks and tones bent off their
      // frequency by the correction, which the correlation with the exact signal catches.
      expectFaithful(probe_.measure(kSpeakers));
      EXPECT_EQ(monitor_.diagnostics().underruns, 0u);
      EXPECT_EQ(monitor_.diagnostics().overruns, 0u);
    }
    if (cycle == static_cast<long>(kRates.size())) settled = ProcessFootprint::now();
  }
  EXPECT_EQ(resumes, cycles);
  const ProcessFootprint last = ProcessFootprint::now();
  expectFlat(changed, rateChanged);
  expectFlat(settled, last);
  std::sort(resumeSeconds.begin(), resumeSeconds.end());
  std::printf(
      "%ld rate changes, %ld restarts at the new rate; %s; %ld replugs, %ld resumes, median %.3f "
      "s, p95 %.3f s; %s\n",
      changes, restarts, ProcessFootprint::change(changed, rateChanged).c_str(), cycles, resumes,
      resumeSeconds[resumeSeconds.size() / 2],
      resumeSeconds[static_cast<std::size_t>(0.95 * (resumeSeconds.size() - 1))],
      ProcessFootprint::change(settled, last).c_str());
}

namespace {

// Whenever the default output changes while monitoring, the tone must arrive at the new sink at
// unity and the ring must keep moving. What plays is measured at the sink itself, by a recorder
// that joins only after the switch: one already running there keeps the sink awake and hides a
// route that moves no audio. The player feeding the interface asks for the graph's quantum: on
// this daemon a player whose graph changes quantum (as it does each time the route's capture
// stream comes and goes) can stop being scheduled for good, and the interface then carries
// silence, as no hardware interface would.
class DefaultSinkChanges : public testing::Test {
 protected:
  static constexpr double kAmplitude = 0.25;
  static constexpr double kToneSeconds = 120.0;

  void SetUp() override {
    const auto frames = static_cast<std::size_t>(kRate * kToneSeconds);
    const std::vector<float> left = MultiTone{{{997.0, kAmplitude}}, kRate}.samples(frames);
    const std::vector<float> right = MultiTone{{{1499.0, kAmplitude}}, kRate}.samples(frames);
    writeFloatWave(toneFile_, {left, right}, kRate);
    ASSERT_TRUE(runSession("feed " + toneFile_ + " 2 3"));
    monitor_.startMonitoring(kInterface, "2-3");
    ASSERT_TRUE(monitor_.waitForPhase(Kind::running, 3s, kSpeakers));
  }

  void TearDown() override { runSession("unfeed"); }

  // After the change that `switched` began: the route runs on `sink`, the ring's fill moves, and
  // the sink plays both tones at unity.
  void expectTheToneAt(const std::string& sink, Clock::time_point switched,
                       const std::string& step) {
    SCOPED_TRACE(step);
    ASSERT_TRUE(monitor_.waitForPhase(Kind::running, 2s, sink));
    const double running = secondsSince(switched);
    EXPECT_TRUE(monitor_.waitUntilFlowing(1s, [](MonitorViewModel&) { return true; }))
        << "the ring's fill stands still";
    ASSERT_TRUE(runSession("record " + sink + " " + tapFile_ + " 1"));
    const std::vector<std::vector<float>> tap = readFloatWave(tapFile_, 2);
    ASSERT_GE(tap[0].size(), 9600u) << "the tap recorded nothing";
    const double expected = kAmplitude / std::sqrt(2.0);
    for (const auto& side : tap) {
      const double level =
          20.0 * std::log10(rms(std::span<const float>(side).last(9600)) / expected);
      EXPECT_NEAR(level, 0.0, 0.5) << "level at " << sink;
    }
    // The route runs there; its audio arrives one route latency later.
    const double arrival =
        running + (static_cast<double>(monitor_.diagnostics().targetBufferedFrames) / kRate);
    EXPECT_LT(arrival, 1.0);
    std::printf("%s: running at %s after %.3f s, audio after about %.3f s\n", step.c_str(),
                sink.c_str(), running, arrival);
  }

  ControllerOnPipeWire monitor_;
  const std::string toneFile_ = sessionFile("sinks-tone.wav");
  const std::string tapFile_ = sessionFile("sinks-tap.wav");
};

}  // namespace

// Back and forth between the two sinks, then to the fallback when the default goes, and to the
// default back at another rate.
TEST_F(DefaultSinkChanges, EverySwitchTheFallbackAndASinkBackAtAnotherRateCarryTheTone) {
  const long switches = std::max(10L, fromEnvironment("VX_PW_SWITCHES", 10));
  ProcessFootprint afterFirst;
  for (long k = 0; k < switches; ++k) {
    const std::string sink = k % 2 == 0 ? kHeadphones : kSpeakers;
    ASSERT_TRUE(runSession("set-default " + sink));
    // The script returns once the session has made the switch.
    const auto switched = Clock::now();
    ASSERT_NO_FATAL_FAILURE(expectTheToneAt(sink, switched, "switch " + std::to_string(k + 1)));
    if (k == 0) afterFirst = ProcessFootprint::now();
  }
  const ProcessFootprint last = ProcessFootprint::now();
  expectFlat(afterFirst, last);
  std::printf("%ld switches; %s\n", switches, ProcessFootprint::change(afterFirst, last).c_str());
  ASSERT_TRUE(runSession("set-default " + kSpeakers));
  ASSERT_TRUE(runSession("unplug " + kSpeakers));
  auto changed = Clock::now();
  ASSERT_NO_FATAL_FAILURE(expectTheToneAt(kHeadphones, changed, "fallback"));
  ASSERT_TRUE(runSession("replug " + kSpeakers + " 44100"));
  ASSERT_TRUE(runSession("set-default " + kSpeakers));
  changed = Clock::now();
  ASSERT_NO_FATAL_FAILURE(expectTheToneAt(kSpeakers, changed, "back at 44.1 kHz"));
  EXPECT_EQ(monitor_.diagnostics().outputSampleRate, 44100.0);
  // Later tests expect the speakers at the graph's rate.
  runSession("unplug " + kSpeakers);
  runSession("replug " + kSpeakers);
  runSession("set-default " + kSpeakers);
}
