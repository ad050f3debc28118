#include <gtest/gtest.h>

#include <set>

#include "platform/pipewire/HardwareReads.h"
#include "platform/pipewire/NotificationRecorder.h"
#include "platform/pipewire/PipeWireHardware.h"
#include "platform/pipewire/PipeWireTestSession.h"

using namespace pipewire_test;

namespace {

bool allOnTheListenerQueue(NotificationRecorder& recorder) {
  for (const auto& delivery : recorder.deliveries()) {
    if (!delivery.onQueue) return false;
  }
  return true;
}

Float64 rate(PipeWireHardware& hardware, AudioObjectID device) {
  return readValue<Float64>(hardware, device,
                            propertyAddress(kAudioDevicePropertyNominalSampleRate))
      .value_or(0);
}

AudioObjectID defaultOutput(PipeWireHardware& hardware) {
  return readValue<AudioObjectID>(hardware, kAudioObjectSystemObject,
                                  propertyAddress(kAudioHardwarePropertyDefaultOutputDevice))
      .value_or(kAudioObjectUnknown);
}

}  // namespace

TEST(PipeWireHardware, DescribesTheSessionsDevicesAsTheCatalogReadsThem) {
  PipeWireHardware hardware;
  struct Expected {
    std::string uid;
    std::string name;
    std::vector<UInt32> input;
    std::vector<UInt32> output;
  };
  const std::vector<Expected> table{{kInterface, "VX Test Interface", {8}, {}},
                                    {kSpeakers, "VX Test Speakers", {}, {2}},
                                    {kHeadphones, "VX Test Headphones", {}, {2}}};
  std::set<std::string> uids;
  for (AudioObjectID id : devices(hardware)) {
    uids.insert(
        readText(hardware, id, propertyAddress(kAudioDevicePropertyDeviceUID)).value_or(""));
  }
  EXPECT_EQ(uids, (std::set<std::string>{kInterface, kSpeakers, kHeadphones}));
  for (const Expected& device : table) {
    SCOPED_TRACE(device.uid);
    const AudioObjectID id = deviceWithUID(hardware, device.uid);
    ASSERT_NE(id, kAudioObjectUnknown);
    EXPECT_EQ(readText(hardware, id, propertyAddress(kAudioObjectPropertyName)), device.name);
    // A sink's monitor is no input.
    EXPECT_EQ(streamChannels(hardware, id, kAudioObjectPropertyScopeInput), device.input);
    EXPECT_EQ(streamChannels(hardware, id, kAudioObjectPropertyScopeOutput), device.output);
    EXPECT_EQ(rate(hardware, id), 48000.0);
    EXPECT_EQ(readValue<UInt32>(hardware, id, propertyAddress(kAudioDevicePropertyDeviceIsAlive)),
              1u);
    // The graph's quantum and its maximum stand for the buffer sizes.
    EXPECT_EQ(readValue<UInt32>(hardware, id, propertyAddress(kAudioDevicePropertyBufferFrameSize)),
              1024u);
    EXPECT_EQ(readValue<UInt32>(hardware, id,
                                propertyAddress(kAudioDevicePropertyUsesVariableBufferFrameSizes)),
              2048u);
    const auto scope =
        device.input.empty() ? kAudioObjectPropertyScopeOutput : kAudioObjectPropertyScopeInput;
    const auto streams = readIDs(hardware, id, propertyAddress(kAudioDevicePropertyStreams, scope));
    ASSERT_EQ(streams.size(), 1u);
    const auto format = readValue<AudioStreamBasicDescription>(
        hardware, streams[0], propertyAddress(kAudioStreamPropertyPhysicalFormat));
    ASSERT_TRUE(format.has_value());
    EXPECT_EQ(format->mFormatID, kAudioFormatLinearPCM);
    EXPECT_EQ(format->mBitsPerChannel, 32u);
    EXPECT_NE(format->mFormatFlags & kAudioFormatFlagIsFloat, 0u);
  }
  const AudioObjectID interface = deviceWithUID(hardware, kInterface);
  const auto channelName = [&](UInt32 channel) {
    return readText(
        hardware, interface,
        propertyAddress(kAudioObjectPropertyElementName, kAudioObjectPropertyScopeInput, channel));
  };
  EXPECT_EQ(channelName(1), "Auxiliary 0");
  EXPECT_EQ(channelName(8), "Auxiliary 7");
  auto stereo = propertyAddress(kAudioDevicePropertyPreferredChannelsForStereo,
                                kAudioObjectPropertyScopeInput);
  EXPECT_FALSE(hardware.hasProperty(interface, &stereo))
      << "an interface of AUX channels has no FL/FR";
  EXPECT_EQ(defaultOutput(hardware), deviceWithUID(hardware, kSpeakers));
}

TEST(PipeWireHardware, AReplugIsAnnouncedAndGivesANewIDWithTheSameUID) {
  PipeWireHardware hardware;
  const AudioObjectID before = deviceWithUID(hardware, kHeadphones);
  NotificationRecorder gone(hardware);
  gone.listen(kAudioObjectSystemObject, kAudioHardwarePropertyDevices);
  gone.listen(before, kAudioDevicePropertyDeviceIsAlive);
  ASSERT_TRUE(runSession("unplug " + kHeadphones));
  EXPECT_TRUE(gone.waitFor(kAudioObjectSystemObject, kAudioHardwarePropertyDevices));
  EXPECT_TRUE(gone.waitFor(before, kAudioDevicePropertyDeviceIsAlive));
  EXPECT_EQ(devices(hardware).size(), 2u);
  auto alive = propertyAddress(kAudioDevicePropertyDeviceIsAlive);
  EXPECT_FALSE(hardware.hasProperty(before, &alive));

  NotificationRecorder back(hardware);
  back.listen(kAudioObjectSystemObject, kAudioHardwarePropertyDevices);
  ASSERT_TRUE(runSession("replug " + kHeadphones));
  EXPECT_TRUE(back.waitFor(kAudioObjectSystemObject, kAudioHardwarePropertyDevices));
  const AudioObjectID after = deviceWithUID(hardware, kHeadphones);
  EXPECT_NE(after, kAudioObjectUnknown);
  EXPECT_NE(after, before);
  EXPECT_EQ(streamChannels(hardware, after, kAudioObjectPropertyScopeOutput),
            std::vector<UInt32>{2});
  EXPECT_TRUE(allOnTheListenerQueue(gone));
  EXPECT_TRUE(allOnTheListenerQueue(back));
}

TEST(PipeWireHardware, DevicesVanishWithTheDaemonAndReturnWithIt) {
  PipeWireHardware hardware;
  NotificationRecorder recorder(hardware);
  recorder.listen(kAudioObjectSystemObject, kAudioHardwarePropertyDevices);
  ASSERT_TRUE(runSession("stop"));
  EXPECT_TRUE(recorder.waitFor(kAudioObjectSystemObject, kAudioHardwarePropertyDevices));
  // Not an empty list but an unreadable one: the service is not running.
  const auto listStatus = [&] {
    const auto list = propertyAddress(kAudioHardwarePropertyDevices);
    UInt32 size = 0;
    return hardware.getPropertyDataSize(kAudioObjectSystemObject, &list, 0, nullptr, &size);
  };
  EXPECT_TRUE(devices(hardware).empty());
  EXPECT_EQ(listStatus(), kAudioHardwareNotRunningError);
  ASSERT_TRUE(runSession("start"));
  ASSERT_TRUE(runSession("make-devices"));
  EXPECT_TRUE(eventually([&] { return devices(hardware).size() == 3; }));
  EXPECT_EQ(listStatus(), noErr);
  EXPECT_NE(defaultOutput(hardware), AudioObjectID{kAudioObjectUnknown});
}
