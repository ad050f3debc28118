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

constexpr auto kInput = kAudioObjectPropertyScopeInput, kOutput = kAudioObjectPropertyScopeOutput;
using Fault = SimulatedPropertyFault;
using enum Fault::Kind;

class DeviceEnumerationTest : public testing::Test {
 protected:
  std::optional<AudioInputDevice> listed(AudioObjectID device) {
    for (AudioInputDevice& each : service.inputDevices())
      if (each.id == device) return each;
    return std::nullopt;
  }

  // The pairs offered, as "0-1 2-3 …"; none when the device is not listed.
  std::optional<std::string> pairIDs(AudioObjectID device) {
    const auto input = listed(device);
    if (!input) return std::nullopt;
    std::string identifiers;
    for (const AudioChannelPair& pair : input->channelPairs)
      identifiers += (identifiers.empty() ? "" : " ") + pair.id();
    return identifiers;
  }

  SimulatedCatalog catalog;
  AudioDeviceService service{catalog};
};

// Adjacent pairs, a usable preferred pair first. Without a whole UID, name or stream
// configuration a device is not listed; an unreadable preference is ignored; a configuration is
// read only as far as its delivered bytes hold buffers.
TEST_F(DeviceEnumerationTest, PairsAdjacentChannelsPreferredFirstAndDropsUnreadableDevices) {
  const std::vector<Fault> text{Fault{missing}, Fault{nullText}, Fault{readFails},
                                Fault{shortRead, 4}};
  const std::vector<Fault> unreadable{Fault{readFails}, Fault{shortRead, 4}};
  const std::vector<Fault> refused{Fault{readFails},
                                   Fault{misreportedSize, sizeof(AudioBufferList) - 1},
                                   Fault{misreportedSize, 0xFFFFFFF0}};
  const std::vector<Fault> oneBuffer{Fault{shortRead, AudioBufferListByteSize(2) - 1},
                                     Fault{grewBetweenReads, AudioBufferListByteSize(1)}};
  const auto preference = propertyAddress(kAudioDevicePropertyPreferredChannelsForStereo, kInput);
  const auto configuration = propertyAddress(kAudioDevicePropertyStreamConfiguration, kInput);
  const struct {
    std::vector<UInt32> streams;
    std::optional<std::array<UInt32, 2>> preferred;
    std::optional<std::string> pairs;  // none: not listed
    // The default address names no property: the row has no fault.
    AudioObjectPropertyAddress faulty{};
    std::vector<Fault> faults{Fault{}};
  } rows[] = {
      {{1}, {}, {}},
      {{1, 1}, {}, "0-1"},
      {{5}, {}, "0-1 2-3"},
      {{6}, {{3, 4}}, "2-3 0-1 4-5"},
      {{4}, {{2, 1}}, "1-0 0-1 2-3"},
      {{4}, {{0, 2}}, "0-1 2-3"},
      {{4}, {{3, 3}}, "0-1 2-3"},
      {{4}, {{1, 0xFFFFFFFF}}, "0-1 2-3"},
      {{2, 0x80000000u}, {}, {}},  // negative as a signed count
      {{257}, {}, {}},
      {{256, 256, 256, 256, 1}, {}, {}},
      {{2}, {}, {}, propertyAddress(kAudioDevicePropertyDeviceUID), text},
      {{2}, {}, {}, propertyAddress(kAudioObjectPropertyName), text},
      {{4}, {{3, 4}}, "0-1 2-3", preference, unreadable},
      {{2, 6}, {}, {}, configuration, refused},
      {{2, 6}, {}, "0-1 2-3 4-5 6-7", configuration, {Fault{overstatedBufferCount, 4096}}},
      {{2, 6}, {}, "0-1", configuration, oneBuffer},
  };
  for (const auto& row : rows) {
    SimulatedCatalogDevice device = simulatedInputDevice("Device", "device");
    device.inputStreams.clear();
    for (const UInt32 count : row.streams) device.inputStreams.push_back({count, std::nullopt});
    device.preferredStereoChannels = row.preferred;
    for (const Fault& fault : row.faults) {
      const AudioObjectID id = catalog.addDevice(device);
      catalog.injectFault(id, row.faulty, fault);
      EXPECT_EQ(pairIDs(id), row.pairs) << &row - rows << " " << static_cast<int>(fault.kind);
    }
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

TEST_F(DeviceEnumerationTest, DeviceListReadsOnlyWholeEntries) {
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
  } rows[] = {{id, propertyAddress(kAudioObjectPropertyName), Fault{missing}},
              {kAudioObjectSystemObject, propertyAddress(kAudioHardwarePropertyDefaultOutputDevice),
               Fault{readFails}},
              {id, propertyAddress(kAudioDevicePropertyStreamConfiguration, kOutput),
               Fault{overstatedBufferCount, 0}}};
  for (const auto& row : rows) {
    catalog.injectFault(row.object, row.address, row.fault);
    EXPECT_FALSE(service.defaultOutputDevice()) << static_cast<int>(row.fault.kind);
    catalog.clearFaults();
  }
}

}  // namespace
