#pragma once

#include <algorithm>
#include <chrono>
#include <cmath>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/pipewire/PipeWireTestSession.h"
#include "platform/pipewire/RouteAnalysis.h"
#include "platform/pipewire/WaveFiles.h"
#include "support/SineAnalysis.h"

// Plays a known signal into the interface and taps, on one timeline, what the interface carried
// on the monitored pair and what a sink played: the measurement behind every end-to-end test.
namespace pipewire_test {

inline constexpr double kRate = 48000.0;
// The monitored pair, channels 3 and 4 of the interface (2-3 counted from 0).
inline const std::string kPair = "2-3";
inline const MultiTone kLeftSignal{{{311.0, 0.3}, {887.0, 0.2}, {1531.0, 0.1}}, kRate};
inline const MultiTone kRightSignal{{{397.0, 0.25}, {1051.0, 0.2}, {2203.0, 0.1}}, kRate};
// Tones on channels 1, 2, 5 and 8, which must not come through.
inline const std::vector<Partial> kOtherTones{
    {700.0, 0.4}, {2100.0, 0.4}, {5000.0, 0.4}, {9000.0, 0.4}};
inline const std::string kFeedChannels = "2 3 0 1 4 7";

struct RouteMeasurement {
  bool arrived = false;
  // From the interface to the sink, in frames.
  double latencyFrames = 0;
  // The worst of the short stretches compared, per side.
  double leftCorrelation = 0, rightCorrelation = 0;
  double leftLevelDb = 0, rightLevelDb = 0;
  // The loudest of the other channels' tones found in either side, in dBFS.
  double otherChannelsDb = -300;
};

class RouteProbe {
 public:
  RouteProbe() {
    const auto frames = static_cast<std::size_t>(kRate * kSignalSeconds);
    std::vector<std::vector<float>> channels{kLeftSignal.samples(frames),
                                             kRightSignal.samples(frames)};
    for (const Partial& tone : kOtherTones) {
      channels.push_back(MultiTone{{{tone.frequency, tone.amplitude}}, kRate}.samples(frames));
    }
    writeFloatWave(signalFile_, channels, kRate);
  }

  // Feeds the signal while tapping the interface's pair and the sink's monitor.
  RouteMeasurement measure(const std::string& sink) {
    auto tap = std::async(std::launch::async, [&] {
      return runSession("tap " + tapFile_ + " " + std::to_string(kTapSeconds) + " " + kInterface +
                        ":capture_AUX2 " + sink + ":monitor_FL " + sink + ":monitor_FR");
    });
    // The tap links its ports first, so that it sees the signal begin.
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    const bool fed = runSession("feed " + signalFile_ + " " + kFeedChannels);
    if (!tap.get() || !fed) return {};
    return analyse(readFloatWave(tapFile_, 3));
  }

 private:
  static constexpr double kSignalSeconds = 3.0;
  static constexpr int kTapSeconds = 4;
  static constexpr std::size_t kStretch = 1024;
  static constexpr std::size_t kStretches = 20;

  static RouteMeasurement analyse(const std::vector<std::vector<float>>& tap) {
    const std::span<const float> in = tap[0], left = tap[1], right = tap[2];
    RouteMeasurement result;
    const auto inOnset = onset(in, 1e-4f);
    const auto outOnset = onset(left, 0.01f);
    if (!inOnset || !outOnset) return result;
    // Where the signal began on the interface, exactly: the tap carries it sample for sample.
    const std::size_t inProbe = *inOnset + 4800;
    if (inProbe + kStretch > in.size()) return result;
    const Match inMatch = locate(in.subspan(inProbe, kStretch), kLeftSignal, 4800.0, 16);
    const double signalStart = static_cast<double>(inProbe) - inMatch.position;

    // Short stretches, each aligned on its own: the drift correction may bend time by a few
    // parts per million, which a single long alignment would count as mismatch.
    const std::size_t first = *outOnset + 4800;
    const std::size_t span = (kStretches - 1) * 2400 + kStretch;
    if (first + std::max<std::size_t>(span, 48000) > left.size()) return result;
    result.arrived = true;
    result.leftCorrelation = result.rightCorrelation = 1.0;
    double latency = 0.0;
    for (std::size_t k = 0; k < kStretches; ++k) {
      const std::size_t at = first + k * 2400;
      const double guess = static_cast<double>(at - *outOnset);
      const Match l = locate(left.subspan(at, kStretch), kLeftSignal, guess, 64);
      const Match r = locate(right.subspan(at, kStretch), kRightSignal, l.position, 2);
      result.leftCorrelation = std::min(result.leftCorrelation, l.correlation);
      result.rightCorrelation = std::min(result.rightCorrelation, r.correlation);
      latency += static_cast<double>(at) - (signalStart + l.position);
    }
    result.latencyFrames = latency / kStretches;

    const auto second = [&](std::span<const float> side) { return side.subspan(first, 48000); };
    // Over a whole second the partials, all of whole hertz, add up in power.
    const auto reference = [](const MultiTone& signal) {
      double power = 0.0;
      for (const Partial& p : signal.partials) power += p.amplitude * p.amplitude / 2.0;
      return std::sqrt(power);
    };
    result.leftLevelDb = 20.0 * std::log10(rms(second(left)) / reference(kLeftSignal));
    result.rightLevelDb = 20.0 * std::log10(rms(second(right)) / reference(kRightSignal));
    for (const Partial& tone : kOtherTones) {
      for (std::span<const float> side : {left, right}) {
        const double amplitude = fitSine(second(side), kRate, tone.frequency).amplitude;
        result.otherChannelsDb = std::max(result.otherChannelsDb, 20.0 * std::log10(amplitude));
      }
    }
    return result;
  }

  const std::string signalFile_ = sessionFile("route-signal.wav");
  const std::string tapFile_ = sessionFile("route-tap.wav");
};

}  // namespace pipewire_test
