#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "platform/pipewire/HardwareReads.h"
#include "platform/pipewire/NotificationRecorder.h"
#include "platform/pipewire/PipeWireHardware.h"
#include "platform/pipewire/PipeWireTestSession.h"

using namespace pipewire_test;

namespace {

std::vector<std::string> channelNames(HardwarePropertyPort& port, AudioObjectID device,
                                      UInt32 count) {
  std::vector<std::string> names;
  for (UInt32 channel = 1; channel <= count; ++channel) {
    auto where = address(kAudioObjectPropertyElementName, kAudioObjectPropertyScopeInput, channel);
    names.push_back(readText(port, device, where).value_or("(none)"));
  }
  return names;
}

std::optional<AudioStreamBasicDescription> physicalFormat(HardwarePropertyPort& port,
                                                          AudioObjectID device,
                                                          AudioObjectPropertyScope scope) {
  auto streams = readIDs(port, device, address(kAudioDevicePropertyStreams, scope));
  if (streams.size() != 1) return std::nullopt;
  return readValue<AudioStreamBasicDescription>(port, streams[0],
                                                address(kAudioStreamPropertyPhysicalFormat));
}

}  // namespace

TEST(PipeWireCatalog, ListsExactlyTheVirtualDevicesWithTheirNames) {
  PipeWireHardware hardware;
  std::set<std::string> uids;
  std::set<std::string> names;
  for (AudioObjectID id : devices(hardware)) {
    uids.insert(readText(hardware, id, address(kAudioDevicePropertyDeviceUID)).value_or(""));
    names.insert(readText(hardware, id, address(kAudioObjectPropertyName)).value_or(""));
  }
  EXPECT_EQ(uids, (std::set<std::string>{kInterface, kSpeakers, kHeadphones}));
  EXPECT_EQ(names,
            (std::set<std::string>{"VX Test Interface", "VX Test Speakers", "VX Test Headphones"}));
}

TEST(PipeWireCatalog, DescribesTheInterfaceAsAnEightChannelInputAt48kHz) {
  PipeWireHardware hardware;
  AudioObjectID interface = deviceWithUID(hardware, kInterface);
  ASSERT_NE(interface, kAudioObjectUnknown);
  EXPECT_EQ(streamChannels(hardware, interface, kAudioObjectPropertyScopeInput),
            std::vector<UInt32>{8});
  EXPECT_TRUE(streamChannels(hardware, interface, kAudioObjectPropertyScopeOutput).empty());
  EXPECT_EQ(channelNames(hardware, interface, 8),
            (std::vector<std::string>{"Auxiliary 0", "Auxiliary 1", "Auxiliary 2", "Auxiliary 3",
                                      "Auxiliary 4", "Auxiliary 5", "Auxiliary 6", "Auxiliary 7"}));
  auto stereo =
      address(kAudioDevicePropertyPreferredChannelsForStereo, kAudioObjectPropertyScopeInput);
  EXPECT_FALSE(hardware.hasProperty(interface, &stereo))
      << "an interface of AUX channels has no FL/FR";
  EXPECT_EQ(readValue<Float64>(hardware, interface, address(kAudioDevicePropertyNominalSampleRate)),
            48000.0);
  EXPECT_EQ(readValue<UInt32>(hardware, interface, address(kAudioDevicePropertyDeviceIsAlive)), 1u);
  auto format = physicalFormat(hardware, interface, kAudioObjectPropertyScopeInput);
  ASSERT_TRUE(format.has_value());
  EXPECT_EQ(format->mFormatID, kAudioFormatLinearPCM);
  EXPECT_EQ(format->mBitsPerChannel, 32u);
  EXPECT_NE(format->mFormatFlags & kAudioFormatFlagIsFloat, 0u);
}

TEST(PipeWireCatalog, DescribesTheSpeakersAsTheStereoDefaultOutput) {
  PipeWireHardware hardware;
  AudioObjectID speakers = deviceWithUID(hardware, kSpeakers);
  ASSERT_NE(speakers, kAudioObjectUnknown);
  EXPECT_EQ(readValue<AudioObjectID>(hardware, kAudioObjectSystemObject,
                                     address(kAudioHardwarePropertyDefaultOutputDevice)),
            speakers);
  EXPECT_EQ(streamChannels(hardware, speakers, kAudioObjectPropertyScopeOutput),
            std::vector<UInt32>{2});
  EXPECT_TRUE(streamChannels(hardware, speakers, kAudioObjectPropertyScopeInput).empty())
      << "a sink's monitor is no input";
  EXPECT_EQ(readValue<Float64>(hardware, speakers, address(kAudioDevicePropertyNominalSampleRate)),
            48000.0);
  EXPECT_TRUE(physicalFormat(hardware, speakers, kAudioObjectPropertyScopeOutput).has_value());
  // The graph's quantum and its maximum stand for the buffer sizes.
  for (AudioObjectID id : devices(hardware)) {
    EXPECT_EQ(readValue<UInt32>(hardware, id, address(kAudioDevicePropertyBufferFrameSize)), 1024u);
    EXPECT_EQ(
        readValue<UInt32>(hardware, id, address(kAudioDevicePropertyUsesVariableBufferFrameSizes)),
        2048u);
  }
}

TEST(PipeWireCatalog, AReplugGivesANewIDWithTheSameUID) {
  PipeWireHardware hardware;
  AudioObjectID before = deviceWithUID(hardware, kHeadphones);
  ASSERT_NE(before, kAudioObjectUnknown);
  ASSERT_TRUE(runSession("unplug " + kHeadphones));
  ASSERT_TRUE(
      eventually([&] { return deviceWithUID(hardware, kHeadphones) == kAudioObjectUnknown; }));
  auto alive = address(kAudioDevicePropertyDeviceIsAlive);
  EXPECT_FALSE(hardware.hasProperty(before, &alive));
  ASSERT_TRUE(runSession("replug " + kHeadphones));
  ASSERT_TRUE(
      eventually([&] { return deviceWithUID(hardware, kHeadphones) != kAudioObjectUnknown; }));
  AudioObjectID after = deviceWithUID(hardware, kHeadphones);
  EXPECT_NE(after, before);
  EXPECT_EQ(streamChannels(hardware, after, kAudioObjectPropertyScopeOutput),
            std::vector<UInt32>{2});
}

TEST(PipeWireCatalog, DevicesVanishWithTheDaemonAndReturnWithIt) {
  PipeWireHardware hardware;
  NotificationRecorder recorder(hardware);
  recorder.listen(kAudioObjectSystemObject, kAudioHardwarePropertyDevices);
  ASSERT_TRUE(runSession("stop"));
  EXPECT_TRUE(recorder.waitFor(kAudioObjectSystemObject, kAudioHardwarePropertyDevices));
  // Not an empty list but an unreadable one: the service is not running.
  const auto listStatus = [&] {
    const auto list = address(kAudioHardwarePropertyDevices);
    UInt32 size = 0;
    return hardware.getPropertyDataSize(kAudioObjectSystemObject, &list, 0, nullptr, &size);
  };
  EXPECT_TRUE(devices(hardware).empty());
  EXPECT_EQ(listStatus(), kAudioHardwareNotRunningError);
  ASSERT_TRUE(runSession("start"));
  ASSERT_TRUE(runSession("make-devices"));
  EXPECT_TRUE(eventually([&] { return devices(hardware).size() == 3; }));
  EXPECT_EQ(listStatus(), noErr);
  EXPECT_NE(deviceWithUID(hardware, kInterface), kAudioObjectUnknown);
  EXPECT_NE(readValue<AudioObjectID>(hardware, kAudioObjectSystemObject,
                                     address(kAudioHardwarePropertyDefaultOutputDevice)),
            AudioObjectID{kAudioObjectUnknown});
}
