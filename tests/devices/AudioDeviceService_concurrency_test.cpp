#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <thread>

#include "devices/AudioDeviceService.h"
#include "devices/HardwareReads.h"
#include "devices/SimulatedDeviceFixtures.h"

namespace {

using Change = AudioDeviceService::Change;
constexpr auto kInput = kAudioObjectPropertyScopeInput;

class AudioDeviceServiceConcurrencyTest : public testing::Test {
 protected:
  SimulatedCatalog catalog;
  AudioObjectID input = catalog.addDevice(simulatedInputDevice("Interface", "interface", 4));
  AudioObjectID output = catalog.addDevice(simulatedOutputDevice("Speakers", "speakers"));
  ChangeRecorder recorder;
  std::unique_ptr<AudioDeviceService> service = std::make_unique<AudioDeviceService>(catalog);
};

TEST_F(AudioDeviceServiceConcurrencyTest, ObservingWhileTheHardwareChangesLeavesNothingBehind) {
  recorder.attach(*service);
  service->startListening();

  std::atomic<bool> stop{false};  // relaxed: only ends the loop, orders nothing
  std::thread hardware([&] {
    for (int index = 0; !stop.load(std::memory_order_relaxed); ++index) {
      catalog.setNominalSampleRate(input, 44100.0 + index);
      catalog.setStreams(input, kInput, {{2, std::nullopt}, {2, std::nullopt}});
      catalog.signal(output, propertyAddress(kAudioDevicePropertyDeviceHasChanged));
    }
  });
  for (int round = 0; round < 300; ++round) service->observeSelectedDevices(input, output);
  service.reset();
  stop.store(true, std::memory_order_relaxed);
  hardware.join();

  EXPECT_EQ(catalog.installedListenerCount(), 0u);
  EXPECT_EQ(recorder.callsOffQueue(), 0);
}

TEST_F(AudioDeviceServiceConcurrencyTest, NotificationQueuedBeforeDestructionDoesNothing) {
  std::atomic<int> calls{0};  // relaxed: read only after the listener thread is joined
  std::promise<void> handlerReleased;
  {
    // Its deleter runs when the service drops the change handler that owns the last copy.
    std::shared_ptr<void> probe(nullptr, [&](void*) { handlerReleased.set_value(); });
    service->setChangeHandler(
        [probe, &calls](Change) { calls.fetch_add(1, std::memory_order_relaxed); });
  }
  service->startListening();
  service->observeSelectedDevices(input, std::nullopt);

  // Hold the listener queue so that the notifications wait behind this item.
  std::promise<void> unblock;
  service->listenerQueue().async([gate = unblock.get_future().share()] { gate.wait(); });
  catalog.setNominalSampleRate(input, 44100.0);
  catalog.addDevice(simulatedInputDevice("Arrival", "arrival"));

  std::thread destroyer([&] { service.reset(); });
  // The handler is dropped during destruction, while the notifications are still queued.
  handlerReleased.get_future().wait();
  unblock.set_value();
  destroyer.join();

  EXPECT_EQ(calls.load(std::memory_order_relaxed), 0);
  EXPECT_EQ(catalog.installedListenerCount(), 0u);
}

}  // namespace
