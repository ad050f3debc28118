#include "audio/RenderCallbacks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "audio/CaptureCallbackContext.h"
#include "audio/PlaybackCallbackContext.h"
#include "audio/RingReadCallbackContext.h"
#include "ringbuffer/VXRingBuffer.h"

namespace {

// A unit that only answers render and parameter calls, standing in for the input unit or the
// varispeed in callback tests.
class ScriptedUnit final : public AudioUnitInstance {
 public:
  OSStatus renderStatus = noErr;
  OSStatus setParameterStatus = noErr;
  UInt32 lastBus = 99;
  int renders = 0;
  std::vector<float> parameterValues;
  // When set, render pulls through this callback the way a converter pulls its input.
  AURenderCallbackStruct pull{nullptr, nullptr};
  float leftValue = 0.25f;
  float rightValue = -0.5f;

  OSStatus setProperty(AudioUnitPropertyID, AudioUnitScope, AudioUnitElement, const void*,
                       UInt32) override {
    return kAudioUnitErr_InvalidProperty;
  }
  OSStatus getProperty(AudioUnitPropertyID, AudioUnitScope, AudioUnitElement, void*,
                       UInt32*) override {
    return kAudioUnitErr_InvalidProperty;
  }
  OSStatus setParameter(AudioUnitParameterID, AudioUnitScope, AudioUnitElement,
                        AudioUnitParameterValue value, UInt32) override {
    parameterValues.push_back(value);
    return setParameterStatus;
  }
  OSStatus getParameter(AudioUnitParameterID, AudioUnitScope, AudioUnitElement,
                        AudioUnitParameterValue*) override {
    return kAudioUnitErr_InvalidParameter;
  }
  OSStatus initialize() override { return noErr; }
  OSStatus uninitialize() override { return noErr; }
  OSStatus outputStart() override { return noErr; }
  OSStatus outputStop() override { return noErr; }
  OSStatus render(AudioUnitRenderActionFlags* flags, const AudioTimeStamp* stamp, UInt32 bus,
                  UInt32 frames, AudioBufferList* list) override {
    ++renders;
    lastBus = bus;
    if (renderStatus != noErr) return renderStatus;
    if (pull.inputProc != nullptr)
      return pull.inputProc(pull.inputProcRefCon, flags, stamp, 0, frames, list);
    for (UInt32 i = 0; i < frames; ++i) {
      static_cast<float*>(list->mBuffers[0].mData)[i] = leftValue;
      static_cast<float*>(list->mBuffers[1].mData)[i] = rightValue;
    }
    return noErr;
  }
};

struct RingDeleter {
  void operator()(VXRingBufferRef ring) const { VXRingBufferDestroy(ring); }
};
using Ring = std::unique_ptr<VXRingBuffer, RingDeleter>;

// A stereo block the callbacks can be handed, with adjustable shape for the refusal cases.
struct StereoBlock {
  explicit StereoBlock(UInt32 frames) : left(frames, 9.0f), right(frames, 9.0f) {
    list->mNumberBuffers = 2;
    list->mBuffers[0] = AudioBuffer{1, frames * 4, left.data()};
    list->mBuffers[1] = AudioBuffer{1, frames * 4, right.data()};
  }
  std::vector<float> left, right;
  std::vector<std::byte> storage = std::vector<std::byte>(AudioBufferListByteSize(2));
  AudioBufferList* list = reinterpret_cast<AudioBufferList*>(storage.data());
};

TEST(CaptureInputCallback, WritesTheRenderedPairIntoTheRing) {
  Ring ring(VXRingBufferCreate(4096, 0));
  ScriptedUnit input;
  CaptureCallbackContext context(ring.get(), 512);
  context.audioUnit = &input;
  AudioUnitRenderActionFlags flags = 0;
  EXPECT_EQ(captureInputCallback(&context, &flags, nullptr, 0, 512, nullptr), noErr);
  EXPECT_EQ(input.lastBus, 1u);
  EXPECT_EQ(VXRingBufferBufferedFrames(ring.get()), 512u);
  std::vector<float> left(512), right(512);
  ASSERT_EQ(VXRingBufferRead(ring.get(), left.data(), right.data(), 512), 512u);
  EXPECT_EQ(left[511], 0.25f);
  EXPECT_EQ(right[0], -0.5f);
}

TEST(CaptureInputCallback, RefusesAnOversizedBlockOrAMissingUnitAndParksAFailedRender) {
  Ring ring(VXRingBufferCreate(4096, 0));
  ScriptedUnit input;
  CaptureCallbackContext context(ring.get(), 512);
  EXPECT_EQ(captureInputCallback(&context, nullptr, nullptr, 1, 16, nullptr), kAudio_ParamError);
  EXPECT_EQ(VXRingBufferTakeError(ring.get()), kAudio_ParamError);

  context.audioUnit = &input;
  EXPECT_EQ(captureInputCallback(&context, nullptr, nullptr, 1, 513, nullptr), kAudio_ParamError);
  EXPECT_EQ(input.renders, 0);
  EXPECT_EQ(VXRingBufferBufferedFrames(ring.get()), 0u);
  EXPECT_EQ(VXRingBufferTakeError(ring.get()), kAudio_ParamError);

  input.renderStatus = -10863;
  EXPECT_EQ(captureInputCallback(&context, nullptr, nullptr, 1, 64, nullptr), -10863);
  EXPECT_EQ(VXRingBufferBufferedFrames(ring.get()), 0u);
  EXPECT_EQ(VXRingBufferTakeError(ring.get()), -10863);
}

TEST(RingReadCallback, RefusesBuffersThatCannotHoldTheBlock) {
  Ring ring(VXRingBufferCreate(4096, 0));
  RingReadCallbackContext context{ring.get()};
  EXPECT_EQ(ringReadCallback(&context, nullptr, nullptr, 0, 64, nullptr), kAudio_ParamError);

  StereoBlock oneBuffer(64);
  oneBuffer.list->mNumberBuffers = 1;
  StereoBlock nullData(64);
  nullData.list->mBuffers[1].mData = nullptr;
  StereoBlock tooSmall(64);
  tooSmall.list->mBuffers[0].mDataByteSize = 63 * 4;
  StereoBlock interleaved(64);
  interleaved.list->mBuffers[1].mNumberChannels = 2;
  for (StereoBlock* block : {&oneBuffer, &nullData, &tooSmall, &interleaved}) {
    AudioUnitRenderActionFlags flags = 0;
    EXPECT_EQ(ringReadCallback(&context, &flags, nullptr, 0, 64, block->list), kAudio_ParamError);
    EXPECT_EQ(flags, 0u);
    EXPECT_EQ(VXRingBufferTakeError(ring.get()), kAudio_ParamError);
  }
  StereoBlock wrapping(4);  // (2^30 + 4) frames of 4 bytes wrap to 16 bytes in 32 bits
  EXPECT_EQ(ringReadCallback(&context, nullptr, nullptr, 0, (1u << 30) + 4, wrapping.list),
            kAudio_ParamError);
}

TEST(RingReadCallback, FlagsSilenceWhileUnprimedAndToleratesMissingFlags) {
  Ring ring(VXRingBufferCreate(4096, 1024));
  RingReadCallbackContext context{ring.get()};
  StereoBlock block(256);
  AudioUnitRenderActionFlags flags = 0;
  EXPECT_EQ(ringReadCallback(&context, &flags, nullptr, 0, 256, block.list), noErr);
  EXPECT_TRUE(flags & kAudioUnitRenderAction_OutputIsSilence);
  EXPECT_EQ(block.left[0], 0.0f);
  EXPECT_EQ(block.list->mBuffers[1].mDataByteSize, 256u * 4);
  EXPECT_EQ(ringReadCallback(&context, nullptr, nullptr, 0, 256, block.list), noErr);
  EXPECT_EQ(VXRingBufferTakeError(ring.get()), noErr);
}

TEST(DriftTargetRate, IsProportionalAndClampedToAThousandPpm) {
  EXPECT_EQ(driftTargetRate(8705, 8705), 1.0);
  EXPECT_NEAR(driftTargetRate(1.1 * 8705, 8705), 1.001, 1e-12);
  EXPECT_EQ(driftTargetRate(2 * 8705, 8705), 1.001);
  EXPECT_EQ(driftTargetRate(0, 8705), 0.999);
  EXPECT_NEAR(driftTargetRate(0.95 * 8705, 8705), 0.9995, 1e-12);
  EXPECT_EQ(driftTargetRate(std::numeric_limits<double>::quiet_NaN(), 8705), 0.999);
}

struct PlaybackFixture : ::testing::Test {
  Ring ring{VXRingBufferCreate(65536, 8705)};
  ScriptedUnit varispeed;
  RingReadCallbackContext readContext{ring.get()};
  PlaybackCallbackContext context{ring.get(), 48000.0, &varispeed, 1.0};
  StereoBlock block{512};

  PlaybackFixture() { varispeed.pull = {ringReadCallback, &readContext}; }

  void fill(UInt32 frames) {
    std::vector<float> data(frames, 0.5f);
    ASSERT_EQ(VXRingBufferWrite(ring.get(), data.data(), data.data(), frames), frames);
  }
};

TEST_F(PlaybackFixture, SmoothsTheRateTowardsTheFillWithAFiveSecondTimeConstant) {
  // A late first pull: priming leaves exactly the target after it, so the rate stays.
  fill(8705 + 512 + 300);
  ASSERT_EQ(playbackOutputCallback(&context, nullptr, nullptr, 0, 512, block.list), noErr);
  EXPECT_EQ(VXRingBufferBufferedFrames(ring.get()), 8705u);
  // After the next cycle's read the fill is 10 % above target.
  fill(512 + 870);
  ASSERT_EQ(playbackOutputCallback(&context, nullptr, nullptr, 0, 512, block.list), noErr);
  const double a = 1.0 - std::exp(-(512.0 / 48000.0) / 5.0);
  EXPECT_NEAR(a, 0.00213, 1e-5);
  const double raw = driftTargetRate(8705 + 870, 8705);
  ASSERT_EQ(varispeed.parameterValues.size(), 2u);
  EXPECT_FLOAT_EQ(varispeed.parameterValues[0], 1.0f);
  EXPECT_FLOAT_EQ(varispeed.parameterValues[1], static_cast<float>(1.0 + a * (raw - 1.0)));
  EXPECT_DOUBLE_EQ(context.filteredPlaybackRate, 1.0 + a * (raw - 1.0));
}

TEST_F(PlaybackFixture, NeverTouchesTheRateWithoutATarget) {
  Ring untargeted(VXRingBufferCreate(4096, 0));
  readContext.ring = untargeted.get();
  context.ring = untargeted.get();
  std::vector<float> data(512, 0.5f);
  VXRingBufferWrite(untargeted.get(), data.data(), data.data(), 512);
  ASSERT_EQ(playbackOutputCallback(&context, nullptr, nullptr, 0, 512, block.list), noErr);
  EXPECT_TRUE(varispeed.parameterValues.empty());
  EXPECT_GT(block.right[511], 0.0f);  // the envelope still ran
}

TEST_F(PlaybackFixture, RefusesMissingBuffersPassesOnConverterFailuresAndOutlivesARateFailure) {
  varispeed.setParameterStatus = -10878;
  fill(8705 + 512);
  EXPECT_EQ(playbackOutputCallback(&context, nullptr, nullptr, 0, 512, block.list), noErr);
  EXPECT_EQ(VXRingBufferTakeError(ring.get()), -10878);
  varispeed.parameterValues.clear();

  EXPECT_EQ(playbackOutputCallback(&context, nullptr, nullptr, 0, 512, nullptr), kAudio_ParamError);
  EXPECT_EQ(VXRingBufferTakeError(ring.get()), kAudio_ParamError);

  varispeed.pull = {nullptr, nullptr};
  block.list->mBuffers[0].mData = nullptr;
  EXPECT_EQ(playbackOutputCallback(&context, nullptr, nullptr, 0, 0, block.list),
            kAudio_ParamError);
  EXPECT_EQ(VXRingBufferTakeError(ring.get()), kAudio_ParamError);

  varispeed.renderStatus = -66;
  EXPECT_EQ(playbackOutputCallback(&context, nullptr, nullptr, 0, 512, block.list), -66);
  EXPECT_EQ(VXRingBufferTakeError(ring.get()), -66);
  EXPECT_TRUE(varispeed.parameterValues.empty());
}

}  // namespace
