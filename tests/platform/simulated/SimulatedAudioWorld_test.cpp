#include "platform/simulated/SimulatedAudioWorld.h"

#include <gtest/gtest.h>

#include <deque>
#include <stdexcept>
#include <tuple>
#include <vector>

#include "platform/simulated/SimulatedAudioComponents.h"
#include "platform/simulated/SimulatedHardwareUnit.h"
#include "platform/simulated/SimulatedUnitSetup.h"

namespace {

// One cycle as an input callback saw it.
struct Cycle {
  UInt64 hostTime;
  AudioObjectID device;
  Float64 sampleTime;
  UInt32 frames;
};

struct CycleLog {
  AudioObjectID device = 0;
  std::vector<Cycle>* cycles = nullptr;
};

OSStatus logCycle(void* context, AudioUnitRenderActionFlags*, const AudioTimeStamp* timeStamp,
                  UInt32, UInt32 frames, AudioBufferList*) {
  auto* log = static_cast<CycleLog*>(context);
  log->cycles->push_back({timeStamp->mHostTime, log->device, timeStamp->mSampleTime, frames});
  return noErr;
}

class SimulatedAudioWorldTest : public testing::Test {
 protected:
  SimulatedAudioDevice& addInputDevice(AudioObjectID id, Float64 rate, UInt32 block,
                                       double ppm = 0.0) {
    return world.addDevice({.id = id,
                            .inputChannels = 2,
                            .outputChannels = 0,
                            .nominalSampleRate = rate,
                            .clockSkewPPM = ppm,
                            .blockFrames = block});
  }

  AudioUnit startLoggingUnit(AudioObjectID id, Float64 rate) {
    logs.push_back({id, &cycles});
    AudioComponentDescription description{kAudioUnitType_Output, kAudioUnitSubType_HALOutput,
                                          kAudioUnitManufacturer_Apple, 0, 0};
    AudioUnit unit = nullptr;
    EXPECT_EQ(AudioComponentInstanceNew(
                  components, AudioComponentFindNext(components, nullptr, &description), &unit),
              noErr);
    EXPECT_EQ(configureInputUnit(unit, id, {0, 1}, rate, logCycle, &logs.back()), noErr);
    EXPECT_EQ(initializeAndStart(unit), noErr);
    return unit;
  }

  SimulatedAudioWorld world;
  SimulatedAudioComponents components{world};
  std::vector<Cycle> cycles;
  std::deque<CycleLog> logs;  // stable addresses: the units hold them
};

TEST_F(SimulatedAudioWorldTest, RunsCyclesInTimeOrderBreakingTiesByDeviceId) {
  // Periods of 10 ms (ids 7 and 5) and 20 ms (id 3): every 20 ms all three fall due together.
  addInputDevice(7, 48000.0, 480);
  addInputDevice(3, 48000.0, 960);
  addInputDevice(5, 44100.0, 441);
  startLoggingUnit(7, 48000.0);
  startLoggingUnit(3, 48000.0);
  startLoggingUnit(5, 44100.0);

  world.advance(1.005);

  ASSERT_EQ(cycles.size(), 100u + 50u + 100u);
  for (std::size_t index = 1; index < cycles.size(); ++index) {
    const Cycle& before = cycles[index - 1];
    const Cycle& after = cycles[index];
    EXPECT_LT(std::tie(before.hostTime, before.device), std::tie(after.hostTime, after.device))
        << "cycle " << index;
  }
  EXPECT_EQ(cycles[0].device, 5u);
  EXPECT_EQ(cycles[1].device, 7u);
  EXPECT_EQ(cycles[2].device, 3u);
  EXPECT_EQ(cycles[3].device, 5u);
  EXPECT_EQ(cycles[0].hostTime, 10'000'000u);
  EXPECT_DOUBLE_EQ(world.now(), 1.005);
}

TEST_F(SimulatedAudioWorldTest, RepeatsTheSameRunExactly) {
  const auto run = [] {
    SimulatedAudioWorld other;
    SimulatedAudioComponents otherComponents(other);
    other.addDevice({.id = 2, .outputChannels = 2, .clockSkewPPM = 37.0, .blockFrames = 256});
    other.addDevice(
        {.id = 9, .outputChannels = 2, .nominalSampleRate = 44100.0, .blockFrames = 97});
    std::vector<std::pair<AudioObjectID, UInt64>> order;
    for (const AudioObjectID id : {2u, 9u}) {
      other.device(id)->setOutputSink([&order, id](const SimulatedOutputBlock& block) {
        order.emplace_back(id, block.firstFrame);
      });
      AudioComponentDescription description{kAudioUnitType_Output, kAudioUnitSubType_HALOutput,
                                            kAudioUnitManufacturer_Apple, 0, 0};
      AudioUnit unit = nullptr;
      AudioComponentInstanceNew(
          otherComponents, AudioComponentFindNext(otherComponents, nullptr, &description), &unit);
      configureOutputUnit(unit, id, other.device(id)->nominalSampleRate(), nullptr, nullptr);
      initializeAndStart(unit);
    }
    for (int step = 0; step < 50; ++step) other.advance(0.0137);
    return order;
  };
  const auto first = run();
  EXPECT_GT(first.size(), 100u);
  EXPECT_EQ(first, run());
}

TEST_F(SimulatedAudioWorldTest, ClockSkewSetsTheDeliveredRate) {
  SimulatedAudioDevice& fast = addInputDevice(1, 48000.0, 512, 500.0);
  SimulatedAudioDevice& slow = addInputDevice(2, 48000.0, 512, -500.0);
  startLoggingUnit(1, 48000.0);

  world.advance(1.0);
  EXPECT_NEAR(static_cast<double>(fast.framesElapsed()), 48024.0, 512.0);
  EXPECT_NEAR(static_cast<double>(slow.framesElapsed()), 47976.0, 512.0);

  world.advance(3599.0);
  EXPECT_NEAR(static_cast<double>(fast.framesElapsed()), 48024.0 * 3600.0, 512.0);
  EXPECT_NEAR(static_cast<double>(slow.framesElapsed()), 47976.0 * 3600.0, 512.0);

  // The unit saw every block, back to back.
  ASSERT_EQ(cycles.size(), fast.framesElapsed() / 512);
  for (std::size_t index = 0; index < cycles.size(); ++index) {
    ASSERT_EQ(cycles[index].sampleTime, 512.0 * static_cast<double>(index));
    ASSERT_EQ(cycles[index].frames, 512u);
  }
}

TEST_F(SimulatedAudioWorldTest, TimingChangesTakeEffectFromTheNextCycle) {
  SimulatedAudioDevice& device = addInputDevice(4, 48000.0, 480);
  startLoggingUnit(4, 48000.0);
  world.advance(0.105);
  ASSERT_EQ(cycles.size(), 10u);

  ASSERT_TRUE(device.setBlockFrames(960));
  world.advance(0.1);
  ASSERT_EQ(cycles.size(), 15u);
  EXPECT_EQ(cycles[10].frames, 960u);
  EXPECT_EQ(cycles[10].sampleTime, 4800.0);
  EXPECT_EQ(cycles[10].hostTime, 120'000'000u);

  EXPECT_FALSE(device.setBlockFrames(0));
  EXPECT_FALSE(device.setNominalSampleRate(0.0));
  EXPECT_FALSE(device.setClockSkewPPM(-1e6));
  EXPECT_EQ(device.blockFrames(), 960u);
}

TEST_F(SimulatedAudioWorldTest, FindsAddsAndRemovesDevicesById) {
  addInputDevice(12, 48000.0, 512);
  addInputDevice(4, 48000.0, 512);
  EXPECT_EQ(world.deviceIDs(), (std::vector<AudioObjectID>{4, 12}));
  EXPECT_EQ(world.device(12)->id(), 12u);
  EXPECT_EQ(world.device(13), nullptr);
  EXPECT_THROW(addInputDevice(12, 48000.0, 512), std::invalid_argument);
  EXPECT_THROW(addInputDevice(0, 48000.0, 512), std::invalid_argument);
  EXPECT_THROW(addInputDevice(5, 48000.0, 0), std::invalid_argument);
  EXPECT_THROW(addInputDevice(6, -1.0, 512), std::invalid_argument);

  EXPECT_TRUE(world.removeDevice(12));
  EXPECT_FALSE(world.removeDevice(12));
  EXPECT_EQ(world.deviceIDs(), (std::vector<AudioObjectID>{4}));
}

TEST_F(SimulatedAudioWorldTest, ARemovedDeviceStopsCallingItsUnits) {
  addInputDevice(8, 48000.0, 480);
  const AudioUnit unit = startLoggingUnit(8, 48000.0);
  world.advance(0.055);
  ASSERT_EQ(cycles.size(), 5u);

  ASSERT_TRUE(world.removeDevice(8));
  world.advance(0.05);
  EXPECT_EQ(cycles.size(), 5u);
  SimulatedHardwareUnit* hardware = components.hardwareUnit(unit);
  EXPECT_TRUE(hardware->lostDevice());
  EXPECT_EQ(AudioOutputUnitStop(unit), noErr);
  EXPECT_FALSE(hardware->isStarted());
  EXPECT_EQ(AudioComponentInstanceDispose(components, unit), noErr);

  // A device that comes back under the same id runs a fresh clock.
  addInputDevice(8, 48000.0, 480);
  world.advance(0.055);
  EXPECT_EQ(world.device(8)->framesElapsed(), 5u * 480u);
}

TEST_F(SimulatedAudioWorldTest, ADeadDeviceKeepsItsClockButCallsNoUnit) {
  SimulatedAudioDevice& device = addInputDevice(8, 48000.0, 480);
  startLoggingUnit(8, 48000.0);
  world.advance(0.055);
  device.setAlive(false);
  world.advance(0.05);
  EXPECT_EQ(cycles.size(), 5u);
  EXPECT_EQ(device.inputCycles(), 5u);
  EXPECT_EQ(device.framesElapsed(), 10u * 480u);

  device.setAlive(true);
  world.advance(0.05);
  ASSERT_EQ(cycles.size(), 10u);
  EXPECT_EQ(cycles[5].sampleTime, 10.0 * 480.0);
}

TEST_F(SimulatedAudioWorldTest, VirtualTimeStandsStillInRealTime) {
  SimulatedAudioDevice& device = addInputDevice(1, 48000.0, 480);
  world.startRealTime();
  EXPECT_TRUE(world.runsInRealTime());
  EXPECT_THROW(world.advance(0.1), std::logic_error);
  EXPECT_FALSE(device.setBlockFrames(256));
  EXPECT_FALSE(device.setInputSignal(0, {}));
  world.stopRealTime();
  EXPECT_FALSE(world.runsInRealTime());
  EXPECT_TRUE(device.setBlockFrames(256));
}

}  // namespace
