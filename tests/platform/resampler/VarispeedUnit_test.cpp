#include "platform/resampler/VarispeedUnit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <span>
#include <vector>

#include "platform/resampler/VarispeedFixture.h"
#include "support/SineAnalysis.h"

namespace {

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
