#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "platform/pipewire/ControllerOnPipeWire.h"
#include "platform/pipewire/PipeWireTestSession.h"
#include "platform/pipewire/RouteProbe.h"

using namespace pipewire_test;
using namespace std::chrono_literals;

// The interface on a clock of its own, as a card's crystal is, PPM off the sinks' (the graph's
// quantum, 1024). VX_PW_DRIFT_PPM replaces both rows' skew by +-that; VX_PW_DRIFT_LATENCY=low runs
// the low-latency route.
class ClockDrift : public testing::TestWithParam<double> {};

TEST_P(ClockDrift, TheCorrectionSettlesOnTheSkewAndHoldsItWithoutSwinging) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the loop's settling is measured in the plain build; this one only slows it";
#endif
  const long custom = fromEnvironment("VX_PW_DRIFT_PPM", 0);
  const double skew =
      custom != 0 ? std::copysign(static_cast<double>(custom), GetParam()) : GetParam();
  const long settling = fromEnvironment("VX_PW_DRIFT_SETTLING_SECONDS", 60);
  const long seconds = settling + fromEnvironment("VX_PW_DRIFT_SECONDS", 20);
  const char* latency = std::getenv("VX_PW_DRIFT_LATENCY");
  setenv("VX_PW_SKEWED_CLOCK", VX_SKEWED_CLOCK, 1);
  // The tests after this one expect the interface on the graph's clock, however this one ends.
  struct Restore {
    ~Restore() { runSession("skew-interface 0"); }
  } restore;
  ASSERT_TRUE(runSession("skew-interface " + std::to_string(skew)));
  ControllerOnPipeWire monitor;
  if (latency != nullptr && std::string(latency) == "low") {
    monitor.onController([](MonitorViewModel& controller) {
      controller.setRouteLatency(RouteLatency::low);
      return 0;
    });
  }
  monitor.startMonitoring(kInterface, kPair);
  ASSERT_TRUE(monitor.waitForPhase(MonitoringPhase::Kind::running, 3s, kSpeakers));
  // The readout, as the diagnostics show it once a second.
  std::vector<double> ppm;
  const auto started = std::chrono::steady_clock::now();
  for (long second = 1; second <= seconds; ++second) {
    std::this_thread::sleep_until(started + second * 1s);
    ppm.push_back(monitor.diagnostics().rateCorrectionPPM);
  }
  // The whole course, for the log: where it settled, and what a step in the fill did.
  for (const double value : ppm) std::printf("%.0f ", value);
  const EngineDiagnostics diagnostics = monitor.diagnostics();
  EXPECT_EQ(monitor.phase(), MonitoringPhase::Kind::running);
  const auto [lowest, highest] = std::minmax_element(ppm.begin() + settling, ppm.end());
  EXPECT_LE(std::max(std::fabs(*lowest), std::fabs(*highest)), 2 * std::fabs(skew));
  // Every 10 s, as a reader of the readout would average it.
  double worstMean = 0;
  for (auto first = ppm.begin() + settling; first + 10 <= ppm.end(); ++first) {
    const double mean = std::accumulate(first, first + 10, 0.0) / 10;
    worstMean = std::max(worstMean, std::fabs(mean - skew));
  }
  EXPECT_LE(worstMean, 20.0);
  std::printf(
      "ppm\nskew %+.0f ppm, %s route: worst 10 s mean %.1f ppm off after %ld s, readout %.1f..%.1f "
      "ppm after it; underruns %llu, overruns %llu\n",
      skew, latency != nullptr ? latency : "standard", worstMean, settling, *lowest, *highest,
      static_cast<unsigned long long>(diagnostics.underruns),
      static_cast<unsigned long long>(diagnostics.overruns));
}

INSTANTIATE_TEST_SUITE_P(Skews, ClockDrift, testing::Values(200.0, -200.0));
