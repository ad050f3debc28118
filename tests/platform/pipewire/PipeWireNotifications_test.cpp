#include <gtest/gtest.h>

#include <thread>

#include "platform/pipewire/HardwareReads.h"
#include "platform/pipewire/NotificationRecorder.h"
#include "platform/pipewire/PipeWireHardware.h"
#include "platform/pipewire/PipeWireTestSession.h"

using namespace pipewire_test;
using namespace std::chrono_literals;

namespace {

bool allOnTheListenerQueue(NotificationRecorder& recorder) {
  for (const auto& delivery : recorder.deliveries()) {
    if (!delivery.onQueue) return false;
  }
  return true;
}

}  // namespace

TEST(PipeWireNotifications, NothingIsDeliveredForInstallingListeners) {
  PipeWireHardware hardware;
  NotificationRecorder recorder(hardware);
  recorder.listenToEverything(devices(hardware));
  std::this_thread::sleep_for(300ms);
  EXPECT_TRUE(recorder.deliveries().empty());
}

TEST(PipeWireNotifications, DeviceListChangesWhenADeviceGoesAndComesBack) {
  PipeWireHardware hardware;
  NotificationRecorder gone(hardware);
  AudioObjectID headphones = deviceWithUID(hardware, kHeadphones);
  gone.listen(kAudioObjectSystemObject, kAudioHardwarePropertyDevices);
  gone.listen(headphones, kAudioDevicePropertyDeviceIsAlive);
  ASSERT_TRUE(runSession("unplug " + kHeadphones));
  EXPECT_TRUE(gone.waitFor(kAudioObjectSystemObject, kAudioHardwarePropertyDevices));
  EXPECT_TRUE(gone.waitFor(headphones, kAudioDevicePropertyDeviceIsAlive));
  EXPECT_EQ(devices(hardware).size(), 2u);

  NotificationRecorder back(hardware);
  back.listen(kAudioObjectSystemObject, kAudioHardwarePropertyDevices);
  ASSERT_TRUE(runSession("replug " + kHeadphones));
  EXPECT_TRUE(back.waitFor(kAudioObjectSystemObject, kAudioHardwarePropertyDevices));
  EXPECT_EQ(devices(hardware).size(), 3u);
  EXPECT_TRUE(allOnTheListenerQueue(gone));
  EXPECT_TRUE(allOnTheListenerQueue(back));
}

TEST(PipeWireNotifications, DefaultOutputFollowsTheSessionsDefaultSink) {
  PipeWireHardware hardware;
  AudioObjectID headphones = deviceWithUID(hardware, kHeadphones);
  auto defaultOutput = [&] {
    return readValue<AudioObjectID>(hardware, kAudioObjectSystemObject,
                                    address(kAudioHardwarePropertyDefaultOutputDevice));
  };
  {
    NotificationRecorder recorder(hardware);
    recorder.listen(kAudioObjectSystemObject, kAudioHardwarePropertyDefaultOutputDevice);
    ASSERT_TRUE(runSession("set-default " + kHeadphones));
    EXPECT_TRUE(
        recorder.waitFor(kAudioObjectSystemObject, kAudioHardwarePropertyDefaultOutputDevice));
    EXPECT_EQ(defaultOutput(), headphones);
    EXPECT_TRUE(allOnTheListenerQueue(recorder));
  }
  NotificationRecorder recorder(hardware);
  recorder.listen(kAudioObjectSystemObject, kAudioHardwarePropertyDefaultOutputDevice);
  ASSERT_TRUE(runSession("set-default " + kSpeakers));
  EXPECT_TRUE(
      recorder.waitFor(kAudioObjectSystemObject, kAudioHardwarePropertyDefaultOutputDevice));
  EXPECT_EQ(defaultOutput(), deviceWithUID(hardware, kSpeakers));
}

TEST(PipeWireNotifications, AGraphRateChangeReachesDevicesThatFollowTheGraph) {
  PipeWireHardware hardware;
  AudioObjectID speakers = deviceWithUID(hardware, kSpeakers);
  AudioObjectID interface = deviceWithUID(hardware, kInterface);
  auto rate = [&](AudioObjectID device) {
    return readValue<Float64>(hardware, device, address(kAudioDevicePropertyNominalSampleRate));
  };
  NotificationRecorder recorder(hardware);
  recorder.listen(speakers, kAudioDevicePropertyNominalSampleRate);
  recorder.listen(interface, kAudioDevicePropertyNominalSampleRate);
  ASSERT_TRUE(runSession("set-rate 44100"));
  EXPECT_TRUE(recorder.waitFor(speakers, kAudioDevicePropertyNominalSampleRate));
  EXPECT_EQ(rate(speakers), 44100.0);
  ASSERT_TRUE(runSession("set-rate 0"));
  EXPECT_TRUE(recorder.waitFor(speakers, kAudioDevicePropertyNominalSampleRate, 2));
  EXPECT_EQ(rate(speakers), 48000.0);
  EXPECT_EQ(recorder.count(interface, kAudioDevicePropertyNominalSampleRate), 0u)
      << "the interface keeps its own 48 kHz";
  EXPECT_EQ(rate(interface), 48000.0);
  EXPECT_TRUE(allOnTheListenerQueue(recorder));
}
