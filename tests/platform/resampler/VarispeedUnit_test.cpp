#include "platform/resampler/VarispeedUnit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <span>
#include <vector>

#include "platform/resampler/StereoBufferList.h"
#include "support/SineAnalysis.h"

namespace {

constexpr UInt32 kBlock = 512;

AudioStreamBasicDescription planarStereoFormat(Float64 rate) {
  return AudioStreamBasicDescription{rate, kAudioFormatLinearPCM, 0x29, 4, 1, 4, 2, 32, 0};
}

// The input side: a 997 Hz sine on the left and a 1499 Hz sine on the right, phase-continuous
// across pulls, so that a swapped or misinterleaved channel shows up in the fits.
struct SineSource {
  static constexpr double kLeftFrequency = 997.0;
  static constexpr double kRightFrequency = 1499.0;
  static constexpr double kLeftAmplitude = 0.5;
  static constexpr double kRightAmplitude = 0.25;

  double rate = 48000.0;
  UInt64 framesPulled = 0;
  int pulls = 0;
  int failOnPull = -1;
  OSStatus failure = noErr;
  bool claimSilence = false;

  static OSStatus render(void* context, AudioUnitRenderActionFlags* flags, const AudioTimeStamp*,
                         UInt32, UInt32 frames, AudioBufferList* data) {
    auto& self = *static_cast<SineSource*>(context);
    if (self.pulls++ == self.failOnPull) return self.failure;
    auto* left = static_cast<float*>(data->mBuffers[0].mData);
    auto* right = static_cast<float*>(data->mBuffers[1].mData);
    for (UInt32 frame = 0; frame < frames; ++frame) {
      const double time = static_cast<double>(self.framesPulled + frame) / self.rate;
      left[frame] = static_cast<float>(kLeftAmplitude *
                                       std::sin(2.0 * std::numbers::pi * kLeftFrequency * time));
      right[frame] = static_cast<float>(kRightAmplitude *
                                        std::sin(2.0 * std::numbers::pi * kRightFrequency * time));
      if (self.claimSilence) left[frame] = right[frame] = std::numeric_limits<float>::quiet_NaN();
    }
    if (self.claimSilence) *flags |= kAudioUnitRenderAction_OutputIsSilence;
    self.framesPulled += frames;
    return noErr;
  }
};

OSStatus setUInt32(VarispeedUnit& unit, AudioUnitPropertyID property, UInt32 value,
                   AudioUnitScope scope = kAudioUnitScope_Global, AudioUnitElement element = 0) {
  return unit.setProperty(property, scope, element, &value, sizeof(value));
}

OSStatus setFormat(VarispeedUnit& unit, AudioUnitScope scope,
                   const AudioStreamBasicDescription& format, AudioUnitElement element = 0) {
  return unit.setProperty(kAudioUnitProperty_StreamFormat, scope, element, &format, sizeof(format));
}

OSStatus setCallback(VarispeedUnit& unit, SineSource& source) {
  const AURenderCallbackStruct callback{&SineSource::render, &source};
  return unit.setProperty(kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, &callback,
                          sizeof(callback));
}

void configure(VarispeedUnit& unit, SineSource& source, Float64 inputRate, Float64 outputRate) {
  source.rate = inputRate;
  ASSERT_EQ(setUInt32(unit, kAudioUnitProperty_MaximumFramesPerSlice, 8192), noErr);
  ASSERT_EQ(setFormat(unit, kAudioUnitScope_Input, planarStereoFormat(inputRate)), noErr);
  ASSERT_EQ(setFormat(unit, kAudioUnitScope_Output, planarStereoFormat(outputRate)), noErr);
  ASSERT_EQ(setCallback(unit, source), noErr);
}

// Two output channels of `frames` frames and a buffer list pointing at them.
struct StereoOutput {
  explicit StereoOutput(UInt32 frames) : left(frames), right(frames) {
    buffers.point(left.data(), right.data(), frames);
  }
  std::vector<float> left;
  std::vector<float> right;
  StereoBufferList buffers;
  AudioBufferList* get() { return buffers.get(); }
};

OSStatus renderBlock(VarispeedUnit& unit, StereoOutput& output, UInt32 frames = kBlock) {
  AudioUnitRenderActionFlags flags = 0;
  const AudioTimeStamp time{};
  return unit.render(&flags, &time, 0, frames, output.get());
}

// Renders `blocks` blocks and returns both channels end to end.
void renderStream(VarispeedUnit& unit, int blocks, std::vector<float>& left,
                  std::vector<float>& right) {
  StereoOutput output(kBlock);
  for (int block = 0; block < blocks; ++block) {
    ASSERT_EQ(renderBlock(unit, output), noErr);
    left.insert(left.end(), output.left.begin(), output.left.end());
    right.insert(right.end(), output.right.begin(), output.right.end());
  }
}

double decibels(double ratio) {
  return 20.0 * std::log10(ratio);
}

TEST(VarispeedUnitProperties, StreamFormatsAcceptOnlyPlanarStereoFloatFrom8To192kHz) {
  VarispeedUnit unit;
  AudioStreamBasicDescription read{};
  UInt32 size = sizeof(read);
  EXPECT_EQ(
      unit.getProperty(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0, &read, &size),
      kAudioUnitErr_FormatNotSupported);

  EXPECT_EQ(setFormat(unit, kAudioUnitScope_Input, planarStereoFormat(8000.0)), noErr);
  EXPECT_EQ(setFormat(unit, kAudioUnitScope_Output, planarStereoFormat(192000.0)), noErr);
  EXPECT_EQ(
      unit.getProperty(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0, &read, &size),
      noErr);
  EXPECT_EQ(read.mSampleRate, 8000.0);
  EXPECT_EQ(
      unit.getProperty(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, &read, &size),
      noErr);
  EXPECT_EQ(read.mSampleRate, 192000.0);
  EXPECT_EQ(read.mFormatFlags, 0x29u);

  std::vector<AudioStreamBasicDescription> refused(8, planarStereoFormat(48000.0));
  refused[0].mSampleRate = 7999.0;
  refused[1].mSampleRate = 192001.0;
  refused[2].mSampleRate = std::numeric_limits<double>::quiet_NaN();
  refused[3].mFormatFlags = kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked;
  refused[4].mChannelsPerFrame = 1;
  refused[5].mBitsPerChannel = 16;
  refused[6].mFormatID = FourCharCode("aac ");
  refused[7].mBytesPerFrame = 8;
  for (const AudioStreamBasicDescription& format : refused) {
    EXPECT_EQ(setFormat(unit, kAudioUnitScope_Input, format), kAudioUnitErr_FormatNotSupported);
  }
}

TEST(VarispeedUnitProperties, RenderingSetupIsFrozenWhileInitialized) {
  VarispeedUnit unit;
  SineSource source;
  configure(unit, source, 48000.0, 44100.0);
  ASSERT_EQ(unit.initialize(), noErr);
  EXPECT_EQ(setUInt32(unit, kAudioUnitProperty_MaximumFramesPerSlice, 512),
            kAudioUnitErr_Initialized);
  EXPECT_EQ(setUInt32(unit, kAudioUnitProperty_RenderQuality, 0), kAudioUnitErr_Initialized);
  EXPECT_EQ(setFormat(unit, kAudioUnitScope_Output, planarStereoFormat(96000.0)),
            kAudioUnitErr_Initialized);
  EXPECT_EQ(setCallback(unit, source), kAudioUnitErr_Initialized);
  EXPECT_EQ(unit.uninitialize(), noErr);
  EXPECT_EQ(setUInt32(unit, kAudioUnitProperty_MaximumFramesPerSlice, 512), noErr);
}

TEST(VarispeedUnitParameters, PlaybackRateDefaultsToOneAndAcceptsAQuarterToFour) {
  VarispeedUnit unit;
  AudioUnitParameterValue rate = 0.0f;
  EXPECT_EQ(unit.getParameter(kVarispeedParam_PlaybackRate, kAudioUnitScope_Global, 0, &rate),
            noErr);
  EXPECT_EQ(rate, 1.0f);
  for (const float accepted : {0.25f, 1.001f, 4.0f}) {
    EXPECT_EQ(
        unit.setParameter(kVarispeedParam_PlaybackRate, kAudioUnitScope_Global, 0, accepted, 0),
        noErr);
    EXPECT_EQ(unit.getParameter(kVarispeedParam_PlaybackRate, kAudioUnitScope_Global, 0, &rate),
              noErr);
    EXPECT_EQ(rate, accepted);
  }
  for (const float refused : {0.24f, 4.01f, 0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN(),
                              std::numeric_limits<float>::infinity()}) {
    EXPECT_EQ(
        unit.setParameter(kVarispeedParam_PlaybackRate, kAudioUnitScope_Global, 0, refused, 0),
        kAudioUnitErr_InvalidParameter);
  }
  EXPECT_EQ(unit.getParameter(kVarispeedParam_PlaybackRate, kAudioUnitScope_Global, 0, &rate),
            noErr);
  EXPECT_EQ(rate, 4.0f);
}

TEST(VarispeedUnitLifecycle, InitializeNeedsBothFormatsAndACallback) {
  VarispeedUnit unit;
  SineSource source;
  EXPECT_EQ(unit.initialize(), kAudioUnitErr_FormatNotSupported);
  ASSERT_EQ(setFormat(unit, kAudioUnitScope_Input, planarStereoFormat(48000.0)), noErr);
  EXPECT_EQ(unit.initialize(), kAudioUnitErr_FormatNotSupported);
  ASSERT_EQ(setFormat(unit, kAudioUnitScope_Output, planarStereoFormat(44100.0)), noErr);
  EXPECT_EQ(unit.initialize(), kAudioUnitErr_NoConnection);
  ASSERT_EQ(setCallback(unit, source), noErr);
  EXPECT_EQ(unit.initialize(), noErr);
}

TEST(VarispeedUnitRender, RefusesBadBlocksWithoutPullingInput) {
  VarispeedUnit unit;
  SineSource source;
  configure(unit, source, 48000.0, 44100.0);
  ASSERT_EQ(setUInt32(unit, kAudioUnitProperty_MaximumFramesPerSlice, 1024), noErr);
  ASSERT_EQ(unit.initialize(), noErr);

  StereoOutput large(1025);
  EXPECT_EQ(renderBlock(unit, large, 1025), kAudioUnitErr_TooManyFramesToProcess);
  EXPECT_EQ(renderBlock(unit, large, 1024), noErr);
  const int pullsSoFar = source.pulls;

  AudioUnitRenderActionFlags flags = 0;
  const AudioTimeStamp time{};
  EXPECT_EQ(unit.render(&flags, &time, 0, kBlock, nullptr), kAudio_ParamError);
  StereoOutput output(kBlock);
  EXPECT_EQ(unit.render(&flags, &time, 1, kBlock, output.get()), kAudioUnitErr_InvalidElement);
  output.get()->mNumberBuffers = 1;
  EXPECT_EQ(renderBlock(unit, output), kAudio_ParamError);
  output.get()->mNumberBuffers = 2;
  output.get()->mBuffers[1].mDataByteSize = kBlock * 4 - 4;
  EXPECT_EQ(renderBlock(unit, output), kAudio_ParamError);
  output.get()->mBuffers[1].mDataByteSize = kBlock * 4;
  output.get()->mBuffers[0].mData = nullptr;
  EXPECT_EQ(renderBlock(unit, output), kAudio_ParamError);
  EXPECT_EQ(source.pulls, pullsSoFar);
}

TEST(VarispeedUnitRender, ConvertsASineFrom48To44_1kHzAtUnityGainAndHighSnr) {
  VarispeedUnit unit;
  SineSource source;
  configure(unit, source, 48000.0, 44100.0);
  ASSERT_EQ(unit.initialize(), noErr);
  std::vector<float> left;
  std::vector<float> right;
  renderStream(unit, 120, left, right);

  // Past the converter's start-up transient, one second of output.
  const std::size_t settled = 4410;
  const std::span<const float> steadyLeft(left.data() + settled, 44100);
  const std::span<const float> steadyRight(right.data() + settled, 44100);
  const SineFit leftFit = fitSine(steadyLeft, 44100.0, SineSource::kLeftFrequency);
  const SineFit rightFit = fitSine(steadyRight, 44100.0, SineSource::kRightFrequency);
  EXPECT_NEAR(decibels(leftFit.amplitude / SineSource::kLeftAmplitude), 0.0, 0.05);
  EXPECT_NEAR(decibels(rightFit.amplitude / SineSource::kRightAmplitude), 0.0, 0.05);
  EXPECT_GE(leftFit.snrDb, 90.0);
  EXPECT_GE(rightFit.snrDb, 90.0);
}

TEST(VarispeedUnitRender, PlaybackRateConsumesInputFasterAndRaisesThePitch) {
  VarispeedUnit unit;
  SineSource source;
  configure(unit, source, 48000.0, 44100.0);
  ASSERT_EQ(unit.setParameter(kVarispeedParam_PlaybackRate, kAudioUnitScope_Global, 0, 1.001f, 0),
            noErr);
  ASSERT_EQ(unit.initialize(), noErr);
  const double rate = static_cast<double>(1.001f);

  std::vector<float> left;
  std::vector<float> right;
  renderStream(unit, 100, left, right);
  const UInt64 pulledBefore = source.framesPulled;
  constexpr int kBlocks = 2500;
  renderStream(unit, kBlocks, left, right);
  // Whole-chunk pulls blur the count by less than one chunk, under 1e-4 of this many frames.
  const double consumed = static_cast<double>(source.framesPulled - pulledBefore);
  const double expected = kBlocks * kBlock * 48000.0 / 44100.0 * rate;
  EXPECT_NEAR(consumed / expected, 1.0, 1e-4);

  const std::span<const float> tail(left.data() + left.size() - 44100, 44100);
  const SineFit fit = fitSineFindingFrequency(tail, 44100.0, 990.0, 1010.0);
  EXPECT_NEAR(fit.frequency, SineSource::kLeftFrequency * rate, 0.01);
}

TEST(VarispeedUnitRender, HoldsBackItsLatencyPlusLessThanAChunkOfInput) {
  VarispeedUnit unit;
  SineSource source;
  configure(unit, source, 48000.0, 44100.0);
  EXPECT_EQ(unit.latencyFrames(), 0.0);
  ASSERT_EQ(unit.initialize(), noErr);
  EXPECT_GT(unit.latencyFrames(), 0.0);

  StereoOutput output(kBlock);
  for (int block = 1; block <= 40; ++block) {
    ASSERT_EQ(renderBlock(unit, output), noErr);
    // The input position of the last output frame, against the last input frame pulled.
    const double lastOutputPosition = (block * kBlock - 1) * 48000.0 / 44100.0;
    const double heldBack = static_cast<double>(source.framesPulled - 1) - lastOutputPosition;
    EXPECT_GE(heldBack, unit.latencyFrames() - 1.0);
    EXPECT_LT(heldBack, unit.latencyFrames() + VarispeedUnit::kInputChunkFrames);
  }
}

TEST(VarispeedUnitRender, InputFailureEndsTheBlockWithItsStatusAndTheNextBlockRecovers) {
  VarispeedUnit unit;
  SineSource source;
  configure(unit, source, 48000.0, 44100.0);
  ASSERT_EQ(unit.initialize(), noErr);
  StereoOutput output(kBlock);
  ASSERT_EQ(renderBlock(unit, output), noErr);

  source.failOnPull = source.pulls;
  source.failure = -10863;
  EXPECT_EQ(renderBlock(unit, output), -10863);
  // The failed pull is the last one of that block.
  EXPECT_EQ(source.pulls, source.failOnPull + 1);
  EXPECT_EQ(renderBlock(unit, output), noErr);
}

TEST(VarispeedUnitRender, InputMarkedSilentIsRenderedAsSilence) {
  VarispeedUnit unit;
  SineSource source;
  source.claimSilence = true;
  configure(unit, source, 48000.0, 44100.0);
  ASSERT_EQ(unit.initialize(), noErr);
  StereoOutput output(kBlock);
  for (int block = 0; block < 4; ++block) {
    ASSERT_EQ(renderBlock(unit, output), noErr);
    for (UInt32 frame = 0; frame < kBlock; ++frame) {
      ASSERT_EQ(output.left[frame], 0.0f);
      ASSERT_EQ(output.right[frame], 0.0f);
    }
  }
}

}  // namespace
