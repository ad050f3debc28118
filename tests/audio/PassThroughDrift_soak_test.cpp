// Minutes of audio through the whole path on simulated devices whose clocks disagree: capture
// callback, ring buffer, the real converter pulled by the playback callback, and the drift
// controller steering it.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

#include "audio/MonitoringEngine.h"
#include "platform/resampler/VarispeedUnit.h"
#include "platform/simulated/SimulatedAudioSignals.h"
#include "platform/simulated/SimulatedPlatform.h"
#include "support/SineAnalysis.h"

namespace {

constexpr double kInputRate = 48000;
constexpr double kOutputRate = 44100;
constexpr double kToneHz = 997;
constexpr float kToneAmplitude = 0.5f;
constexpr double kStep = 0.1;  // seconds between polls, as the controller roughly does

// The run lengths and the uncorrectable skew; the "long" test label sets the ten-minute and
// ±1500 ppm runs.
double fromEnvironment(const char* name, double fallback) {
  const char* text = std::getenv(name);
  return text != nullptr ? std::atof(text) : fallback;
}

// The real converter forced to its cheapest quality: for runs whose point is the ring's recovery
// rather than the sound, and which would otherwise take minutes of CPU.
class CheapVarispeed final : public AudioUnitInstance {
 public:
  OSStatus setProperty(AudioUnitPropertyID property, AudioUnitScope scope, AudioUnitElement element,
                       const void* data, UInt32 size) override {
    if (property == kAudioUnitProperty_RenderQuality) {
      const UInt32 lowest = kRenderQuality_Min;
      return inner_.setProperty(property, scope, element, &lowest, sizeof(lowest));
    }
    return inner_.setProperty(property, scope, element, data, size);
  }
  OSStatus getProperty(AudioUnitPropertyID property, AudioUnitScope scope, AudioUnitElement element,
                       void* data, UInt32* size) override {
    return inner_.getProperty(property, scope, element, data, size);
  }
  OSStatus setParameter(AudioUnitParameterID parameter, AudioUnitScope scope,
                        AudioUnitElement element, AudioUnitParameterValue value,
                        UInt32 offset) override {
    return inner_.setParameter(parameter, scope, element, value, offset);
  }
  OSStatus getParameter(AudioUnitParameterID parameter, AudioUnitScope scope,
                        AudioUnitElement element, AudioUnitParameterValue* value) override {
    return inner_.getParameter(parameter, scope, element, value);
  }
  OSStatus initialize() override { return inner_.initialize(); }
  OSStatus uninitialize() override { return inner_.uninitialize(); }
  OSStatus outputStart() override { return inner_.outputStart(); }
  OSStatus outputStop() override { return inner_.outputStop(); }
  OSStatus render(AudioUnitRenderActionFlags* flags, const AudioTimeStamp* stamp, UInt32 bus,
                  UInt32 frames, AudioBufferList* list) override {
    return inner_.render(flags, stamp, bus, frames, list);
  }

 private:
  VarispeedUnit inner_;
};

// What one run measured, per second of simulated time. The drift numbers are read right after
// each output cycle, where the controller itself reads the ring.
struct DriftRun {
  std::vector<double> ppm;               // mean reported rate correction
  std::vector<double> fillError;         // mean (buffered − target) / target
  std::vector<std::uint64_t> underruns;  // counters at the end of each second
  std::vector<std::uint64_t> overruns;
  std::vector<float> outputPeak;            // loudest output sample of each second (left)
  std::vector<std::vector<float>> windows;  // the left output of chosen seconds
  int runtimeFailures = 0;
};

DriftRun runDrift(double skewPPM, int seconds, bool cheapConverter,
                  const std::vector<int>& windowSeconds, UInt32 blockFrames = 512,
                  double outputRate = kOutputRate) {
  SimulatedPlatform platform;
  const AudioObjectID input = platform.plug({.uid = "interface",
                                             .name = "Interface",
                                             .inputChannels = 2,
                                             .sampleRate = kInputRate,
                                             .bufferFrames = blockFrames,
                                             .clockSkewPPM = skewPPM});
  const AudioObjectID output = platform.plug({.uid = "out",
                                              .name = "Out",
                                              .outputChannels = 2,
                                              .sampleRate = outputRate,
                                              .bufferFrames = blockFrames});
  for (UInt32 channel = 0; channel < 2; ++channel) {
    platform.world().device(input)->setInputSignal(
        channel, makeSineSignal(kToneHz, kToneAmplitude, kInputRate));
  }

  SimulatedAudioComponents cheap(platform.world(),
                                 [] { return std::make_unique<CheapVarispeed>(); });
  AudioComponentPort& components =
      cheapConverter ? static_cast<AudioComponentPort&>(cheap) : platform.components();
  MonitoringEngine engine(components, platform.sleep());

  DriftRun run;
  const auto secondsCount = static_cast<std::size_t>(seconds);
  run.outputPeak.assign(secondsCount, 0.0f);
  run.windows.resize(windowSeconds.size());
  std::vector<double> ppmSum(secondsCount), fillSum(secondsCount);
  std::vector<int> samples(secondsCount);
  run.underruns.assign(secondsCount, 0);
  run.overruns.assign(secondsCount, 0);
  // Under virtual time the sink runs on this thread, between cycles, so the engine may be asked.
  platform.world().device(output)->setOutputSink([&](const SimulatedOutputBlock& block) {
    const auto second =
        static_cast<std::size_t>(static_cast<double>(block.firstFrame) / outputRate);
    if (second >= secondsCount || !engine.isRunning()) return;
    for (std::size_t i = 0; i < block.left.size(); ++i) {
      run.outputPeak[second] = std::max(run.outputPeak[second], std::fabs(block.left[i]));
    }
    for (std::size_t w = 0; w < windowSeconds.size(); ++w) {
      if (static_cast<int>(second) != windowSeconds[w]) continue;
      run.windows[w].insert(run.windows[w].end(), block.left.begin(), block.left.end());
    }
    const RealtimeSnapshot snapshot =
        *engine.realtimeSnapshot(std::chrono::steady_clock::time_point{});
    if (snapshot.runtimeFailure) ++run.runtimeFailures;
    const double target = static_cast<double>(snapshot.diagnostics.targetBufferedFrames);
    ppmSum[second] += snapshot.diagnostics.rateCorrectionPPM;
    fillSum[second] += (static_cast<double>(snapshot.diagnostics.bufferedFrames) - target) / target;
    ++samples[second];
    run.underruns[second] = snapshot.diagnostics.underruns;
    run.overruns[second] = snapshot.diagnostics.overruns;
  });

  engine.start({input, AudioChannelPair{0, 1, "L", "R"}, kInputRate, blockFrames, output,
                outputRate, blockFrames},
               false);
  platform.world().advance(seconds);
  engine.stop();
  for (std::size_t s = 0; s < secondsCount; ++s) {
    run.ppm.push_back(samples[s] ? ppmSum[s] / samples[s] : 0.0);
    run.fillError.push_back(samples[s] ? fillSum[s] / samples[s] : 0.0);
  }
  return run;
}

// The worst fit over consecutive short windows. Over whole seconds the tone's phase wanders by the
// few ppm the controller's per-block steering leaves (inaudible, and not a fault of the signal
// path), so noise and distortion are judged over 10 ms, long enough for ten cycles of the tone.
SineFit worstShortWindow(std::span<const float> samples) {
  constexpr std::size_t kWindow = 441;
  SineFit worst{0, 0, 0, 1e9};
  for (std::size_t start = 0; start + kWindow <= samples.size(); start += kWindow) {
    const SineFit fit = fitSineFindingFrequency(samples.subspan(start, kWindow), kOutputRate,
                                                kToneHz - 5, kToneHz + 5);
    if (fit.snrDb < worst.snrDb) worst = fit;
  }
  return worst;
}

class CorrectableDrift : public ::testing::TestWithParam<double> {};

TEST_P(CorrectableDrift, SettlesWithinTwoMinutesAndPlaysTheSineCleanly) {
  const double skew = GetParam();
  const int seconds = static_cast<int>(fromEnvironment("VX_DRIFT_SECONDS", 150));
  ASSERT_GT(seconds, 130);
  const DriftRun run = runDrift(skew, seconds, false, {130, seconds - 2});
  const std::size_t settled = 120;

  EXPECT_EQ(run.runtimeFailures, 0);
  EXPECT_EQ(run.underruns.back(), run.underruns[settled]);
  EXPECT_EQ(run.overruns.back(), run.overruns[settled]);
  double worstPPM = 0;
  double lowestFill = 1, highestFill = -1;
  for (std::size_t s = settled; s < run.ppm.size(); ++s) {
    worstPPM = std::max(worstPPM, std::fabs(run.ppm[s] - skew));
    lowestFill = std::min(lowestFill, run.fillError[s]);
    highestFill = std::max(highestFill, run.fillError[s]);
  }
  EXPECT_LT(worstPPM, 5.0);
  // The proportional controller holds the fill skew / 10000 away from the target: 5 % at 500 ppm.
  const double expected = skew / 10000.0;
  EXPECT_NEAR(lowestFill, expected, 0.01);
  EXPECT_NEAR(highestFill, expected, 0.01);

  double worstSnr = 1e9;
  double wholeSecondSnr = 1e9;
  for (const auto& window : run.windows) {
    ASSERT_GT(window.size(), 44000u);  // the blocks that begin in that second
    const SineFit second = fitSineFindingFrequency(window, kOutputRate, kToneHz - 5, kToneHz + 5);
    EXPECT_NEAR(20 * std::log10(second.amplitude / kToneAmplitude), 0.0, 0.05);
    EXPECT_NEAR(second.frequency, kToneHz * (1 + skew * 1e-6), 0.01);
    const SineFit worst = worstShortWindow(window);
    EXPECT_GE(worst.snrDb, 90.0);
    worstSnr = std::min(worstSnr, worst.snrDb);
    wholeSecondSnr = std::min(wholeSecondSnr, second.snrDb);
  }
  std::printf(
      "skew %+g ppm: worst ppm error %.3f, fill error %.4f..%.4f, worst 10 ms SNR %.1f dB, "
      "worst 1 s SNR %.1f dB\n",
      skew, worstPPM, lowestFill, highestFill, worstSnr, wholeSecondSnr);
}

INSTANTIATE_TEST_SUITE_P(PlusAndMinusFiveHundredPPM, CorrectableDrift,
                         ::testing::Values(500.0, -500.0));

// Equal block periods whose phase slides by the skew: the fill right after the pull steps by a
// whole input block each time the two cycles cross, and the correction must not follow that step.
TEST(SlidingPhaseDrift, TheCorrectionHoldsTheSkewThroughEachCrossingOfTheCycles) {
  for (const double skew : {200.0, -200.0}) {
    const DriftRun run = runDrift(skew, 250, true, {}, 1024, kInputRate);
    double worstMean = 0, worstSecond = 0;
    for (std::size_t s = 90; s + 10 <= run.ppm.size(); s += 10) {
      double sum = 0;
      for (std::size_t k = s; k < s + 10; ++k) {
        sum += run.ppm[k];
        worstSecond = std::max(worstSecond, std::fabs(run.ppm[k] - skew));
      }
      worstMean = std::max(worstMean, std::fabs(sum / 10 - skew));
    }
    EXPECT_LT(worstMean, 20.0) << skew;
    EXPECT_LE(worstSecond, std::fabs(skew)) << skew;
    std::printf("sliding phase %+g ppm: worst 10 s mean error %.2f ppm, worst second %.2f ppm\n",
                skew, worstMean, worstSecond);
  }
}

// Beyond the ±1000 ppm the controller may apply, the ring must give way now and then, and the
// route must come back each time.
void expectRecoveryAfterEachEvent(const DriftRun& run, const std::vector<std::uint64_t>& events) {
  for (std::size_t s = 1; s < events.size(); ++s) {
    if (events[s] == events[s - 1]) continue;
    bool recovered = false;
    for (std::size_t later = s + 1; later < std::min(s + 3, run.outputPeak.size()); ++later) {
      recovered = recovered || run.outputPeak[later] > 0.9f * kToneAmplitude;
    }
    EXPECT_TRUE(recovered) << "no sound within 2 s of the event at " << s << " s";
  }
  for (float peak : run.outputPeak) EXPECT_LE(peak, kToneAmplitude * 1.01f);
}

// The fill moves by the skew beyond the correction's reach: at 500 ppm beyond, two overruns take
// 5200 s and two underruns 1200 s, so the time is scaled to the excess.
int secondsForTwoEvents(double excessPPM, double ppmSeconds) {
  return static_cast<int>(std::ceil(ppmSeconds / excessPPM));
}

TEST(UncorrectableDrift, AFastInputOverrunsPeriodicallyAndAFastOutputUnderrunsAndBothRecover) {
  const double skew = fromEnvironment("VX_DRIFT_UNCORRECTABLE_PPM", 5000);
  ASSERT_GT(skew, 1000);
  const int fastSeconds = secondsForTwoEvents(skew - 1000, 5200 * 500.0);
  const DriftRun fast = runDrift(skew, fastSeconds, true, {});
  EXPECT_GE(fast.overruns.back(), 2u);
  EXPECT_EQ(fast.underruns.back(), 0u);
  expectRecoveryAfterEachEvent(fast, fast.overruns);
  const int slowSeconds = secondsForTwoEvents(skew - 1000, 1200 * 500.0);
  const DriftRun slow = runDrift(-skew, slowSeconds, true, {});
  EXPECT_GE(slow.underruns.back(), 2u);
  EXPECT_EQ(slow.overruns.back(), 0u);
  expectRecoveryAfterEachEvent(slow, slow.underruns);
  std::printf("%+g ppm: %llu overruns in %d s; %+g ppm: %llu underruns in %d s\n", skew,
              static_cast<unsigned long long>(fast.overruns.back()), fastSeconds, -skew,
              static_cast<unsigned long long>(slow.underruns.back()), slowSeconds);
}

}  // namespace
