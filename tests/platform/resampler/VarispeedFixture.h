#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "platform/resampler/StereoBufferList.h"
#include "platform/resampler/VarispeedUnit.h"

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

}  // namespace
