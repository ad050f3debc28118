#include <gtest/gtest.h>

#include <vector>

#include "platform/resampler/StereoBufferList.h"
#include "platform/resampler/VarispeedUnit.h"
#include "support/AllocationCounter.h"

namespace {

struct RampSource {
  float next = 0.0f;
  OSStatus status = noErr;
  static OSStatus render(void* context, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32,
                         UInt32 frames, AudioBufferList* data) {
    auto& self = *static_cast<RampSource*>(context);
    auto* left = static_cast<float*>(data->mBuffers[0].mData);
    auto* right = static_cast<float*>(data->mBuffers[1].mData);
    for (UInt32 frame = 0; frame < frames; ++frame) {
      self.next = self.next > 0.5f ? -0.5f : self.next + 0.001f;
      left[frame] = right[frame] = self.next;
    }
    return self.status;
  }
};

// libsamplerate's callback reading, rate changes and a failing input all run without touching the
// heap once the unit is initialized, for every converter the quality setting can pick.
TEST(VarispeedUnitRealtime, RenderNeverAllocates) {
  for (const UInt32 quality :
       {kRenderQuality_Max, kRenderQuality_Medium, kRenderQuality_Low, kRenderQuality_Min}) {
    VarispeedUnit unit;
    RampSource source;
    const UInt32 maximumFrames = 4096;
    const AudioStreamBasicDescription input{48000.0, kAudioFormatLinearPCM, 0x29, 4, 1, 4, 2, 32,
                                            0};
    AudioStreamBasicDescription output = input;
    output.mSampleRate = 44100.0;
    const AURenderCallbackStruct callback{&RampSource::render, &source};
    ASSERT_EQ(unit.setProperty(kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0,
                               &maximumFrames, sizeof(maximumFrames)),
              noErr);
    ASSERT_EQ(unit.setProperty(kAudioUnitProperty_RenderQuality, kAudioUnitScope_Global, 0,
                               &quality, sizeof(quality)),
              noErr);
    ASSERT_EQ(unit.setProperty(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0, &input,
                               sizeof(input)),
              noErr);
    ASSERT_EQ(unit.setProperty(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, &output,
                               sizeof(output)),
              noErr);
    ASSERT_EQ(unit.setProperty(kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0,
                               &callback, sizeof(callback)),
              noErr);
    ASSERT_EQ(unit.initialize(), noErr);
    std::vector<float> left(maximumFrames);
    std::vector<float> right(maximumFrames);
    StereoBufferList buffers;
    AudioUnitRenderActionFlags flags = 0;
    const AudioTimeStamp time{};

    const auto before = allocationsOnThisThread();
    for (int block = 0; block < 200; ++block) {
      const UInt32 frames = block % 7 == 0 ? maximumFrames : 512;
      const float rate = block % 2 == 0 ? 1.001f : 0.999f;
      source.status = block == 100 ? -1 : noErr;
      buffers.point(left.data(), right.data(), frames);
      unit.setParameter(kVarispeedParam_PlaybackRate, kAudioUnitScope_Global, 0, rate, 0);
      EXPECT_EQ(unit.render(&flags, &time, 0, frames, buffers.get()), source.status);
    }
    EXPECT_EQ(allocationsOnThisThread(), before) << "quality " << quality;
  }
}

}  // namespace
