#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <thread>

#include "platform/pipewire/HardwareReads.h"
#include "platform/pipewire/NotificationRecorder.h"
#include "platform/pipewire/PipeWireAudioComponents.h"
#include "platform/pipewire/PipeWireHardware.h"
#include "platform/pipewire/PipeWireTestSession.h"
#include "platform/pipewire/StereoFifo.h"
#include "platform/pipewire/WaveFiles.h"
#include "platform/resampler/StereoBufferList.h"
#include "platform/resampler/VarispeedUnit.h"
#include "support/SineAnalysis.h"

using namespace pipewire_test;
using namespace std::chrono_literals;

namespace {

constexpr UInt32 kMaximumFrames = 8192;

// The two callbacks of a capture-to-playback route, carrying the captured pair through a FIFO.
struct Route {
  AudioUnit input = nullptr;
  StereoFifo fifo{65536};
  std::vector<float> left = std::vector<float>(kMaximumFrames);
  std::vector<float> right = std::vector<float>(kMaximumFrames);
  StereoBufferList scratch;
  // Relaxed: counters and a flag that publish nothing else.
  std::atomic<bool> primed{false};
  std::atomic<OSStatus> failure{noErr};
  std::atomic<UInt32> captured{0};
  std::atomic<UInt32> played{0};
};

OSStatus captureCallback(void* context, AudioUnitRenderActionFlags* flags,
                         const AudioTimeStamp* stamp, UInt32, UInt32 frames, AudioBufferList*) {
  auto& route = *static_cast<Route*>(context);
  if (frames > kMaximumFrames) return kAudio_ParamError;
  route.scratch.point(route.left.data(), route.right.data(), frames);
  OSStatus status = AudioUnitRender(route.input, flags, stamp, 1, frames, route.scratch.get());
  if (status != noErr) {
    route.failure.store(status, std::memory_order_relaxed);
    return status;
  }
  route.fifo.write(route.left.data(), route.right.data(), frames);
  route.captured.fetch_add(frames, std::memory_order_relaxed);
  return noErr;
}

OSStatus playbackCallback(void* context, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32,
                          UInt32 frames, AudioBufferList* data) {
  auto& route = *static_cast<Route*>(context);
  auto* left = static_cast<float*>(data->mBuffers[0].mData);
  auto* right = static_cast<float*>(data->mBuffers[1].mData);
  // Two quanta of slack keep the two devices' cycles from ever finding the FIFO empty.
  if (!route.primed.load(std::memory_order_relaxed) && route.fifo.buffered() >= 2048) {
    route.primed.store(true, std::memory_order_relaxed);
  }
  if (route.primed.load(std::memory_order_relaxed)) {
    route.fifo.read(left, right, frames);
  } else {
    std::fill_n(left, frames, 0.0f);
    std::fill_n(right, frames, 0.0f);
  }
  route.played.fetch_add(frames, std::memory_order_relaxed);
  return noErr;
}

AudioStreamBasicDescription planarFloat(double rate) {
  return {rate,
          kAudioFormatLinearPCM,
          kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked | kAudioFormatFlagIsNonInterleaved,
          4,
          1,
          4,
          2,
          32,
          0};
}

template <typename T>
OSStatus set(AudioUnit unit, AudioUnitPropertyID property, AudioUnitScope scope,
             AudioUnitElement element, const T& value) {
  return AudioUnitSetProperty(unit, property, scope, element, &value, sizeof(value));
}

class PipeWireUnits : public testing::Test {
 protected:
  AudioUnit makeHardwareUnit() {
    AudioComponentDescription description{kAudioUnitType_Output, kAudioUnitSubType_HALOutput,
                                          kAudioUnitManufacturer_Apple, 0, 0};
    AudioComponent component = AudioComponentFindNext(components_, nullptr, &description);
    AudioUnit unit = nullptr;
    EXPECT_EQ(AudioComponentInstanceNew(components_, component, &unit), noErr);
    made_.push_back(unit);
    return unit;
  }

  // The input unit set up the way the engine sets it up, on channels `left` and `right`.
  AudioUnit makeInputUnit(AudioObjectID device, SInt32 left, SInt32 right) {
    AudioUnit unit = makeHardwareUnit();
    EXPECT_EQ(set(unit, kAudioOutputUnitProperty_EnableIO, kAudioUnitScope_Input, 1, UInt32{1}),
              noErr);
    EXPECT_EQ(set(unit, kAudioOutputUnitProperty_EnableIO, kAudioUnitScope_Output, 0, UInt32{0}),
              noErr);
    EXPECT_EQ(set(unit, kAudioOutputUnitProperty_CurrentDevice, kAudioUnitScope_Global, 0, device),
              noErr);
    EXPECT_EQ(set(unit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0,
                  kMaximumFrames),
              noErr);
    const SInt32 map[2] = {left, right};
    EXPECT_EQ(set(unit, kAudioOutputUnitProperty_ChannelMap, kAudioUnitScope_Output, 1, map),
              noErr);
    EXPECT_EQ(
        set(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 1, planarFloat(48000.0)),
        noErr);
    route_.input = unit;
    EXPECT_EQ(set(unit, kAudioOutputUnitProperty_SetInputCallback, kAudioUnitScope_Global, 0,
                  AURenderCallbackStruct{&captureCallback, &route_}),
              noErr);
    EXPECT_EQ(AudioUnitInitialize(unit), noErr);
    return unit;
  }

  AudioUnit makeOutputUnit(AudioObjectID device) {
    AudioUnit unit = makeHardwareUnit();
    EXPECT_EQ(set(unit, kAudioOutputUnitProperty_EnableIO, kAudioUnitScope_Output, 0, UInt32{1}),
              noErr);
    EXPECT_EQ(set(unit, kAudioOutputUnitProperty_EnableIO, kAudioUnitScope_Input, 1, UInt32{0}),
              noErr);
    EXPECT_EQ(set(unit, kAudioOutputUnitProperty_CurrentDevice, kAudioUnitScope_Global, 0, device),
              noErr);
    EXPECT_EQ(set(unit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0,
                  kMaximumFrames),
              noErr);
    EXPECT_EQ(
        set(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0, planarFloat(48000.0)),
        noErr);
    EXPECT_EQ(set(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0,
                  AURenderCallbackStruct{&playbackCallback, &route_}),
              noErr);
    EXPECT_EQ(AudioUnitInitialize(unit), noErr);
    return unit;
  }

  void TearDown() override {
    for (AudioUnit unit : made_) {
      AudioOutputUnitStop(unit);
      AudioUnitUninitialize(unit);
      AudioComponentInstanceDispose(components_, unit);
    }
  }

  PipeWireHardware hardware_;
  PipeWireAudioComponents components_{hardware_, [] { return std::make_unique<VarispeedUnit>(); }};
  Route route_;
  std::vector<AudioUnit> made_;
};

}  // namespace

TEST_F(PipeWireUnits, FindsTheHardwareUnitAndTheInjectedVarispeed) {
  AudioComponentDescription varispeed{kAudioUnitType_FormatConverter, kAudioUnitSubType_Varispeed,
                                      kAudioUnitManufacturer_Apple, 0, 0};
  AudioComponent component = AudioComponentFindNext(components_, nullptr, &varispeed);
  ASSERT_NE(component, nullptr);
  EXPECT_EQ(AudioComponentFindNext(components_, component, &varispeed), nullptr);
  AudioUnit unit = nullptr;
  ASSERT_EQ(AudioComponentInstanceNew(components_, component, &unit), noErr);
  EXPECT_NE(dynamic_cast<VarispeedUnit*>(unit), nullptr);
  AudioComponentInstanceDispose(components_, unit);
  EXPECT_NE(makeHardwareUnit(), nullptr);
}

TEST_F(PipeWireUnits, TheSelectedPairOfTheInterfaceArrivesAtTheSink) {
  // Named per process: test runs of other builds may share the temporary directory.
  const std::string stem = "vx-pw-" + std::to_string(getpid());
  const auto tones = std::filesystem::temp_directory_path() / (stem + "-tones.wav");
  const auto recording = std::filesystem::temp_directory_path() / (stem + "-recording.wav");
  // Channels 3 and 4 carry the pair; channels 1 and 2 carry tones that must not come through.
  writeToneFile(tones, {{1000.0, 0.5}, {1500.0, 0.25}, {700.0, 0.4}, {2100.0, 0.4}}, 48000.0, 4.0);
  AudioUnit input = makeInputUnit(deviceWithUID(hardware_, kInterface), 2, 3);
  AudioUnit output = makeOutputUnit(deviceWithUID(hardware_, kSpeakers));
  ASSERT_EQ(AudioOutputUnitStart(input), noErr);
  ASSERT_EQ(AudioOutputUnitStart(output), noErr);
  ASSERT_TRUE(runSession("feed " + tones.string() + " 2 3 0 1"));
  ASSERT_TRUE(runSession("record " + kSpeakers + " " + recording.string() + " 2"));
  AudioOutputUnitStop(output);
  AudioOutputUnitStop(input);
  EXPECT_EQ(route_.failure.load(), noErr);
  EXPECT_GT(route_.captured.load(), 0u);

  auto channels = readFloatWave(recording, 2);
  std::filesystem::remove(tones);
  std::filesystem::remove(recording);
  auto& left = channels[0];
  auto& right = channels[1];
  auto onset = std::find_if(left.begin(), left.end(), [](float s) { return std::abs(s) > 0.05f; });
  ASSERT_NE(onset, left.end()) << "nothing arrived at the sink";
  const std::size_t start = (onset - left.begin()) + 4800;
  const std::size_t length = 24000;
  ASSERT_GE(left.size(), start + length) << "the signal arrived too late to measure";
  auto leftFit = fitSine(std::span(left).subspan(start, length), 48000.0, 1000.0);
  auto rightFit = fitSine(std::span(right).subspan(start, length), 48000.0, 1500.0);
  EXPECT_NEAR(20.0 * std::log10(leftFit.amplitude / 0.5), 0.0, 0.1);
  EXPECT_NEAR(20.0 * std::log10(rightFit.amplitude / 0.25), 0.0, 0.1);
  EXPECT_GT(leftFit.snrDb, 60.0);
  EXPECT_GT(rightFit.snrDb, 60.0);
}

TEST_F(PipeWireUnits, StartFailsWhenTheDeviceIsGone) {
  AudioUnit input = makeInputUnit(deviceWithUID(hardware_, kInterface), 2, 3);
  ASSERT_TRUE(runSession("unplug " + kInterface));
  ASSERT_TRUE(
      eventually([&] { return deviceWithUID(hardware_, kInterface) == kAudioObjectUnknown; }));
  EXPECT_NE(AudioOutputUnitStart(input), noErr);
  ASSERT_TRUE(runSession("replug " + kInterface));
  ASSERT_TRUE(
      eventually([&] { return deviceWithUID(hardware_, kInterface) != kAudioObjectUnknown; }));
}

TEST_F(PipeWireUnits, OurOwnStreamsRaiseNoDeviceNotifications) {
  AudioObjectID interface = deviceWithUID(hardware_, kInterface);
  AudioObjectID speakers = deviceWithUID(hardware_, kSpeakers);
  NotificationRecorder recorder(hardware_);
  recorder.listenToEverything(devices(hardware_));
  AudioUnit input = makeInputUnit(interface, 0, 1);
  AudioUnit output = makeOutputUnit(speakers);
  ASSERT_EQ(AudioOutputUnitStart(input), noErr);
  ASSERT_EQ(AudioOutputUnitStart(output), noErr);
  std::this_thread::sleep_for(300ms);
  EXPECT_GT(route_.played.load(), 0u);
  EXPECT_EQ(devices(hardware_).size(), 3u) << "our streams are no devices";
  AudioOutputUnitStop(output);
  AudioOutputUnitStop(input);
  std::this_thread::sleep_for(300ms);
  EXPECT_TRUE(recorder.deliveries().empty());
}

TEST_F(PipeWireUnits, AStreamThatLosesItsDeviceRaisesStoppedAbnormally) {
  AudioObjectID interface = deviceWithUID(hardware_, kInterface);
  NotificationRecorder recorder(hardware_);
  recorder.listen(interface, kAudioDevicePropertyIOStoppedAbnormally);
  AudioUnit input = makeInputUnit(interface, 0, 1);
  ASSERT_EQ(AudioOutputUnitStart(input), noErr);
  ASSERT_TRUE(runSession("unplug " + kInterface));
  EXPECT_TRUE(recorder.waitFor(interface, kAudioDevicePropertyIOStoppedAbnormally));
  ASSERT_TRUE(runSession("replug " + kInterface));
  ASSERT_TRUE(
      eventually([&] { return deviceWithUID(hardware_, kInterface) != kAudioObjectUnknown; }));
}
