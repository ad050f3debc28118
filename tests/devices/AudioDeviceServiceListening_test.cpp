#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "devices/AudioDeviceService.h"
#include "devices/HardwareReads.h"
#include "devices/SimulatedDeviceFixtures.h"

namespace {

using Change = AudioDeviceService::Change;
using Changes = std::vector<Change>;
constexpr auto kInput = kAudioObjectPropertyScopeInput;
constexpr auto kOutput = kAudioObjectPropertyScopeOutput;

// Each listener is checked by what it reports: a change of its property, on the listener queue.
class AudioDeviceServiceListeningTest : public testing::Test {
 protected:
  AudioDeviceServiceListeningTest() {
    catalog.setStreams(input, kInput, {{2, std::nullopt}, {2, std::nullopt}, {4, std::nullopt}});
    catalog.setDefaultOutputDevice(output);
    recorder.attach(*service);
  }

  Changes changesAfter(const std::function<void()>& mutation) {
    const auto before = recorder.changes().size();
    mutation();
    service->listenerQueue().drain();
    const auto all = recorder.changes();
    return {all.begin() + static_cast<std::ptrdiff_t>(before), all.end()};
  }

  SimulatedCatalog catalog;
  AudioObjectID input = catalog.addDevice(simulatedInputDevice("Interface", "interface"));
  AudioObjectID output = catalog.addDevice(simulatedOutputDevice("Speakers", "speakers"));
  ChangeRecorder recorder;
  std::unique_ptr<AudioDeviceService> service = std::make_unique<AudioDeviceService>(catalog);
};

TEST_F(AudioDeviceServiceListeningTest, SystemChangesReportCatalogAndDefaultOutputOnTheQueue) {
  EXPECT_EQ(catalog.installedListenerCount(), 0u) << "construction installs nothing";
  service->startListening();
  service->startListening();
  EXPECT_EQ(catalog.installedListenerCount(), 2u);
  EXPECT_EQ(changesAfter([&] { catalog.addDevice(simulatedInputDevice("New", "new")); }),
            Changes{Change::catalog});
  EXPECT_EQ(changesAfter([&] { catalog.setDefaultOutputDevice(input); }),
            Changes{Change::defaultOutput});
  EXPECT_EQ(changesAfter([&] { catalog.removeDevice(input); }),
            (Changes{Change::catalog, Change::defaultOutput}));
  EXPECT_EQ(recorder.callsOffQueue(), 0);
}

TEST_F(AudioDeviceServiceListeningTest, FailedSystemListenerIsNeitherRecordedNorRetried) {
  catalog.failListenerInstallation(kAudioObjectSystemObject,
                                   propertyAddress(kAudioHardwarePropertyDevices),
                                   kAudioHardwareNotRunningError);
  service->startListening();
  catalog.clearFaults();
  service->startListening();
  EXPECT_EQ(service->globalListeners().size(), 1u);
  EXPECT_EQ(catalog.installedListenerCount(), 1u);
  EXPECT_EQ(changesAfter([&] { catalog.addDevice(simulatedInputDevice("New", "new")); }),
            Changes{});
  EXPECT_EQ(changesAfter([&] { catalog.setDefaultOutputDevice(input); }),
            Changes{Change::defaultOutput});
}

TEST_F(AudioDeviceServiceListeningTest, SelectedDevicesGetTheirSetsAndEveryWatchedPropertyReports) {
  service->observeSelectedDevices(input, output);
  service->observeSelectedDevices(input, output);
  // Eight per side and one per stream, replaced rather than added.
  EXPECT_EQ(catalog.installedListenerCount(), (8u + 3u) + (8u + 1u));
  const AudioObjectID stream = catalog.streams(input, kInput)[1];
  const std::function<void()> watched[] = {
      [&] { catalog.setAlive(input, false); },
      [&] { catalog.setStreamChannelCount(stream, 8); },
      [&] { catalog.setNominalSampleRate(output, 96000.0); },
      [&] { catalog.setBufferFrameSize(input, 128); },
      [&] { catalog.setVariableBufferFrameSize(output, 256); },
      [&] { catalog.signal(input, propertyAddress(kAudioDevicePropertyDeviceHasChanged)); },
      [&] { catalog.signal(output, propertyAddress(kAudioDevicePropertyIOStoppedAbnormally)); },
      [&] { catalog.setPhysicalFormat(stream, simulatedLinearPCMFormat(32, true)); },
      [&] { catalog.setPhysicalFormat(catalog.streams(output, kOutput)[0], std::nullopt); }};
  for (std::size_t row = 0; row < std::size(watched); ++row) {
    EXPECT_EQ(changesAfter(watched[row]), Changes{Change::selectedDevice}) << row;
  }
  // A new stream list changes both the configuration and the list.
  const auto newStreams = [&] { catalog.setStreams(input, kInput, {{2, std::nullopt}}); };
  EXPECT_EQ(changesAfter(newStreams), (Changes{Change::selectedDevice, Change::selectedDevice}));
  EXPECT_EQ(recorder.callsOffQueue(), 0);

  service->observeSelectedDevices(std::nullopt, output);
  EXPECT_EQ(catalog.installedListenerCount(), 8u + 1u);
  EXPECT_EQ(changesAfter([&] { catalog.setNominalSampleRate(input, 44100.0); }), Changes{});
  service->observeSelectedDevices(std::nullopt, std::nullopt);
  EXPECT_EQ(catalog.installedListenerCount(), 0u);
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
}

}  // namespace
