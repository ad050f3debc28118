#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "devices/AudioDeviceService.h"
#include "devices/HardwareReads.h"
#include "devices/SimulatedDeviceFixtures.h"
#include "platform/simulated/SimulatedCatalog.h"

namespace {

constexpr auto kInput = kAudioObjectPropertyScopeInput;
constexpr auto kOutput = kAudioObjectPropertyScopeOutput;

class DeviceEnumerationTest : public testing::Test {
 protected:
  std::optional<AudioInputDevice> listed(AudioObjectID device) {
    for (AudioInputDevice& each : service.inputDevices()) {
      if (each.id == device) return each;
    }
    return std::nullopt;
  }

  SimulatedCatalog catalog;
  AudioDeviceService service{catalog};
};

TEST_F(DeviceEnumerationTest, PairsAdjacentChannelsWithAUsablePreferredPairFirst) {
  struct Row {
    std::vector<UInt32> streams;
    std::optional<std::array<UInt32, 2>> preferred;
    std::vector<std::string> pairs;  // empty: not listed
  };
  const std::vector<std::string> four{"0-1", "2-3"};
  const Row rows[] = {
      {{1}, std::nullopt, {}},
      {{}, std::nullopt, {}},
      {{1, 1}, std::nullopt, {"0-1"}},
      {{5}, std::nullopt, four},
      {{6}, {{3, 4}}, {"2-3", "0-1", "4-5"}},
      {{4}, {{2, 1}}, {"1-0", "0-1", "2-3"}},
      {{4}, {{0, 2}}, four},
      {{4}, {{3, 3}}, four},
      {{4}, {{4, 5}}, four},
      {{4}, {{1, 0xFFFFFFFF}}, four},
      {{2, 0x80000000u}, std::nullopt, {}},  // negative as a signed count
      {{0xFFFFFFFFu, 4}, std::nullopt, {}},
      {{257}, std::nullopt, {}},
      {{256, 256, 256, 256, 1}, std::nullopt, {}},
  };
  for (const Row& row : rows) {
    SimulatedCatalogDevice device = simulatedInputDevice("Device", "device");
    device.inputStreams.clear();
    for (const UInt32 count : row.streams) device.inputStreams.push_back({count, std::nullopt});
    device.preferredStereoChannels = row.preferred;
    const auto found = listed(catalog.addDevice(device));
    SCOPED_TRACE(testing::Message() << row.streams.size() << " streams, first "
                                    << (row.streams.empty() ? 0 : row.streams[0]));
    EXPECT_EQ(found ? pairIDs(found->channelPairs) : std::vector<std::string>{}, row.pairs);
  }
  SimulatedCatalogDevice widest = simulatedInputDevice("Device", "device", 256);
  widest.inputStreams.resize(4, widest.inputStreams.front());
  EXPECT_TRUE(listed(catalog.addDevice(widest))) << "1024 channels in all is still plausible";
}

TEST_F(DeviceEnumerationTest, UnreadablePreferenceIsIgnored) {
  SimulatedCatalogDevice four = simulatedInputDevice("Four", "four", 4);
  four.preferredStereoChannels = {{3, 4}};
  const AudioObjectID failing = catalog.addDevice(four);
  const AudioObjectID shortRead = catalog.addDevice(four);
  const auto address = propertyAddress(kAudioDevicePropertyPreferredChannelsForStereo, kInput);
  catalog.injectFault(failing, address, SimulatedPropertyFault::failingRead());
  catalog.injectFault(shortRead, address, SimulatedPropertyFault::readShortOf(4));

  EXPECT_FALSE(service.preferredStereoChannels(failing));
  EXPECT_FALSE(service.preferredStereoChannels(shortRead));
  EXPECT_EQ(pairIDs(listed(failing)->channelPairs), (std::vector<std::string>{"0-1", "2-3"}));
}

TEST_F(DeviceEnumerationTest, ChannelNamesFallBackOnlyWhenUnreadable) {
  SimulatedCatalogDevice eight = simulatedInputDevice("Eight", "eight", 8);
  eight.inputChannelNames = {"Kick", "", std::nullopt, "Snare", "Hat", "Tom"};
  const AudioObjectID id = catalog.addDevice(eight);
  catalog.injectFault(id, propertyAddress(kAudioObjectPropertyElementName, kInput, 5),
                      SimulatedPropertyFault::nullTextReference());
  catalog.injectFault(id, propertyAddress(kAudioObjectPropertyElementName, kInput, 6),
                      SimulatedPropertyFault::failingRead());

  const auto device = listed(id);
  ASSERT_TRUE(device);
  EXPECT_EQ(device->channelNames,
            (std::vector<std::string>{"Kick", "", "Input 3", "Snare", "Input 5", "Input 6",
                                      "Input 7", "Input 8"}));
  ASSERT_EQ(device->channelPairs.size(), 4u);
  EXPECT_EQ(device->channelPairs[0].leftName, "Kick");
  EXPECT_EQ(device->channelPairs[0].rightName, "");
  EXPECT_EQ(device->channelPairs[1].leftName, "Input 3");
  EXPECT_EQ(device->channelPairs[1].rightName, "Snare");
}

TEST_F(DeviceEnumerationTest, DeviceWithoutReadableUIDOrNameIsNotListed) {
  const std::vector<SimulatedPropertyFault> faults{
      SimulatedPropertyFault::missingProperty(), SimulatedPropertyFault::nullTextReference(),
      SimulatedPropertyFault::failingRead(), SimulatedPropertyFault::readShortOf(4)};
  for (const AudioObjectPropertySelector selector :
       {kAudioDevicePropertyDeviceUID, kAudioObjectPropertyName}) {
    for (const SimulatedPropertyFault& fault : faults) {
      const AudioObjectID id = catalog.addDevice(simulatedInputDevice("Faulty", "faulty"));
      catalog.injectFault(id, propertyAddress(selector), fault);
      EXPECT_FALSE(listed(id)) << static_cast<int>(fault.kind);
    }
  }
  SimulatedCatalogDevice nameless = simulatedInputDevice("", "nameless");
  nameless.name.reset();
  EXPECT_FALSE(listed(catalog.addDevice(nameless)));
}

TEST_F(DeviceEnumerationTest, ListedDeviceCarriesEveryReadValue) {
  SimulatedCatalogDevice interface = simulatedInputDevice("Studio", "studio-uid", 2);
  interface.nominalSampleRate = 96000.0;
  interface.bufferFrameSize = 256;
  interface.isAlive = false;
  const AudioObjectID id = catalog.addDevice(interface);

  const auto device = listed(id);
  ASSERT_TRUE(device);
  const AudioInputDevice expected{
      .id = id,
      .uid = "studio-uid",
      .name = "Studio",
      .channelNames = {"Input 1", "Input 2"},
      .channelPairs = {{0, 1, "Input 1", "Input 2"}},
      .nominalSampleRate = 96000.0,
      .physicalFormat = AudioDeviceFormat{24, false},
      .bufferFrameSize = 256,
      .isAlive = false,
  };
  EXPECT_EQ(*device, expected);
}

TEST_F(DeviceEnumerationTest, UnreadableValuesBecomeNeutral) {
  const AudioObjectID id = catalog.addDevice(simulatedInputDevice("Vanishing", "vanishing"));
  for (const auto selector :
       {kAudioDevicePropertyNominalSampleRate, kAudioDevicePropertyBufferFrameSize,
        kAudioDevicePropertyDeviceIsAlive}) {
    catalog.injectFault(id, propertyAddress(selector), SimulatedPropertyFault::failingRead());
  }
  const auto streams = catalog.streams(id, kInput);
  catalog.injectFault(streams.front(), propertyAddress(kAudioStreamPropertyPhysicalFormat),
                      SimulatedPropertyFault::failingRead());

  const auto device = listed(id);
  ASSERT_TRUE(device);
  EXPECT_EQ(device->nominalSampleRate, 0.0);
  EXPECT_EQ(device->bufferFrameSize, 0u);
  EXPECT_FALSE(device->isAlive);
  EXPECT_FALSE(device->physicalFormat);
}

TEST_F(DeviceEnumerationTest, PhysicalFormatNeedsStreamsThatAgree) {
  auto withStreams = [&](std::vector<SimulatedStream> streams) {
    SimulatedCatalogDevice device = simulatedInputDevice("Device", "device");
    device.inputStreams = std::move(streams);
    return service.physicalFormat(catalog.addDevice(device), kInput);
  };
  const auto int24 = simulatedLinearPCMFormat(24, false);
  const auto float32 = simulatedLinearPCMFormat(32, true);
  auto compressed = int24;
  compressed.mFormatID = FourCharCode("aac ");
  auto depthless = float32;
  depthless.mBitsPerChannel = 0;

  EXPECT_FALSE(withStreams({{2, int24}, {2, float32}}));
  EXPECT_EQ(withStreams({{2, int24}, {2, int24}}), (AudioDeviceFormat{24, false}));
  EXPECT_EQ(withStreams({{2, compressed}, {2, depthless}, {2, std::nullopt}, {2, float32}}),
            (AudioDeviceFormat{32, true}));
  EXPECT_FALSE(withStreams({{2, compressed}, {2, std::nullopt}}));
}

TEST_F(DeviceEnumerationTest, UnreadableDeviceListListsNothing) {
  catalog.addDevice(simulatedInputDevice("Device", "device"));
  const auto devices = propertyAddress(kAudioHardwarePropertyDevices);
  for (const SimulatedPropertyFault& fault :
       {SimulatedPropertyFault::failingSizeQuery(), SimulatedPropertyFault::failingRead(),
        SimulatedPropertyFault::sizeReportedAs(3), SimulatedPropertyFault::sizeReportedAs(~0u)}) {
    catalog.injectFault(kAudioObjectSystemObject, devices, fault);
    EXPECT_TRUE(service.deviceIDs().empty()) << static_cast<int>(fault.kind);
    EXPECT_TRUE(service.inputDevices().empty()) << static_cast<int>(fault.kind);
  }
}

TEST_F(DeviceEnumerationTest, ShortDeviceListKeepsItsLengthWithEmptyEntries) {
  const AudioObjectID first = catalog.addDevice(simulatedInputDevice("First", "first"));
  catalog.addDevice(simulatedInputDevice("Second", "second"));
  catalog.addDevice(simulatedInputDevice("Third", "third"));
  const auto list = propertyAddress(kAudioHardwarePropertyDevices);
  catalog.injectFault(kAudioObjectSystemObject, list,
                      SimulatedPropertyFault::readShortOf(sizeof(AudioObjectID)));
  EXPECT_EQ(service.deviceIDs(), (std::vector<AudioObjectID>{first, 0, 0}));
  const auto devices = service.inputDevices();
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(devices.front().id, first);
  catalog.injectFault(kAudioObjectSystemObject, list, SimulatedPropertyFault::sizeReportedAs(7));
  EXPECT_EQ(service.deviceIDs(), (std::vector<AudioObjectID>{first})) << "whole identifiers only";
}

TEST_F(DeviceEnumerationTest, UnreadableStreamConfigurationHasNoCounts) {
  const auto configuration = propertyAddress(kAudioDevicePropertyStreamConfiguration, kInput);
  for (const SimulatedPropertyFault& fault :
       {SimulatedPropertyFault::failingSizeQuery(), SimulatedPropertyFault::failingRead(),
        SimulatedPropertyFault::sizeReportedAs(sizeof(AudioBufferList) - 1),
        SimulatedPropertyFault::sizeReportedAs(0xFFFFFFF0)}) {
    const AudioObjectID id = catalog.addDevice(simulatedInputDevice("Device", "device", 4));
    catalog.injectFault(id, configuration, fault);
    EXPECT_TRUE(service.streamChannelCounts(id, kInput).empty()) << static_cast<int>(fault.kind);
    EXPECT_FALSE(listed(id));
  }
}

TEST_F(DeviceEnumerationTest, StreamConfigurationReadsOnlyTheWholeBuffersDelivered) {
  SimulatedCatalogDevice device = simulatedInputDevice("Device", "device", 2);
  device.inputStreams.push_back({6, std::nullopt});
  const AudioObjectID id = catalog.addDevice(device);
  const auto configuration = propertyAddress(kAudioDevicePropertyStreamConfiguration, kInput);
  EXPECT_EQ(service.streamChannelCounts(id, kInput), (std::vector<int>{2, 6}));
  catalog.injectFault(id, configuration, SimulatedPropertyFault::bufferCountClaimed(4096));
  EXPECT_EQ(service.streamChannelCounts(id, kInput), (std::vector<int>{2, 6}));
  catalog.injectFault(id, configuration,
                      SimulatedPropertyFault::readShortOf(AudioBufferListByteSize(2) - 1));
  EXPECT_EQ(service.streamChannelCounts(id, kInput), (std::vector<int>{2}));
  catalog.injectFault(id, configuration,
                      SimulatedPropertyFault::readShortOf(AudioBufferListByteSize(1) - 1));
  EXPECT_TRUE(service.streamChannelCounts(id, kInput).empty());
  catalog.injectFault(id, configuration,
                      SimulatedPropertyFault::grownAfterSizeQueryOf(AudioBufferListByteSize(1)));
  EXPECT_EQ(service.streamChannelCounts(id, kInput), (std::vector<int>{2}));
}

TEST_F(DeviceEnumerationTest, DefaultOutputCarriesItsOutputSide) {
  SimulatedCatalogDevice speakers = simulatedOutputDevice("Speakers", "speakers-uid");
  speakers.inputStreams = {{2, simulatedLinearPCMFormat(16, false)}};
  speakers.nominalSampleRate = 44100.0;
  speakers.bufferFrameSize = 512;
  speakers.variableBufferFrameSize = 1024;
  const AudioObjectID id = catalog.addDevice(speakers);
  catalog.setDefaultOutputDevice(id);

  const AudioOutputDevice expected{
      .id = id,
      .uid = "speakers-uid",
      .name = "Speakers",
      .nominalSampleRate = 44100.0,
      .physicalFormat = AudioDeviceFormat{32, true},
      .bufferFrameSize = 1024,
      .isAlive = true,
  };
  EXPECT_EQ(service.defaultOutputDevice(), expected);
}

TEST_F(DeviceEnumerationTest, NoUsableDefaultOutputIsAbsent) {
  EXPECT_FALSE(service.defaultOutputDevice());

  catalog.setDefaultOutputDevice(catalog.addDevice(simulatedInputDevice("Mic", "mic")));
  EXPECT_FALSE(service.defaultOutputDevice()) << "an input-only device made default";

  catalog.setDefaultOutputDevice(4242);
  EXPECT_FALSE(service.defaultOutputDevice()) << "a default that no longer exists";

  const AudioObjectID speakers = catalog.addDevice(simulatedOutputDevice("Speakers", "spk"));
  catalog.setDefaultOutputDevice(speakers);
  ASSERT_TRUE(service.defaultOutputDevice());

  catalog.injectFault(speakers, propertyAddress(kAudioDevicePropertyDeviceUID),
                      SimulatedPropertyFault::nullTextReference());
  EXPECT_FALSE(service.defaultOutputDevice());
  catalog.clearFaults();
  catalog.injectFault(speakers, propertyAddress(kAudioObjectPropertyName),
                      SimulatedPropertyFault::missingProperty());
  EXPECT_FALSE(service.defaultOutputDevice());
  catalog.clearFaults();
  catalog.injectFault(kAudioObjectSystemObject,
                      propertyAddress(kAudioHardwarePropertyDefaultOutputDevice),
                      SimulatedPropertyFault::failingRead());
  EXPECT_FALSE(service.defaultOutputDevice());
  catalog.clearFaults();
  catalog.injectFault(speakers, propertyAddress(kAudioDevicePropertyStreamConfiguration, kOutput),
                      SimulatedPropertyFault::bufferCountClaimed(0));
  EXPECT_FALSE(service.defaultOutputDevice()) << "no output buffers";
}

TEST_F(DeviceEnumerationTest, DevicesAreSortedByNameIgnoringCaseAndStable) {
  const AudioObjectID usb = catalog.addDevice(simulatedInputDevice("usb Interface", "a"));
  const AudioObjectID upper = catalog.addDevice(simulatedInputDevice("STUDIO", "b"));
  const AudioObjectID builtIn = catalog.addDevice(simulatedInputDevice("Built-in Mic", "c"));
  const AudioObjectID lower = catalog.addDevice(simulatedInputDevice("studio", "d"));
  const AudioObjectID mixed = catalog.addDevice(simulatedInputDevice("Studio", "e"));

  std::vector<AudioObjectID> order;
  for (const AudioInputDevice& device : service.inputDevices()) order.push_back(device.id);
  EXPECT_EQ(order, (std::vector<AudioObjectID>{builtIn, upper, lower, mixed, usb}));
}

}  // namespace
