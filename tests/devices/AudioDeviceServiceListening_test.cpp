#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "devices/AudioDeviceService.h"
#include "devices/ChangeRecorder.h"
#include "devices/HardwareReads.h"
#include "devices/SimulatedDeviceFixtures.h"
#include "platform/simulated/SimulatedCatalog.h"

namespace {

using Change = AudioDeviceService::Change;
constexpr auto kGlobal = kAudioObjectPropertyScopeGlobal;
constexpr auto kInput = kAudioObjectPropertyScopeInput;
constexpr auto kOutput = kAudioObjectPropertyScopeOutput;

struct Installed {
  AudioObjectID objectID;
  AudioObjectPropertyAddress address;
  bool operator==(const Installed&) const = default;
};

std::vector<Installed> installedBy(
    const std::vector<AudioDeviceService::ListenerRegistration>& list) {
  std::vector<Installed> installed;
  for (const auto& registration : list)
    installed.push_back({registration.objectID, registration.address});
  return installed;
}

// The eight device listeners of one side, then one format listener per stream.
std::vector<Installed> deviceSet(AudioObjectID device, AudioObjectPropertyScope side,
                                 const std::vector<AudioObjectID>& streams) {
  std::vector<Installed> set{
      {device, propertyAddress(kAudioDevicePropertyDeviceIsAlive)},
      {device, propertyAddress(kAudioDevicePropertyStreamConfiguration, side)},
      {device, propertyAddress(kAudioDevicePropertyStreams, side)},
      {device, propertyAddress(kAudioDevicePropertyNominalSampleRate)},
      {device, propertyAddress(kAudioDevicePropertyBufferFrameSize)},
      {device, propertyAddress(kAudioDevicePropertyUsesVariableBufferFrameSizes)},
      {device, propertyAddress(kAudioDevicePropertyDeviceHasChanged)},
      {device, propertyAddress(kAudioDevicePropertyIOStoppedAbnormally)},
  };
  for (const AudioObjectID stream : streams) {
    set.push_back({stream, propertyAddress(kAudioStreamPropertyPhysicalFormat)});
  }
  return set;
}

class AudioDeviceServiceListeningTest : public testing::Test {
 protected:
  AudioDeviceServiceListeningTest() {
    SimulatedCatalogDevice interface = simulatedInputDevice("Interface", "interface", 2);
    interface.inputStreams.push_back({2, simulatedLinearPCMFormat(24, false)});
    interface.inputStreams.push_back({4, simulatedLinearPCMFormat(24, false)});
    input = catalog.addDevice(interface);
    output = catalog.addDevice(simulatedOutputDevice("Speakers", "speakers"));
    catalog.setDefaultOutputDevice(output);
    recorder.attach(*service);
  }

  std::vector<Change> changesAfter(auto&& mutation) {
    const auto before = recorder.changes().size();
    mutation();
    service->listenerQueue().drain();
    const auto all = recorder.changes();
    return {all.begin() + static_cast<std::ptrdiff_t>(before), all.end()};
  }

  SimulatedCatalog catalog;
  AudioObjectID input = 0;
  AudioObjectID output = 0;
  ChangeRecorder recorder;
  std::unique_ptr<AudioDeviceService> service = std::make_unique<AudioDeviceService>(catalog);
};

TEST_F(AudioDeviceServiceListeningTest, FailedSystemListenerIsNeitherRecordedNorRetried) {
  catalog.failListenerInstallation(kAudioObjectSystemObject,
                                   propertyAddress(kAudioHardwarePropertyDevices),
                                   kAudioHardwareNotRunningError);
  service->startListening();
  catalog.clearFaults();
  service->startListening();
  EXPECT_EQ(installedBy(service->globalListeners()),
            (std::vector<Installed>{{kAudioObjectSystemObject,
                                     propertyAddress(kAudioHardwarePropertyDefaultOutputDevice)}}));
  EXPECT_EQ(changesAfter([&] { catalog.addDevice(simulatedInputDevice("New", "new")); }),
            std::vector<Change>{});
}

TEST_F(AudioDeviceServiceListeningTest, SystemChangesReportCatalogAndDefaultOutputOnTheQueue) {
  EXPECT_FALSE(service->isListening());
  EXPECT_EQ(catalog.installedListenerCount(), 0u) << "construction installs nothing";
  service->startListening();
  service->startListening();
  EXPECT_EQ(catalog.installedListenerCount(), 2u);
  EXPECT_EQ(changesAfter([&] { catalog.addDevice(simulatedInputDevice("New", "new")); }),
            std::vector<Change>{Change::catalog});
  EXPECT_EQ(changesAfter([&] { catalog.setDefaultOutputDevice(input); }),
            std::vector<Change>{Change::defaultOutput});
  EXPECT_EQ(changesAfter([&] { catalog.removeDevice(input); }),
            (std::vector<Change>{Change::catalog, Change::defaultOutput}));
  EXPECT_EQ(recorder.callsOffQueue(), 0);
}

TEST_F(AudioDeviceServiceListeningTest, SameDeviceOnBothSidesGetsBothSets) {
  SimulatedCatalogDevice duplex = simulatedInputDevice("Duplex", "duplex", 2);
  duplex.outputStreams = {{2, std::nullopt}, {2, std::nullopt}};
  const AudioObjectID both = catalog.addDevice(duplex);
  service->observeSelectedDevices(both, both);

  auto expected = deviceSet(both, kInput, catalog.streams(both, kInput));
  const auto outputSet = deviceSet(both, kOutput, catalog.streams(both, kOutput));
  expected.insert(expected.end(), outputSet.begin(), outputSet.end());
  EXPECT_EQ(installedBy(service->selectedDeviceListeners()), expected);
  EXPECT_EQ(changesAfter([&] { catalog.setNominalSampleRate(both, 44100.0); }),
            (std::vector<Change>{Change::selectedDevice, Change::selectedDevice}));
}

TEST_F(AudioDeviceServiceListeningTest, ObservingInstallsEightPerSidePlusOnePerStreamAndReplaces) {
  service->observeSelectedDevices(input, output);
  service->observeSelectedDevices(input, output);
  auto expected = deviceSet(input, kInput, catalog.streams(input, kInput));
  const auto outputSet = deviceSet(output, kOutput, catalog.streams(output, kOutput));
  expected.insert(expected.end(), outputSet.begin(), outputSet.end());
  EXPECT_EQ(installedBy(service->selectedDeviceListeners()), expected);
  EXPECT_EQ(catalog.installedListenerCount(), (8u + 3u) + (8u + 1u));

  service->observeSelectedDevices(std::nullopt, output);
  EXPECT_EQ(installedBy(service->selectedDeviceListeners()), outputSet);
  service->observeSelectedDevices(std::nullopt, std::nullopt);
  EXPECT_EQ(catalog.installedListenerCount(), 0u);
}

TEST_F(AudioDeviceServiceListeningTest, EveryWatchedPropertyReportsSelectedDevice) {
  service->observeSelectedDevices(input, output);
  const AudioObjectID stream = catalog.streams(input, kInput)[1];
  const std::vector<Change> once{Change::selectedDevice};

  EXPECT_EQ(changesAfter([&] { catalog.setAlive(input, false); }), once);
  EXPECT_EQ(changesAfter([&] { catalog.setStreamChannelCount(stream, 8); }), once);
  EXPECT_EQ(changesAfter([&] { catalog.setNominalSampleRate(output, 96000.0); }), once);
  EXPECT_EQ(changesAfter([&] { catalog.setBufferFrameSize(input, 128); }), once);
  EXPECT_EQ(changesAfter([&] { catalog.setVariableBufferFrameSize(input, 256); }), once);
  EXPECT_EQ(changesAfter([&] {
              catalog.signal(input, propertyAddress(kAudioDevicePropertyDeviceHasChanged));
            }),
            once);
  EXPECT_EQ(changesAfter([&] {
              catalog.signal(output, propertyAddress(kAudioDevicePropertyIOStoppedAbnormally));
            }),
            once);
  EXPECT_EQ(
      changesAfter([&] { catalog.setPhysicalFormat(stream, simulatedLinearPCMFormat(32, true)); }),
      once);
  // A new stream list changes both the configuration and the list.
  EXPECT_EQ(changesAfter([&] {
              catalog.setStreams(input, kInput, {{2, std::nullopt}});
            }),
            (std::vector<Change>{Change::selectedDevice, Change::selectedDevice}));
  EXPECT_EQ(recorder.callsOffQueue(), 0);
}

TEST_F(AudioDeviceServiceListeningTest, UnwatchedPropertiesAndDevicesReportNothing) {
  const AudioObjectID other = catalog.addDevice(simulatedInputDevice("Other", "other"));
  service->observeSelectedDevices(input, std::nullopt);
  EXPECT_EQ(changesAfter([&] {
              catalog.setNominalSampleRate(other, 44100.0);
              catalog.setName(input, "Renamed");
              catalog.setInputChannelName(input, 1, "Vocal");
              catalog.setStreams(input, kOutput, {{2, std::nullopt}});
              catalog.setNominalSampleRate(output, 44100.0);
            }),
            std::vector<Change>{});
}

TEST_F(AudioDeviceServiceListeningTest, FailedDeviceListenerIsLeftOut) {
  catalog.failListenerInstallation(input, propertyAddress(kAudioDevicePropertyNominalSampleRate),
                                   kAudioHardwareBadObjectError);
  service->observeSelectedDevices(input, std::nullopt);

  auto expected = deviceSet(input, kInput, catalog.streams(input, kInput));
  expected.erase(expected.begin() + 3);
  EXPECT_EQ(installedBy(service->selectedDeviceListeners()), expected);
  EXPECT_EQ(changesAfter([&] { catalog.setNominalSampleRate(input, 44100.0); }),
            std::vector<Change>{});
}

TEST_F(AudioDeviceServiceListeningTest, DestructionRemovesExactlyItsOwnListenersEvenOfGoneDevices) {
  ChangeRecorder survivor;
  AudioDeviceService neighbour(catalog);
  neighbour.startListening();
  neighbour.observeSelectedDevices(input, output);
  const auto neighbourCount = catalog.installedListenerCount();

  service->startListening();
  service->observeSelectedDevices(input, output);
  const AudioObjectID gone = catalog.addDevice(simulatedInputDevice("Gone", "gone"));
  service->observeSelectedDevices(gone, output);
  catalog.removeDevice(gone);
  service.reset();
  EXPECT_EQ(catalog.installedListenerCount(), neighbourCount);

  neighbour.listenerQueue().drain();  // the arrival and removal reach no one
  survivor.attach(neighbour);
  catalog.setNominalSampleRate(input, 44100.0);
  neighbour.listenerQueue().drain();
  EXPECT_EQ(survivor.changes(), std::vector<Change>{Change::selectedDevice});
}

}  // namespace
