#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/resampler/StereoBufferList.h"
#include "platform/resampler/VarispeedUnit.h"

namespace {

OSStatus silentInput(void*, AudioUnitRenderActionFlags* flags, const AudioTimeStamp*, UInt32,
                     UInt32, AudioBufferList*) {
  *flags |= kAudioUnitRenderAction_OutputIsSilence;
  return noErr;
}

// The drift correction sets the playback rate on the rendering thread while the main thread reads
// it back for the diagnostics: every value read must be one that was written.
TEST(VarispeedUnitConcurrency, PlaybackRateIsSetWhileRenderingAndReadElsewhere) {
  VarispeedUnit unit;
  const AudioStreamBasicDescription format{48000.0, kAudioFormatLinearPCM, 0x29, 4, 1, 4, 2, 32, 0};
  const AURenderCallbackStruct callback{&silentInput, nullptr};
  const UInt32 fastest = kRenderQuality_Low;
  for (const auto& [property, scope, data, size] :
       {std::tuple<AudioUnitPropertyID, AudioUnitScope, const void*, UInt32>{
            kAudioUnitProperty_RenderQuality, kAudioUnitScope_Global, &fastest, sizeof(fastest)},
        {kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, &format, sizeof(format)},
        {kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, &format, sizeof(format)},
        {kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, &callback,
         sizeof(callback)}}) {
    ASSERT_EQ(unit.setProperty(property, scope, 0, data, size), noErr);
  }
  ASSERT_EQ(unit.initialize(), noErr);

  std::atomic<bool> done{false};  // release by the renderer, acquire by the reader
  int failedRenders = 0;          // renderer thread until joined
  std::thread renderer([&] {
    std::vector<float> left(256), right(256);
    StereoBufferList buffers;
    AudioUnitRenderActionFlags flags = 0;
    const AudioTimeStamp time{};
    for (int block = 0; block < 2000; ++block) {
      unit.setParameter(kVarispeedParam_PlaybackRate, kAudioUnitScope_Global, 0,
                        block % 2 == 0 ? 0.999f : 1.001f, 0);
      buffers.point(left.data(), right.data(), 256);
      if (unit.render(&flags, &time, 0, 256, buffers.get()) != noErr) ++failedRenders;
    }
    done.store(true, std::memory_order_release);
  });
  while (!done.load(std::memory_order_acquire)) {
    AudioUnitParameterValue rate = 0.0f;
    EXPECT_EQ(unit.getParameter(kVarispeedParam_PlaybackRate, kAudioUnitScope_Global, 0, &rate),
              noErr);
    EXPECT_TRUE(rate == 1.0f || rate == 0.999f || rate == 1.001f) << rate;
  }
  renderer.join();
  EXPECT_EQ(failedRenders, 0);
}

}  // namespace
