#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <span>
#include <string>
#include <vector>

#include "platform/resampler/RenderQualityConverter.h"
#include "platform/resampler/StereoBufferList.h"
#include "platform/resampler/VarispeedUnit.h"
#include "support/SineAnalysis.h"

namespace {

constexpr UInt32 kBlock = 512;
constexpr double kToneFrequency = 997.0;

// One second of a 997 Hz sine holds a whole number of periods, so looping it is seamless and the
// input callback costs no more than a copy.
struct LoopedSine {
  explicit LoopedSine(double rate) : table(static_cast<std::size_t>(rate)) {
    for (std::size_t n = 0; n < table.size(); ++n) {
      table[n] = static_cast<float>(
          0.5 * std::sin(2.0 * std::numbers::pi * kToneFrequency * static_cast<double>(n) / rate));
    }
  }
  static OSStatus render(void* context, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32,
                         UInt32 frames, AudioBufferList* data) {
    auto& self = *static_cast<LoopedSine*>(context);
    auto* left = static_cast<float*>(data->mBuffers[0].mData);
    auto* right = static_cast<float*>(data->mBuffers[1].mData);
    for (UInt32 frame = 0; frame < frames; ++frame) {
      left[frame] = right[frame] = self.table[self.position];
      self.position = (self.position + 1) % self.table.size();
    }
    return noErr;
  }
  std::vector<float> table;
  std::size_t position = 0;
};

void configure(VarispeedUnit& unit, LoopedSine& source, UInt32 quality, double inputRate,
               double outputRate) {
  const UInt32 maximumFrames = 8192;
  unit.setProperty(kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0,
                   &maximumFrames, sizeof(maximumFrames));
  unit.setProperty(kAudioUnitProperty_RenderQuality, kAudioUnitScope_Global, 0, &quality,
                   sizeof(quality));
  const AudioStreamBasicDescription input{inputRate, kAudioFormatLinearPCM, 0x29, 4, 1, 4, 2, 32,
                                          0};
  AudioStreamBasicDescription output = input;
  output.mSampleRate = outputRate;
  unit.setProperty(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0, &input,
                   sizeof(input));
  unit.setProperty(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, &output,
                   sizeof(output));
  const AURenderCallbackStruct callback{&LoopedSine::render, &source};
  unit.setProperty(kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, &callback,
                   sizeof(callback));
}

// SNR of one second of left output, after the start-up transient.
double measureSnr(UInt32 quality, double inputRate, double outputRate) {
  VarispeedUnit unit;
  LoopedSine source(inputRate);
  configure(unit, source, quality, inputRate, outputRate);
  if (unit.initialize() != noErr) return 0.0;
  std::vector<float> left(kBlock);
  std::vector<float> right(kBlock);
  StereoBufferList buffers;
  std::vector<float> stream;
  AudioUnitRenderActionFlags flags = 0;
  const AudioTimeStamp time{};
  const auto settled = static_cast<std::size_t>(outputRate / 10);
  const auto second = static_cast<std::size_t>(outputRate);
  while (stream.size() < settled + second) {
    buffers.point(left.data(), right.data(), kBlock);
    if (unit.render(&flags, &time, 0, kBlock, buffers.get()) != noErr) return 0.0;
    stream.insert(stream.end(), left.begin(), left.end());
  }
  return fitSine(std::span<const float>(stream.data() + settled, second), outputRate,
                 kToneFrequency)
      .snrDb;
}

// Arguments: the RenderQuality property (each value picked stands for one filter length), the
// input rate and the output rate in Hz.
void BM_VarispeedRender(benchmark::State& state) {
  const auto quality = static_cast<UInt32>(state.range(0));
  const auto inputRate = static_cast<double>(state.range(1));
  const auto outputRate = static_cast<double>(state.range(2));
  VarispeedUnit unit;
  LoopedSine source(inputRate);
  configure(unit, source, quality, inputRate, outputRate);
  if (unit.initialize() != noErr) {
    state.SkipWithError("initialize failed");
    return;
  }
  std::vector<float> left(kBlock);
  std::vector<float> right(kBlock);
  StereoBufferList buffers;
  AudioUnitRenderActionFlags flags = 0;
  const AudioTimeStamp time{};
  for (auto _ : state) {
    buffers.point(left.data(), right.data(), kBlock);
    benchmark::DoNotOptimize(unit.render(&flags, &time, 0, kBlock, buffers.get()));
    benchmark::ClobberMemory();
  }
  state.SetLabel("hlen " + std::to_string(converterForRenderQuality(quality)));
  state.counters["snr_dB"] = measureSnr(quality, inputRate, outputRate);
  state.counters["latency_frames"] = unit.latencyFrames();
}
BENCHMARK(BM_VarispeedRender)
    ->ArgNames({"quality", "in", "out"})
    ->Args({kRenderQuality_Max, 48000, 44100})
    ->Args({kRenderQuality_Medium, 48000, 44100})
    ->Args({kRenderQuality_Low, 48000, 44100})
    ->Args({kRenderQuality_Min, 48000, 44100})
    // Downsampling widens the filter by the rate ratio: the costliest routes.
    ->Args({kRenderQuality_Max, 96000, 48000})
    ->Args({kRenderQuality_Max, 192000, 44100})
    ->Args({kRenderQuality_Medium, 192000, 44100})
    ->Args({kRenderQuality_Max, 44100, 48000});

}  // namespace
