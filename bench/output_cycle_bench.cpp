// One whole output cycle as the output device's thread runs it: the playback callback pulls the
// varispeed, which reads the ring through its input callback, then the envelope and the drift
// steering run. 512-frame blocks at 48000 → 44100 Hz, for each converter quality band.

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "audio/PlaybackCallbackContext.h"
#include "audio/RenderCallbacks.h"
#include "audio/RingReadCallbackContext.h"
#include "platform/resampler/StereoBufferList.h"
#include "platform/resampler/VarispeedUnit.h"
#include "ringbuffer/VXRingBuffer.h"

namespace {

constexpr UInt32 kBlock = 512;
constexpr double kInputRate = 48000;
constexpr double kOutputRate = 44100;
constexpr UInt32 kTarget = 8750;

void OutputCycle(benchmark::State& state) {
  const auto quality = static_cast<UInt32>(state.range(0));
  VXRingBufferRef ring = VXRingBufferCreate(48000, kTarget);
  RingReadCallbackContext readContext{ring};
  VarispeedUnit varispeed;
  const UInt32 maximumFrames = 8192;
  varispeed.setProperty(kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0,
                        &maximumFrames, sizeof(maximumFrames));
  varispeed.setProperty(kAudioUnitProperty_RenderQuality, kAudioUnitScope_Global, 0, &quality,
                        sizeof(quality));
  AudioStreamBasicDescription format{kInputRate, kAudioFormatLinearPCM, 0x29, 4, 1, 4, 2, 32, 0};
  varispeed.setProperty(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0, &format,
                        sizeof(format));
  format.mSampleRate = kOutputRate;
  varispeed.setProperty(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, &format,
                        sizeof(format));
  const AURenderCallbackStruct pull{ringReadCallback, &readContext};
  varispeed.setProperty(kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, &pull,
                        sizeof(pull));
  if (varispeed.initialize() != noErr) {
    state.SkipWithError("the converter did not initialize");
    return;
  }
  PlaybackCallbackContext context{ring, kOutputRate, &varispeed, 1.0};
  std::vector<float> left(kBlock), right(kBlock);
  StereoBufferList output;

  std::vector<float> input(2048);
  std::uint64_t written = 0;
  const auto refill = [&] {
    while (VXRingBufferBufferedFrames(ring) < kTarget + 1024) {
      for (std::size_t i = 0; i < input.size(); ++i) {
        input[i] =
            static_cast<float>(0.5 * std::sin(2 * std::numbers::pi * 997.0 *
                                              static_cast<double>(written + i) / kInputRate));
      }
      written += VXRingBufferWrite(ring, input.data(), input.data(), 2048);
    }
  };
  for (auto _ : state) {
    state.PauseTiming();
    refill();
    output.point(left.data(), right.data(), kBlock);
    state.ResumeTiming();
    const OSStatus status =
        playbackOutputCallback(&context, nullptr, nullptr, 0, kBlock, output.get());
    benchmark::DoNotOptimize(status);
  }
  varispeed.uninitialize();
  VXRingBufferDestroy(ring);
}

BENCHMARK(OutputCycle)
    ->ArgName("quality")
    ->Arg(127)
    ->Arg(64)
    ->Arg(32)
    ->Arg(0)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
