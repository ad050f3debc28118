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
constexpr double kLeftHz = 997.0, kRightHz = 1499.0, kLeftAmplitude = 0.5, kRightAmplitude = 0.25;
constexpr AudioUnitScope G = kAudioUnitScope_Global;

AudioStreamBasicDescription planarStereo(Float64 rate, UInt32 flags = 0x29, UInt32 bytes = 4,
                                         UInt32 channels = 2, UInt32 bits = 32,
                                         AudioFormatID format = kAudioFormatLinearPCM) {
  return {rate, format, flags, bytes, 1, bytes, channels, bits, 0};
}

// Two output channels of `frames` frames and a buffer list pointing at them.
struct StereoOutput {
  explicit StereoOutput(UInt32 frames) : left(frames), right(frames) {
    buffers.point(left.data(), right.data(), frames);
  }
  std::vector<float> left, right;
  StereoBufferList buffers;
};

// A converter from 48 to 44.1 kHz fed a 997 Hz sine on the left and a 1499 Hz sine on the right,
// phase-continuous across pulls, so that a swapped or misinterleaved channel shows in the fits.
struct Varispeed : ::testing::Test {
  VarispeedUnit unit;
  UInt64 framesPulled = 0;
  int pulls = 0, failOnPull = -1;
  bool claimSilence = false;

  static OSStatus pull(void* context, AudioUnitRenderActionFlags* flags, const AudioTimeStamp*,
                       UInt32, UInt32 frames, AudioBufferList* data) {
    auto& self = *static_cast<Varispeed*>(context);
    if (self.pulls++ == self.failOnPull) return -10863;
    for (UInt32 frame = 0; frame < frames; ++frame) {
      const double phase =
          2.0 * std::numbers::pi * static_cast<double>(self.framesPulled + frame) / 48000.0;
      static_cast<float*>(data->mBuffers[0].mData)[frame] =
          self.claimSilence ? NAN : static_cast<float>(kLeftAmplitude * std::sin(kLeftHz * phase));
      static_cast<float*>(data->mBuffers[1].mData)[frame] =
          self.claimSilence ? NAN
                            : static_cast<float>(kRightAmplitude * std::sin(kRightHz * phase));
    }
    if (self.claimSilence) *flags |= kAudioUnitRenderAction_OutputIsSilence;
    self.framesPulled += frames;
    return noErr;
  }
  OSStatus set(AudioUnitPropertyID property, UInt32 value) {
    return unit.setProperty(property, G, 0, &value, sizeof(value));
  }
  OSStatus setFormat(AudioUnitScope scope, const AudioStreamBasicDescription& format) {
    return unit.setProperty(kAudioUnitProperty_StreamFormat, scope, 0, &format, sizeof(format));
  }
  OSStatus setCallback() {
    const AURenderCallbackStruct callback{&pull, this};
    return unit.setProperty(kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0,
                            &callback, sizeof(callback));
  }
  OSStatus setRate(float rate) {
    return unit.setParameter(kVarispeedParam_PlaybackRate, G, 0, rate, 0);
  }
  void configure() {
    ASSERT_EQ(set(kAudioUnitProperty_MaximumFramesPerSlice, 8192), noErr);
    ASSERT_EQ(setFormat(kAudioUnitScope_Input, planarStereo(48000.0)), noErr);
    ASSERT_EQ(setFormat(kAudioUnitScope_Output, planarStereo(44100.0)), noErr);
    ASSERT_EQ(setCallback(), noErr);
  }
  OSStatus render(StereoOutput& output, UInt32 frames = kBlock, UInt32 bus = 0) {
    AudioUnitRenderActionFlags flags = 0;
    const AudioTimeStamp time{};
    return unit.render(&flags, &time, bus, frames, output.buffers.get());
  }
  // Renders `blocks` blocks onto the ends of both channels.
  void stream(int blocks, std::vector<float>& left, std::vector<float>& right) {
    StereoOutput output(kBlock);
    for (int block = 0; block < blocks; ++block) {
      ASSERT_EQ(render(output), noErr);
      left.insert(left.end(), output.left.begin(), output.left.end());
      right.insert(right.end(), output.right.begin(), output.right.end());
    }
  }
};

// Only planar stereo float from 8 to 192 kHz and a playback rate from a quarter to four; initialize
// only with both formats and a callback, then the rendering setup frozen and bad blocks refused
// without pulling any input.
TEST_F(Varispeed, RefusesWhatItCannotRender) {
  const OSStatus unsupported = kAudioUnitErr_FormatNotSupported, frozen = kAudioUnitErr_Initialized;
  const AudioUnitScope I = kAudioUnitScope_Input, O = kAudioUnitScope_Output;
  for (const auto& format : {planarStereo(7999.0), planarStereo(192001.0), planarStereo(NAN),
                             planarStereo(48000, 0x09), planarStereo(48000, 0x29, 8),
                             planarStereo(48000, 0x29, 4, 1), planarStereo(48000, 0x29, 4, 2, 16),
                             planarStereo(48000, 0x29, 4, 2, 32, FourCharCode("aac "))}) {
    EXPECT_EQ(setFormat(I, format), unsupported) << format.mSampleRate;
  }
  for (const float rate : {4.01f, 0.24f, 0.0f, -1.0f, NAN, INFINITY}) {
    EXPECT_EQ(setRate(rate), kAudioUnitErr_InvalidParameter) << rate;
  }
  EXPECT_EQ(unit.initialize(), unsupported);
  ASSERT_EQ(setFormat(I, planarStereo(8000.0)), noErr);
  EXPECT_EQ(unit.initialize(), unsupported);
  ASSERT_EQ(setFormat(O, planarStereo(192000.0)), noErr);
  EXPECT_EQ(unit.initialize(), kAudioUnitErr_NoConnection);
  ASSERT_EQ(setCallback(), noErr);
  ASSERT_EQ(setRate(0.25f), noErr);
  ASSERT_EQ(setRate(4.0f), noErr);
  ASSERT_EQ(set(kAudioUnitProperty_MaximumFramesPerSlice, 1024), noErr);
  ASSERT_EQ(unit.initialize(), noErr);
  for (const OSStatus status : {set(kAudioUnitProperty_MaximumFramesPerSlice, 512),
                                set(kAudioUnitProperty_RenderQuality, 0),
                                setFormat(O, planarStereo(96000.0)), setCallback()}) {
    EXPECT_EQ(status, frozen);
  }

  const auto renderInto = [&](auto change, UInt32 frames = kBlock, UInt32 bus = 0) {
    StereoOutput output(frames);
    change(*output.buffers.get());
    return render(output, frames, bus);
  };
  const auto keep = [](AudioBufferList&) {};
  EXPECT_EQ(renderInto(keep, 1024), noErr);
  const int pullsSoFar = pulls;
  EXPECT_EQ(renderInto(keep, 1025), kAudioUnitErr_TooManyFramesToProcess);
  EXPECT_EQ(renderInto(keep, kBlock, 1), kAudioUnitErr_InvalidElement);
  EXPECT_EQ(unit.render(nullptr, nullptr, 0, kBlock, nullptr), kAudio_ParamError);
  EXPECT_EQ(renderInto([](AudioBufferList& list) { list.mNumberBuffers = 1; }), kAudio_ParamError);
  EXPECT_EQ(renderInto([](AudioBufferList& list) { list.mBuffers[1].mDataByteSize -= 4; }),
            kAudio_ParamError);
  EXPECT_EQ(renderInto([](AudioBufferList& list) { list.mBuffers[0].mData = nullptr; }),
            kAudio_ParamError);
  EXPECT_EQ(pulls, pullsSoFar);
  AudioUnitParameterValue rate = 0.0f;
  EXPECT_EQ(unit.getParameter(kVarispeedParam_PlaybackRate, kAudioUnitScope_Global, 0, &rate),
            noErr);
  EXPECT_EQ(rate, 4.0f) << "a refused rate leaves the last one";
  EXPECT_EQ(unit.uninitialize(), noErr);
  EXPECT_EQ(set(kAudioUnitProperty_MaximumFramesPerSlice, 512), noErr);
}

TEST_F(Varispeed, ConvertsASineFrom48To44_1kHzAtUnityGainAndHighSnr) {
  configure();
  ASSERT_EQ(unit.initialize(), noErr);
  std::vector<float> left, right;
  stream(120, left, right);
  // One second of output past the converter's start-up transient.
  const SineFit l = fitSine(std::span(left).subspan(4410, 44100), 44100.0, kLeftHz);
  const SineFit r = fitSine(std::span(right).subspan(4410, 44100), 44100.0, kRightHz);
  EXPECT_NEAR(20 * std::log10(l.amplitude / kLeftAmplitude), 0.0, 0.05);
  EXPECT_NEAR(20 * std::log10(r.amplitude / kRightAmplitude), 0.0, 0.05);
  EXPECT_GE(l.snrDb, 90.0);
  EXPECT_GE(r.snrDb, 90.0);
}

TEST_F(Varispeed, PlaybackRateConsumesInputFasterAndRaisesThePitch) {
  configure();
  ASSERT_EQ(setRate(1.001f), noErr);
  ASSERT_EQ(unit.initialize(), noErr);
  std::vector<float> left, right;
  stream(100, left, right);
  const UInt64 pulledBefore = framesPulled;
  stream(2500, left, right);
  // Whole-chunk pulls blur the count by less than one chunk, under 1e-4 of this many frames.
  const double rate = static_cast<double>(1.001f);
  const double expected = 2500 * kBlock * 48000.0 / 44100.0 * rate;
  EXPECT_NEAR(static_cast<double>(framesPulled - pulledBefore) / expected, 1.0, 1e-4);
  const SineFit fit = fitSineFindingFrequency(std::span(left).last(44100), 44100.0, 990.0, 1010.0);
  EXPECT_NEAR(fit.frequency, kLeftHz * rate, 0.01);
}

TEST_F(Varispeed, HoldsBackItsLatencyPlusLessThanAChunkOfInput) {
  configure();
  ASSERT_EQ(unit.initialize(), noErr);
  StereoOutput output(kBlock);
  for (int block = 1; block <= 40; ++block) {
    ASSERT_EQ(render(output), noErr);
    // The input position of the last output frame, against the last input frame pulled.
    const double heldBack =
        static_cast<double>(framesPulled - 1) - (block * kBlock - 1) * 48000.0 / 44100.0;
    EXPECT_GE(heldBack, unit.latencyFrames() - 1.0);
    EXPECT_LT(heldBack, unit.latencyFrames() + VarispeedUnit::kInputChunkFrames);
  }
}

TEST_F(Varispeed, AFailedPullEndsTheBlockWithItsStatusAndSilentInputPlaysAsSilence) {
  configure();
  ASSERT_EQ(unit.initialize(), noErr);
  StereoOutput output(kBlock);
  ASSERT_EQ(render(output), noErr);
  failOnPull = pulls;
  EXPECT_EQ(render(output), -10863);
  EXPECT_EQ(pulls, failOnPull + 1) << "the failed pull is the block's last";
  EXPECT_EQ(render(output), noErr);
  // Samples flagged as silence are not played, whatever they hold.
  claimSilence = true;
  for (int block = 0; block < 8; ++block) ASSERT_EQ(render(output), noErr);
  EXPECT_EQ(output.left, std::vector<float>(kBlock, 0.0f));
  EXPECT_EQ(output.right, std::vector<float>(kBlock, 0.0f));
}

}  // namespace
