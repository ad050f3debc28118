#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/CFString.h"
#include "platform/SerialDispatchQueue.h"
#include "platform/simulated/SimulatedCatalog.h"

namespace {

constexpr auto kGlobal = kAudioObjectPropertyScopeGlobal;
constexpr auto kInput = kAudioObjectPropertyScopeInput;
constexpr auto kOutput = kAudioObjectPropertyScopeOutput;

AudioObjectPropertyAddress at(AudioObjectPropertySelector selector,
                              AudioObjectPropertyScope scope = kGlobal, UInt32 element = 0) {
  return {selector, scope, element};
}

SimulatedCatalogDevice interfaceWith(std::vector<UInt32> inputChannels) {
  SimulatedCatalogDevice device;
  device.uid = "uid-1";
  device.name = "Interface";
  for (const UInt32 channels : inputChannels) {
    device.inputStreams.push_back({channels, simulatedLinearPCMFormat(24, false, channels)});
  }
  device.outputStreams = {{2, simulatedLinearPCMFormat(32, true)}};
  return device;
}

// Reads the whole value of one property as raw bytes, sized by the size query.
std::vector<std::byte> bytesOf(SimulatedCatalog& catalog, AudioObjectID object,
                               AudioObjectPropertyAddress address) {
  UInt32 size = 0;
  EXPECT_EQ(catalog.getPropertyDataSize(object, &address, 0, nullptr, &size), noErr);
  std::vector<std::byte> bytes(size);
  EXPECT_EQ(catalog.getPropertyData(object, &address, 0, nullptr, &size, bytes.data()), noErr);
  bytes.resize(size);
  return bytes;
}

template <typename T>
T valueOf(SimulatedCatalog& catalog, AudioObjectID object, AudioObjectPropertyAddress address) {
  T value{};
  UInt32 size = sizeof value;
  EXPECT_EQ(catalog.getPropertyData(object, &address, 0, nullptr, &size, &value), noErr);
  EXPECT_EQ(size, sizeof value);
  return value;
}

std::optional<std::string> textOf(SimulatedCatalog& catalog, AudioObjectID object,
                                  AudioObjectPropertyAddress address) {
  const ScopedCFString text(valueOf<CFStringRef>(catalog, object, address));
  if (!text) return std::nullopt;
  return text->utf8;
}

// Layouts.

TEST(SimulatedCatalogTest, DeviceListHoldsIdentifiersInArrivalOrderAndNeverReusesThem) {
  SimulatedCatalog catalog;
  const AudioObjectID first = catalog.addDevice(interfaceWith({2}));
  const AudioObjectID second = catalog.addDevice(interfaceWith({2}));
  catalog.removeDevice(first);
  const AudioObjectID third = catalog.addDevice(interfaceWith({2}));

  EXPECT_GT(third, second);
  const auto bytes = bytesOf(catalog, kAudioObjectSystemObject, at(kAudioHardwarePropertyDevices));
  std::vector<AudioObjectID> listed(bytes.size() / sizeof(AudioObjectID));
  std::memcpy(listed.data(), bytes.data(), bytes.size());
  EXPECT_EQ(listed, (std::vector<AudioObjectID>{second, third}));
  for (const AudioObjectID stream : catalog.streams(third, kInput)) {
    EXPECT_NE(stream, first);
    EXPECT_NE(stream, second);
  }
}

TEST(SimulatedCatalogTest, StreamConfigurationIsABufferListWithoutData) {
  SimulatedCatalog catalog;
  const AudioObjectID device = catalog.addDevice(interfaceWith({2, 8, 1}));
  const auto bytes = bytesOf(catalog, device, at(kAudioDevicePropertyStreamConfiguration, kInput));
  ASSERT_EQ(bytes.size(), AudioBufferListByteSize(3));

  UInt32 buffers = 0;
  std::memcpy(&buffers, bytes.data(), sizeof buffers);
  EXPECT_EQ(buffers, 3u);
  for (UInt32 index = 0; index < 3; ++index) {
    AudioBuffer buffer{};
    std::memcpy(&buffer, bytes.data() + offsetof(AudioBufferList, mBuffers) + index * sizeof buffer,
                sizeof buffer);
    EXPECT_EQ(buffer.mNumberChannels, (std::vector<UInt32>{2, 8, 1})[index]);
    EXPECT_EQ(buffer.mData, nullptr);
  }
  EXPECT_EQ(bytesOf(catalog, catalog.addDevice(interfaceWith({})),
                    at(kAudioDevicePropertyStreamConfiguration, kInput))
                .size(),
            sizeof(AudioBufferList));
}

TEST(SimulatedCatalogTest, ScalarsStreamsAndFormatsUseThePlatformTypes) {
  SimulatedCatalog catalog;
  SimulatedCatalogDevice description = interfaceWith({2, 2});
  description.preferredStereoChannels = {{3, 4}};
  description.nominalSampleRate = 96000.0;
  description.bufferFrameSize = 128;
  description.variableBufferFrameSize = 256;
  description.isAlive = false;
  const AudioObjectID device = catalog.addDevice(description);
  catalog.setDefaultOutputDevice(device);

  EXPECT_EQ(valueOf<AudioObjectID>(catalog, kAudioObjectSystemObject,
                                   at(kAudioHardwarePropertyDefaultOutputDevice)),
            device);
  EXPECT_EQ(valueOf<Float64>(catalog, device, at(kAudioDevicePropertyNominalSampleRate)), 96000.0);
  EXPECT_EQ(valueOf<UInt32>(catalog, device, at(kAudioDevicePropertyBufferFrameSize)), 128u);
  EXPECT_EQ(valueOf<UInt32>(catalog, device, at(kAudioDevicePropertyUsesVariableBufferFrameSizes)),
            256u);
  EXPECT_EQ(valueOf<UInt32>(catalog, device, at(kAudioDevicePropertyDeviceIsAlive)), 0u);
  const auto pair = valueOf<std::array<UInt32, 2>>(
      catalog, device, at(kAudioDevicePropertyPreferredChannelsForStereo, kInput));
  EXPECT_EQ(pair, (std::array<UInt32, 2>{3, 4}));

  const auto streamBytes = bytesOf(catalog, device, at(kAudioDevicePropertyStreams, kOutput));
  ASSERT_EQ(streamBytes.size(), sizeof(AudioObjectID));
  AudioObjectID stream = 0;
  std::memcpy(&stream, streamBytes.data(), sizeof stream);
  EXPECT_EQ(stream, catalog.streams(device, kOutput).front());
  const auto format =
      valueOf<AudioStreamBasicDescription>(catalog, stream, at(kAudioStreamPropertyPhysicalFormat));
  EXPECT_EQ(format.mFormatID, kAudioFormatLinearPCM);
  EXPECT_EQ(format.mBitsPerChannel, 32u);
  EXPECT_EQ(format.mFormatFlags & kAudioFormatFlagIsFloat, kAudioFormatFlagIsFloat);
}

TEST(SimulatedCatalogTest, TextIsAFreshReferenceTheCallerOwns) {
  SimulatedCatalog catalog;
  SimulatedCatalogDevice description = interfaceWith({4});
  description.inputChannelNames = {"Vocal", "", std::nullopt};
  const AudioObjectID device = catalog.addDevice(description);

  EXPECT_EQ(textOf(catalog, device, at(kAudioDevicePropertyDeviceUID)), "uid-1");
  EXPECT_EQ(textOf(catalog, device, at(kAudioObjectPropertyName)), "Interface");
  EXPECT_EQ(textOf(catalog, device, at(kAudioObjectPropertyElementName, kInput, 1)), "Vocal");
  EXPECT_EQ(textOf(catalog, device, at(kAudioObjectPropertyElementName, kInput, 2)), "");
  for (const UInt32 channel : {0u, 3u, 4u}) {
    const auto address = at(kAudioObjectPropertyElementName, kInput, channel);
    EXPECT_FALSE(catalog.hasProperty(device, &address)) << channel;
  }
}

// Refusals.

TEST(SimulatedCatalogTest, RefusalsUseThePlatformStatuses) {
  SimulatedCatalog catalog;
  SimulatedCatalogDevice description = interfaceWith({2});
  description.uid.reset();
  description.variableBufferFrameSize.reset();
  const AudioObjectID device = catalog.addDevice(description);
  UInt32 size = 0;
  Float64 rate = 0;

  const auto rateAddress = at(kAudioDevicePropertyNominalSampleRate);
  EXPECT_EQ(catalog.getPropertyDataSize(4242, &rateAddress, 0, nullptr, &size),
            kAudioHardwareBadObjectError);
  EXPECT_FALSE(catalog.hasProperty(4242, &rateAddress));
  for (const auto& address :
       {at(kAudioDevicePropertyDeviceUID), at(kAudioDevicePropertyUsesVariableBufferFrameSizes),
        at(kAudioDevicePropertyNominalSampleRate, kInput), at(kAudioDevicePropertyStreams, kGlobal),
        at(FourCharCode("zzzz"))}) {
    EXPECT_FALSE(catalog.hasProperty(device, &address));
    EXPECT_EQ(catalog.getPropertyDataSize(device, &address, 0, nullptr, &size),
              kAudioHardwareUnknownPropertyError);
  }
  size = sizeof(Float32);
  EXPECT_EQ(catalog.getPropertyData(device, &rateAddress, 0, nullptr, &size, &rate),
            kAudioHardwareBadPropertySizeError);
}

TEST(SimulatedCatalogTest, ListReadsDeliverTheWholeEntriesThatFit) {
  SimulatedCatalog catalog;
  const AudioObjectID first = catalog.addDevice(interfaceWith({2}));
  catalog.addDevice(interfaceWith({2}));
  const auto address = at(kAudioHardwarePropertyDevices);
  AudioObjectID identifiers[2]{};
  UInt32 size = sizeof(AudioObjectID) + 3;
  EXPECT_EQ(
      catalog.getPropertyData(kAudioObjectSystemObject, &address, 0, nullptr, &size, identifiers),
      noErr);
  EXPECT_EQ(size, sizeof(AudioObjectID));
  EXPECT_EQ(identifiers[0], first);
  EXPECT_EQ(identifiers[1], 0u);
}

// Faults.

TEST(SimulatedCatalogTest, InjectedFaultsHitOnlyTheirAddress) {
  SimulatedCatalog catalog;
  const AudioObjectID device = catalog.addDevice(interfaceWith({2, 2}));
  const auto rate = at(kAudioDevicePropertyNominalSampleRate);
  const auto frames = at(kAudioDevicePropertyBufferFrameSize);
  const auto name = at(kAudioObjectPropertyName);
  const auto configuration = at(kAudioDevicePropertyStreamConfiguration, kInput);
  UInt32 size = 0;
  Float64 value = 0;

  catalog.injectFault(device, rate, SimulatedPropertyFault::missingProperty());
  EXPECT_FALSE(catalog.hasProperty(device, &rate));
  EXPECT_TRUE(catalog.hasProperty(device, &frames));

  catalog.injectFault(device, rate, SimulatedPropertyFault::failingSizeQuery(-1));
  EXPECT_EQ(catalog.getPropertyDataSize(device, &rate, 0, nullptr, &size), -1);
  size = sizeof value;
  EXPECT_EQ(catalog.getPropertyData(device, &rate, 0, nullptr, &size, &value), noErr);

  catalog.injectFault(device, rate, SimulatedPropertyFault::failingRead(-2));
  EXPECT_EQ(catalog.getPropertyDataSize(device, &rate, 0, nullptr, &size), noErr);
  EXPECT_EQ(catalog.getPropertyData(device, &rate, 0, nullptr, &size, &value), -2);

  catalog.injectFault(device, rate, SimulatedPropertyFault::readShortOf(3));
  size = sizeof value;
  EXPECT_EQ(catalog.getPropertyData(device, &rate, 0, nullptr, &size, &value), noErr);
  EXPECT_EQ(size, 3u);

  catalog.injectFault(device, rate, SimulatedPropertyFault::sizeReportedAs(2));
  EXPECT_EQ(catalog.getPropertyDataSize(device, &rate, 0, nullptr, &size), noErr);
  EXPECT_EQ(size, 2u);

  catalog.injectFault(device, name, SimulatedPropertyFault::nullTextReference());
  EXPECT_TRUE(catalog.hasProperty(device, &name));
  EXPECT_EQ(textOf(catalog, device, name), std::nullopt);

  catalog.injectFault(device, configuration, SimulatedPropertyFault::bufferCountClaimed(99));
  const auto bytes = bytesOf(catalog, device, configuration);
  UInt32 claimed = 0;
  std::memcpy(&claimed, bytes.data(), sizeof claimed);
  EXPECT_EQ(claimed, 99u);
  EXPECT_EQ(bytes.size(), AudioBufferListByteSize(2));

  catalog.clearFaults();
  EXPECT_EQ(valueOf<Float64>(catalog, device, rate), 48000.0);
}

// Notifications.

class SimulatedCatalogNotificationTest : public testing::Test {
 protected:
  struct Heard {
    AudioObjectID object;
    AudioObjectPropertySelector selector;
    bool operator==(const Heard&) const = default;
  };

  AudioObjectPropertyListenerBlock listenOn(AudioObjectID object,
                                            AudioObjectPropertyAddress address) {
    auto block = std::make_shared<const AudioObjectPropertyListenerFunction>(
        [this, object](UInt32 count, const AudioObjectPropertyAddress* addresses) {
          std::lock_guard lock(mutex);
          for (UInt32 index = 0; index < count; ++index) {
            heard.push_back({object, addresses[index].mSelector});
          }
        });
    EXPECT_EQ(catalog.addPropertyListenerBlock(object, &address, &queue, block), noErr);
    return block;
  }

  std::vector<Heard> heardSoFar() {
    queue.drain();
    std::lock_guard lock(mutex);
    return std::exchange(heard, {});
  }

  std::mutex mutex;  // guards heard
  std::vector<Heard> heard;
  SimulatedCatalog catalog;
  SerialDispatchQueue queue{"catalog-test"};
};

TEST_F(SimulatedCatalogNotificationTest, RemovingTheDefaultAnnouncesListThenDefaultThenDevice) {
  const AudioObjectID device = catalog.addDevice(interfaceWith({2}));
  catalog.setDefaultOutputDevice(device);
  listenOn(device, at(kAudioDevicePropertyDeviceIsAlive));
  listenOn(kAudioObjectSystemObject, at(kAudioHardwarePropertyDefaultOutputDevice));
  listenOn(kAudioObjectSystemObject, at(kAudioHardwarePropertyDevices));

  catalog.removeDevice(device);
  EXPECT_EQ(heardSoFar(), (std::vector<Heard>{
                              {kAudioObjectSystemObject, kAudioHardwarePropertyDevices},
                              {kAudioObjectSystemObject, kAudioHardwarePropertyDefaultOutputDevice},
                              {device, kAudioDevicePropertyDeviceIsAlive}}));
  EXPECT_EQ(catalog.defaultOutputDevice(), kAudioObjectUnknown);
}

TEST_F(SimulatedCatalogNotificationTest, ScopedListenersHearOnlyTheirSide) {
  const AudioObjectID device = catalog.addDevice(interfaceWith({2}));
  listenOn(device, at(kAudioDevicePropertyStreamConfiguration, kInput));
  catalog.setStreams(device, kOutput, {{4, std::nullopt}});
  EXPECT_TRUE(heardSoFar().empty());
  catalog.setStreamChannelCount(catalog.streams(device, kInput).front(), 6);
  EXPECT_EQ(heardSoFar(), (std::vector<Heard>{{device, kAudioDevicePropertyStreamConfiguration}}));

  listenOn(device, at(kAudioDevicePropertyStreams, SimulatedCatalog::kScopeWildcard));
  catalog.setStreams(device, kOutput, {{2, std::nullopt}});
  EXPECT_EQ(heardSoFar(), (std::vector<Heard>{{device, kAudioDevicePropertyStreams}}));
}

TEST_F(SimulatedCatalogNotificationTest, RemovalMatchesTheExactRegistration) {
  const AudioObjectID device = catalog.addDevice(interfaceWith({2}));
  const auto rate = at(kAudioDevicePropertyNominalSampleRate);
  const auto block = listenOn(device, rate);
  const auto twin = std::make_shared<const AudioObjectPropertyListenerFunction>(*block);
  SerialDispatchQueue otherQueue("other");

  EXPECT_NE(catalog.removePropertyListenerBlock(device, &rate, &queue, twin), noErr);
  EXPECT_NE(catalog.removePropertyListenerBlock(device, &rate, &otherQueue, block), noErr);
  const auto frames = at(kAudioDevicePropertyBufferFrameSize);
  EXPECT_NE(catalog.removePropertyListenerBlock(device, &frames, &queue, block), noErr);
  EXPECT_EQ(catalog.installedListenerCount(), 1u);

  EXPECT_EQ(catalog.removePropertyListenerBlock(device, &rate, &queue, block), noErr);
  EXPECT_EQ(catalog.installedListenerCount(), 0u);
  catalog.setNominalSampleRate(device, 44100.0);
  EXPECT_TRUE(heardSoFar().empty());
}

TEST_F(SimulatedCatalogNotificationTest, InstallationCanFail) {
  const AudioObjectID device = catalog.addDevice(interfaceWith({2}));
  const auto rate = at(kAudioDevicePropertyNominalSampleRate);
  const auto block = std::make_shared<const AudioObjectPropertyListenerFunction>(
      [](UInt32, const AudioObjectPropertyAddress*) {});
  catalog.failListenerInstallation(device, rate, kAudioHardwareNotRunningError);

  EXPECT_EQ(catalog.addPropertyListenerBlock(device, &rate, &queue, block),
            kAudioHardwareNotRunningError);
  EXPECT_EQ(catalog.addPropertyListenerBlock(4242, &rate, &queue, block),
            kAudioHardwareBadObjectError);
  EXPECT_EQ(catalog.installedListenerCount(), 0u);
}

}  // namespace
