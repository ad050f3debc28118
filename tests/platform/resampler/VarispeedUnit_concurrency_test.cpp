#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/resampler/VarispeedFixture.h"

namespace {

// The drift correction sets the playback rate on the rendering thread while the main thread reads
// it back for the diagnostics: every value read must be one that was written.
TEST_F(Varispeed, PlaybackRateIsSetWhileRenderingAndReadElsewhere) {
  configure(kRenderQuality_Low);
  std::atomic<bool> done{false};  // release by the renderer, acquire by the reader
  int failedRenders = 0;          // renderer thread until joined
  std::thread renderer([&] {
    StereoOutput output(256);
    for (int block = 0; block < 2000; ++block) {
      setRate(block % 2 == 0 ? 0.999f : 1.001f);
      if (render(output, 256) != noErr) ++failedRenders;
    }
    done.store(true, std::memory_order_release);
  });
  while (!done.load(std::memory_order_acquire)) {
    AudioUnitParameterValue rate = 0.0f;
    EXPECT_EQ(unit.getParameter(kVarispeedParam_PlaybackRate, G, 0, &rate), noErr);
    EXPECT_TRUE(rate == 1.0f || rate == 0.999f || rate == 1.001f) << rate;
  }
  renderer.join();
  EXPECT_EQ(failedRenders, 0);
}

}  // namespace
