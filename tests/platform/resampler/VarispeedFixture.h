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

  static OSStatus pull(void* context, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32,
                       UInt32 frames, AudioBufferList* data) {
    auto& self = *static_cast<Varispeed*>(context);
    for (UInt32 frame = 0; frame < frames; ++frame) {
      const double phase =
          2.0 * std::numbers::pi * static_cast<double>(self.framesPulled + frame) / 48000.0;
      static_cast<float*>(data->mBuffers[0].mData)[frame] =
          static_cast<float>(kLeftAmplitude * std::sin(kLeftHz * phase));
      static_cast<float*>(data->mBuffers[1].mData)[frame] =
          static_cast<float>(kRightAmplitude * std::sin(kRightHz * phase));
    }
    self.framesPulled += frames;
    return noErr;
  }
  OSStatus setRate(float rate) {
    return unit.setParameter(kVarispeedParam_PlaybackRate, G, 0, rate, 0);
  }
  // Planar stereo float, the only format it takes, then initialized.
  void configure(UInt32 quality = kRenderQuality_Max) {
    const AudioStreamBasicDescription in{48000.0, kAudioFormatLinearPCM, 0x29, 4, 1, 4, 2, 32, 0};
    AudioStreamBasicDescription out = in;
    out.mSampleRate = 44100.0;
    const auto set = [&](AudioUnitPropertyID property, AudioUnitScope scope, const auto& value) {
      ASSERT_EQ(unit.setProperty(property, scope, 0, &value, sizeof value), noErr);
    };
    set(kAudioUnitProperty_MaximumFramesPerSlice, G, UInt32{8192});
    set(kAudioUnitProperty_RenderQuality, G, quality);
    set(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, in);
    set(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, out);
    set(kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input,
        AURenderCallbackStruct{&pull, this});
    ASSERT_EQ(unit.initialize(), noErr);
  }
  OSStatus render(StereoOutput& output, UInt32 frames = kBlock) {
    AudioUnitRenderActionFlags flags = 0;
    const AudioTimeStamp time{};
    return unit.render(&flags, &time, 0, frames, output.buffers.get());
  }
  // Renders `blocks` blocks onto the ends of both channels.
  std::vector<float> left, right;
  void stream(int blocks) {
    StereoOutput output(kBlock);
    for (int block = 0; block < blocks; ++block) {
      ASSERT_EQ(render(output), noErr);
      left.insert(left.end(), output.left.begin(), output.left.end());
      right.insert(right.end(), output.right.begin(), output.right.end());
    }
  }
};

}  // namespace
