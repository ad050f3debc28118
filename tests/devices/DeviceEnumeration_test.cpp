#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "devices/AudioDeviceService.h"
#include "devices/HardwareReads.h"
#include "devices/SimulatedDeviceFixtures.h"

namespace {

constexpr auto kInput = kAudioObjectPropertyScopeInput;
using Fault = SimulatedPropertyFault;
using enum Fault::Kind;

class DeviceEnumerationTest : public testing::Test {
 protected:
  std::optional<AudioInputDevice> listed(AudioObjectID device) {
    for (AudioInputDevice& each : service.inputDevices()) {
      if (each.id == device) return each;
    }
    return std::nullopt;
  }

  // Empty when the device is not listed.
  std::vector<std::string> pairIDs(AudioObjectID device) {
    std::vector<std::string> identifiers;
    for (const AudioChannelPair& pair : listed(device).value_or(AudioInputDevice{}).channelPairs) {
      identifiers.push_back(pair.id());
    }
    return identifiers;
  }

  SimulatedCatalog catalog;
  AudioDeviceService service{catalog};
};

TEST_F(DeviceEnumerationTest, PairsAdjacentChannelsWithAUsablePreferredPairFirst) {
  const std::vector<std::string> four{"0-1", "2-3"};
  const struct {
    std::vector<UInt32> streams;
    std::optional<std::array<UInt32, 2>> preferred;
    std::vector<std::string> pairs;
  } rows[] = {
      {{1}, {}, {}},
      {{1, 1}, {}, {"0-1"}},
      {{5}, {}, four},
      {{6}, {{3, 4}}, {"2-3", "0-1", "4-5"}},
      {{4}, {{2, 1}}, {"1-0", "0-1", "2-3"}},
      {{4}, {{0, 2}}, four},
      {{4}, {{3, 3}}, four},
      {{4}, {{1, 0xFFFFFFFF}}, four},
      {{2, 0x80000000u}, {}, {}},  // negative as a signed count
      {{257}, {}, {}},
      {{256, 256, 256, 256, 1}, {}, {}},
  };
  for (const auto& row : rows) {
    SimulatedCatalogDevice device = simulatedInputDevice("Device", "device");
    device.inputStreams.clear();
    for (const UInt32 count : row.streams) device.inputStreams.push_back({count, std::nullopt});
    device.preferredStereoChannels = row.preferred;
    EXPECT_EQ(pairIDs(catalog.addDevice(device)), row.pairs) << &row - rows;
  }
  SimulatedCatalogDevice widest = simulatedInputDevice("Device", "device", 256);
  widest.inputStreams.resize(4, widest.inputStreams.front());
  EXPECT_EQ(pairIDs(catalog.addDevice(widest)).size(), 512u) << "1024 channels are plausible";

  SimulatedCatalogDevice preferring = simulatedInputDevice("Four", "four", 4);
  preferring.preferredStereoChannels = {{3, 4}};
  for (const Fault& fault : {Fault{readFails}, Fault{shortRead, 4}}) {
    const AudioObjectID id = catalog.addDevice(preferring);
    catalog.injectFault(id, propertyAddress(kAudioDevicePropertyPreferredChannelsForStereo, kInput),
                        fault);
    EXPECT_EQ(pairIDs(id), four) << "an unreadable preference is ignored";
  }
}

TEST_F(DeviceEnumerationTest, ListedDeviceCarriesItsValuesAndNeutralOnesWhereUnreadable) {
  SimulatedCatalogDevice interface = simulatedInputDevice("Studio", "studio-uid", 6);
  interface.nominalSampleRate = 96000.0;
  interface.bufferFrameSize = 256;
  interface.inputChannelNames = {"Kick", "", std::nullopt, "Snare", "Hat"};
  const AudioObjectID id = catalog.addDevice(interface);
  catalog.injectFault(id, propertyAddress(kAudioObjectPropertyElementName, kInput, 5),
                      Fault{nullText});
  auto device = listed(id);
  ASSERT_TRUE(device);
  EXPECT_EQ(device->channelNames,
            (std::vector<std::string>{"Kick", "", "Input 3", "Snare", "Input 5", "Input 6"}));
  EXPECT_EQ(device->channelPairs[1], (AudioChannelPair{2, 3, "Input 3", "Snare"}));
  EXPECT_EQ(std::tie(device->uid, device->name, device->nominalSampleRate, device->bufferFrameSize,
                     device->physicalFormat, device->isAlive),
            std::tuple("studio-uid", "Studio", 96000.0, 256u, AudioDeviceFormat{24, false}, true));

  for (const auto selector :
       {kAudioDevicePropertyNominalSampleRate, kAudioDevicePropertyBufferFrameSize,
        kAudioDevicePropertyDeviceIsAlive}) {
    catalog.injectFault(id, propertyAddress(selector), Fault{readFails});
  }
  catalog.injectFault(catalog.streams(id, kInput).front(),
                      propertyAddress(kAudioStreamPropertyPhysicalFormat), Fault{readFails});
  device = listed(id);
  ASSERT_TRUE(device);
  EXPECT_EQ(std::tie(device->nominalSampleRate, device->bufferFrameSize, device->physicalFormat,
                     device->isAlive),
            std::tuple(0.0, 0u, std::nullopt, false));
}

TEST_F(DeviceEnumerationTest, DeviceWithoutReadableUIDOrNameIsNotListed) {
  for (const auto selector : {kAudioDevicePropertyDeviceUID, kAudioObjectPropertyName}) {
    for (const Fault& fault :
         {Fault{missing}, Fault{nullText}, Fault{readFails}, Fault{shortRead, 4}}) {
      const AudioObjectID id = catalog.addDevice(simulatedInputDevice("Faulty", "faulty"));
      catalog.injectFault(id, propertyAddress(selector), fault);
      EXPECT_FALSE(listed(id)) << static_cast<int>(fault.kind);
    }
  }
}

TEST_F(DeviceEnumerationTest, DeviceListAndStreamConfigurationReadOnlyWholeValues) {
  const AudioObjectID first = catalog.addDevice(simulatedInputDevice("First", "first", 2));
  catalog.addDevice(simulatedInputDevice("Second", "second"));
  catalog.addDevice(simulatedInputDevice("Third", "third"));
  const struct {
    Fault fault;
    std::vector<AudioObjectID> ids;
  } lists[] = {{Fault{sizeQueryFails}, {}},
               {Fault{misreportedSize, ~0u}, {}},
               {Fault{shortRead, sizeof(AudioObjectID)}, {first, 0, 0}},
               {Fault{misreportedSize, 7}, {first}}};
  for (const auto& row : lists) {
    catalog.injectFault(kAudioObjectSystemObject, propertyAddress(kAudioHardwarePropertyDevices),
                        row.fault);
    EXPECT_EQ(service.deviceIDs(), row.ids) << static_cast<int>(row.fault.kind);
    EXPECT_EQ(service.inputDevices().size(), row.ids.empty() ? 0u : 1u);
  }
  catalog.clearFaults();

  SimulatedCatalogDevice device = simulatedInputDevice("Device", "device", 2);
  device.inputStreams.push_back({6, std::nullopt});
  const struct {
    Fault fault;
    std::vector<int> counts;  // empty: not listed
  } configurations[] = {{Fault{readFails}, {}},
                        {Fault{misreportedSize, sizeof(AudioBufferList) - 1}, {}},
                        {Fault{misreportedSize, 0xFFFFFFF0}, {}},
                        {Fault{overstatedBufferCount, 4096}, {2, 6}},
                        {Fault{shortRead, AudioBufferListByteSize(2) - 1}, {2}},
                        {Fault{grewBetweenReads, AudioBufferListByteSize(1)}, {2}}};
  for (const auto& row : configurations) {
    const AudioObjectID id = catalog.addDevice(device);
    catalog.injectFault(id, propertyAddress(kAudioDevicePropertyStreamConfiguration, kInput),
                        row.fault);
    EXPECT_EQ(service.streamChannelCounts(id, kInput), row.counts)
        << static_cast<int>(row.fault.kind);
    EXPECT_EQ(listed(id).has_value(), !row.counts.empty());
  }
}

TEST_F(DeviceEnumerationTest, DefaultOutputCarriesItsOutputSideAndIsAbsentUnlessUsable) {
  catalog.setDefaultOutputDevice(catalog.addDevice(simulatedInputDevice("Mic", "mic")));
  EXPECT_FALSE(service.defaultOutputDevice()) << "an input-only device made default";
  catalog.setDefaultOutputDevice(4242);
  EXPECT_FALSE(service.defaultOutputDevice()) << "a default that no longer exists";

  SimulatedCatalogDevice speakers = simulatedOutputDevice("Speakers", "speakers-uid");
  speakers.inputStreams = {{2, simulatedLinearPCMFormat(16, false)}};
  speakers.nominalSampleRate = 44100.0;
  speakers.bufferFrameSize = 512;
  speakers.variableBufferFrameSize = 1024;
  const AudioObjectID id = catalog.addDevice(speakers);
  catalog.setDefaultOutputDevice(id);
  EXPECT_EQ(service.defaultOutputDevice(),
            (AudioOutputDevice{id, "speakers-uid", "Speakers", 44100.0, AudioDeviceFormat{32, true},
                               1024, true}));
  const struct {
    AudioObjectID object;
    AudioObjectPropertyAddress address;
    Fault fault;
  } rows[] = {
      {id, propertyAddress(kAudioObjectPropertyName), Fault{missing}},
      {kAudioObjectSystemObject, propertyAddress(kAudioHardwarePropertyDefaultOutputDevice),
       Fault{readFails}},
      {id,
       propertyAddress(kAudioDevicePropertyStreamConfiguration, kAudioObjectPropertyScopeOutput),
       Fault{overstatedBufferCount, 0}}};
  for (const auto& row : rows) {
    catalog.injectFault(row.object, row.address, row.fault);
    EXPECT_FALSE(service.defaultOutputDevice()) << static_cast<int>(row.fault.kind);
    catalog.clearFaults();
  }
}

}  // namespace
