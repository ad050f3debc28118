// The engine's route on PipeWire's data thread: the process callbacks of both streams, and the
// engine's callbacks inside them, must never touch the heap while audio flows.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "audio/MonitoringEngine.h"
#include "platform/pipewire/HardwareReads.h"
#include "platform/pipewire/PipeWireAudioComponents.h"
#include "platform/pipewire/PipeWireHardware.h"
#include "platform/pipewire/PrivateSession.h"
#include "platform/resampler/VarispeedUnit.h"
#include "support/AllocationCounter.h"

using namespace pipewire_test;
using namespace std::chrono_literals;

namespace {

// The data thread's allocation count on entering the first of our callbacks and on leaving the
// latest: between them lie our callbacks and the rest of each cycle. Written by the data thread
// only; relaxed, all of them, as the test reads them after stopping the streams, which waits for
// the data thread to leave the process callbacks.
struct DataThreadAllocations {
  std::atomic<std::uint64_t> first{0};
  std::atomic<std::uint64_t> last{0};
  std::atomic<std::uint64_t> callbacks{0};
};

// A hardware unit whose installed input or render callback is wrapped to read the data thread's
// allocation count on the way in and on the way out. Everything else passes through.
class CountingUnit final : public AudioUnitInstance {
 public:
  CountingUnit(std::unique_ptr<AudioUnitInstance> unit, DataThreadAllocations& counts)
      : unit_(std::move(unit)), counts_(counts) {}

  OSStatus setProperty(AudioUnitPropertyID property, AudioUnitScope scope, AudioUnitElement element,
                       const void* data, UInt32 dataSize) override {
    if ((property == kAudioOutputUnitProperty_SetInputCallback ||
         property == kAudioUnitProperty_SetRenderCallback) &&
        data != nullptr && dataSize == sizeof(AURenderCallbackStruct)) {
      wrapped_ = *static_cast<const AURenderCallbackStruct*>(data);
      const AURenderCallbackStruct counting{&CountingUnit::counted, this};
      return unit_->setProperty(property, scope, element, &counting, sizeof(counting));
    }
    return unit_->setProperty(property, scope, element, data, dataSize);
  }
  OSStatus getProperty(AudioUnitPropertyID property, AudioUnitScope scope, AudioUnitElement element,
                       void* outData, UInt32* ioDataSize) override {
    return unit_->getProperty(property, scope, element, outData, ioDataSize);
  }
  OSStatus setParameter(AudioUnitParameterID parameter, AudioUnitScope scope,
                        AudioUnitElement element, AudioUnitParameterValue value,
                        UInt32 offset) override {
    return unit_->setParameter(parameter, scope, element, value, offset);
  }
  OSStatus getParameter(AudioUnitParameterID parameter, AudioUnitScope scope,
                        AudioUnitElement element, AudioUnitParameterValue* value) override {
    return unit_->getParameter(parameter, scope, element, value);
  }
  OSStatus initialize() override { return unit_->initialize(); }
  OSStatus uninitialize() override { return unit_->uninitialize(); }
  OSStatus outputStart() override { return unit_->outputStart(); }
  OSStatus outputStop() override { return unit_->outputStop(); }
  OSStatus render(AudioUnitRenderActionFlags* flags, const AudioTimeStamp* stamp, UInt32 bus,
                  UInt32 frames, AudioBufferList* data) override {
    return unit_->render(flags, stamp, bus, frames, data);
  }

 private:
  static OSStatus counted(void* self, AudioUnitRenderActionFlags* flags,
                          const AudioTimeStamp* stamp, UInt32 bus, UInt32 frames,
                          AudioBufferList* data) {
    auto& unit = *static_cast<CountingUnit*>(self);
    DataThreadAllocations& counts = unit.counts_;
    if (counts.callbacks.fetch_add(1, std::memory_order_relaxed) == 0) {
      counts.first.store(allocationsOnThisThread(), std::memory_order_relaxed);
    }
    const OSStatus status =
        unit.wrapped_.inputProc(unit.wrapped_.inputProcRefCon, flags, stamp, bus, frames, data);
    counts.last.store(allocationsOnThisThread(), std::memory_order_relaxed);
    return status;
  }

  std::unique_ptr<AudioUnitInstance> unit_;
  DataThreadAllocations& counts_;
  // Set on the main thread before the stream starts; read by the data thread.
  AURenderCallbackStruct wrapped_{};
};

// PipeWire's components with every hardware unit counted.
class CountingComponents final : public AudioComponentPort {
 public:
  CountingComponents(PipeWireHardware& hardware, DataThreadAllocations& counts)
      : components_(hardware, [] { return std::make_unique<VarispeedUnit>(); }), counts_(counts) {}

  AudioComponent findNext(AudioComponent component,
                          const AudioComponentDescription* description) override {
    return components_.findNext(component, description);
  }
  OSStatus instanceNew(AudioComponent component, AudioUnit* outInstance) override {
    const OSStatus status = components_.instanceNew(component, outInstance);
    const AudioComponentDescription hardwareUnit{kAudioUnitType_Output, kAudioUnitSubType_HALOutput,
                                                 kAudioUnitManufacturer_Apple, 0, 0};
    if (status == noErr && component == components_.findNext(nullptr, &hardwareUnit)) {
      *outInstance = new CountingUnit(std::unique_ptr<AudioUnitInstance>(*outInstance), counts_);
    }
    return status;
  }
  OSStatus instanceDispose(AudioUnit instance) override {
    delete instance;
    return noErr;
  }

 private:
  PipeWireAudioComponents components_;
  DataThreadAllocations& counts_;
};

class PipeWireRealtime : public testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(startPrivateSession()); }
  static void TearDownTestSuite() { stopPrivateSession(); }
};

UInt32 bufferFrames(PipeWireHardware& hardware, AudioObjectID device) {
  return readValue<UInt32>(hardware, device, propertyAddress(kAudioDevicePropertyBufferFrameSize))
      .value_or(0);
}

}  // namespace

TEST_F(PipeWireRealtime, TheDataThreadAllocatesNothingWhileTheRouteRuns) {
  PipeWireHardware hardware;
  DataThreadAllocations counts;
  CountingComponents components(hardware, counts);
  ThreadBlockingSleep sleep;
  MonitoringEngine engine(components, sleep);

  MonitoringConfiguration configuration;
  configuration.inputDeviceID = deviceWithUID(hardware, kInterface);
  configuration.channelPair = {2, 3, "AUX2", "AUX3"};
  configuration.inputSampleRate = 48000.0;
  configuration.inputBufferFrameSize = bufferFrames(hardware, configuration.inputDeviceID);
  configuration.outputDeviceID = deviceWithUID(hardware, kSpeakers);
  configuration.outputSampleRate = 48000.0;
  configuration.outputBufferFrameSize = bufferFrames(hardware, configuration.outputDeviceID);
  ASSERT_NE(configuration.inputDeviceID, kAudioObjectUnknown);
  ASSERT_NE(configuration.outputDeviceID, kAudioObjectUnknown);
  // The graph's quantum stands for the buffer sizes.
  EXPECT_EQ(configuration.inputBufferFrameSize, 1024u);
  EXPECT_EQ(configuration.outputBufferFrameSize, 1024u);

  engine.start(configuration, false);
  std::this_thread::sleep_for(2s);
  engine.stop();

  // Two streams at a quantum of at most 2048 frames run about 47 callbacks a second.
  EXPECT_GT(counts.callbacks.load(), 90u);
  EXPECT_EQ(counts.last.load() - counts.first.load(), 0u)
      << "the data thread allocated in our callbacks or between them";
}
