#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "devices/AudioDeviceService.h"
#include "devices/HardwareReads.h"
#include "devices/SimulatedDeviceFixtures.h"

namespace {

using Change = AudioDeviceService::Change;
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
  for (const auto& each : list) installed.push_back({each.objectID, each.address});
  return installed;
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

  // The eight listeners of each watched side, each followed by one format listener per stream.
  std::vector<Installed> expectedSets(
      std::vector<std::pair<AudioObjectID, AudioObjectPropertyScope>> sides) {
    std::vector<Installed> set;
    for (const auto& [device, side] : sides) {
      for (const auto& address : {propertyAddress(kAudioDevicePropertyDeviceIsAlive),
                                  propertyAddress(kAudioDevicePropertyStreamConfiguration, side),
                                  propertyAddress(kAudioDevicePropertyStreams, side),
                                  propertyAddress(kAudioDevicePropertyNominalSampleRate),
                                  propertyAddress(kAudioDevicePropertyBufferFrameSize),
                                  propertyAddress(kAudioDevicePropertyUsesVariableBufferFrameSizes),
                                  propertyAddress(kAudioDevicePropertyDeviceHasChanged),
                                  propertyAddress(kAudioDevicePropertyIOStoppedAbnormally)}) {
        set.push_back({device, address});
      }
      for (const AudioObjectID stream : catalog.streams(device, side)) {
        set.push_back({stream, propertyAddress(kAudioStreamPropertyPhysicalFormat)});
      }
    }
    return set;
  }

  std::vector<Change> changesAfter(const std::function<void()>& mutation) {
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

TEST_F(AudioDeviceServiceListeningTest, SystemChangesReportCatalogAndDefaultOutputOnTheQueue) {
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

TEST_F(AudioDeviceServiceListeningTest, SelectedDevicesGetTheirSetsAndEveryWatchedPropertyReports) {
  service->observeSelectedDevices(input, output);
  service->observeSelectedDevices(input, output);
  EXPECT_EQ(installedBy(service->selectedDeviceListeners()),
            expectedSets({{input, kInput}, {output, kOutput}}));
  EXPECT_EQ(catalog.installedListenerCount(), (8u + 3u) + (8u + 1u)) << "replaced, not added";

  const AudioObjectID stream = catalog.streams(input, kInput)[1];
  const std::function<void()> watched[] = {
      [&] { catalog.setAlive(input, false); },
      [&] { catalog.setStreamChannelCount(stream, 8); },
      [&] { catalog.setNominalSampleRate(output, 96000.0); },
      [&] { catalog.setBufferFrameSize(input, 128); },
      [&] { catalog.setVariableBufferFrameSize(input, 256); },
      [&] { catalog.signal(input, propertyAddress(kAudioDevicePropertyDeviceHasChanged)); },
      [&] { catalog.signal(output, propertyAddress(kAudioDevicePropertyIOStoppedAbnormally)); },
      [&] { catalog.setPhysicalFormat(stream, simulatedLinearPCMFormat(32, true)); }};
  for (std::size_t row = 0; row < std::size(watched); ++row) {
    EXPECT_EQ(changesAfter(watched[row]), std::vector<Change>{Change::selectedDevice}) << row;
  }
  // A new stream list changes both the configuration and the list.
  EXPECT_EQ(changesAfter([&] {
              catalog.setStreams(input, kInput, {{2, std::nullopt}});
            }),
            (std::vector<Change>{Change::selectedDevice, Change::selectedDevice}));
  const AudioObjectID other = catalog.addDevice(simulatedInputDevice("Other", "other"));
  EXPECT_EQ(changesAfter([&] {
              catalog.setNominalSampleRate(other, 44100.0);
              catalog.setName(input, "Renamed");
              catalog.setInputChannelName(input, 1, "Vocal");
              catalog.setStreams(input, kOutput, {{2, std::nullopt}});
            }),
            std::vector<Change>{});
  EXPECT_EQ(recorder.callsOffQueue(), 0);

  service->observeSelectedDevices(std::nullopt, output);
  EXPECT_EQ(installedBy(service->selectedDeviceListeners()), expectedSets({{output, kOutput}}));
  EXPECT_EQ(changesAfter([&] { catalog.setNominalSampleRate(input, 44100.0); }),
            std::vector<Change>{});
  SimulatedCatalogDevice duplex = simulatedInputDevice("Duplex", "duplex", 2);
  duplex.outputStreams = {{2, std::nullopt}, {2, std::nullopt}};
  const AudioObjectID both = catalog.addDevice(duplex);
  service->observeSelectedDevices(both, both);
  EXPECT_EQ(installedBy(service->selectedDeviceListeners()),
            expectedSets({{both, kInput}, {both, kOutput}}));
  EXPECT_EQ(changesAfter([&] { catalog.setNominalSampleRate(both, 44100.0); }),
            (std::vector<Change>{Change::selectedDevice, Change::selectedDevice}));
  service->observeSelectedDevices(std::nullopt, std::nullopt);
  EXPECT_EQ(catalog.installedListenerCount(), 0u);
}

TEST_F(AudioDeviceServiceListeningTest, FailedDeviceListenerIsLeftOut) {
  catalog.failListenerInstallation(input, propertyAddress(kAudioDevicePropertyNominalSampleRate),
                                   kAudioHardwareBadObjectError);
  service->observeSelectedDevices(input, std::nullopt);
  auto expected = expectedSets({{input, kInput}});
  expected.erase(expected.begin() + 3);
  EXPECT_EQ(installedBy(service->selectedDeviceListeners()), expected);
  EXPECT_EQ(changesAfter([&] { catalog.setNominalSampleRate(input, 44100.0); }),
            std::vector<Change>{});
}

TEST_F(AudioDeviceServiceListeningTest, DestructionRemovesExactlyItsOwnListenersEvenOfGoneDevices) {
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
  ChangeRecorder survivor;
  survivor.attach(neighbour);
  catalog.setNominalSampleRate(input, 44100.0);
  neighbour.listenerQueue().drain();
  EXPECT_EQ(survivor.changes(), std::vector<Change>{Change::selectedDevice});
}

}  // namespace
