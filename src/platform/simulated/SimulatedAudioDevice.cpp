#include "platform/simulated/SimulatedAudioDevice.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <thread>

#include "platform/simulated/SimulatedAudioPath.h"
#include "platform/simulated/SimulatedHardwareUnit.h"

namespace {

bool validRate(Float64 rate) {
  return std::isfinite(rate) && rate > 0.0;
}

}  // namespace

SimulatedAudioDevice::SimulatedAudioDevice(const SimulatedAudioDeviceConfiguration& configuration)
    : id_(configuration.id),
      inputChannels_(configuration.inputChannels),
      outputChannels_(configuration.outputChannels),
      nominalSampleRate_(configuration.nominalSampleRate),
      clockSkewPPM_(configuration.clockSkewPPM),
      blockFrames_(configuration.blockFrames),
      inputSignals_(configuration.inputChannels) {
  if (!validRate(actualSampleRate()) || blockFrames_ == 0) {
    throw std::invalid_argument("a simulated device needs a positive rate and block size");
  }
  allocateBlocks();
}

SimulatedAudioDevice::~SimulatedAudioDevice() {
  // Whoever removes the device has stopped its clock; units still started on it lose it.
  if (auto* unit = inputUnit_.load(std::memory_order_seq_cst)) unit->deviceRemoved();
  if (auto* unit = outputUnit_.load(std::memory_order_seq_cst)) unit->deviceRemoved();
}

bool SimulatedAudioDevice::setNominalSampleRate(Float64 rate) {
  if (drivenByClockThread_ || !validRate(rate * (1.0 + clockSkewPPM_ * 1e-6))) return false;
  rebaseSchedule();
  nominalSampleRate_ = rate;
  return true;
}

bool SimulatedAudioDevice::setClockSkewPPM(double ppm) {
  if (drivenByClockThread_ || !validRate(nominalSampleRate_ * (1.0 + ppm * 1e-6))) return false;
  rebaseSchedule();
  clockSkewPPM_ = ppm;
  return true;
}

bool SimulatedAudioDevice::setBlockFrames(UInt32 frames) {
  if (drivenByClockThread_ || frames == 0) return false;
  rebaseSchedule();
  blockFrames_ = frames;
  allocateBlocks();
  return true;
}

bool SimulatedAudioDevice::setInputSignal(UInt32 channel, SimulatedInputSignal signal) {
  if (drivenByClockThread_ || channel >= inputChannels_) return false;
  inputSignals_[channel] = std::move(signal);
  return true;
}

bool SimulatedAudioDevice::setOutputSink(SimulatedOutputSink sink) {
  if (drivenByClockThread_) return false;
  outputSink_ = std::move(sink);
  return true;
}

void SimulatedAudioDevice::setAlive(bool alive) {
  alive_.store(alive, std::memory_order_seq_cst);
  if (!alive) waitForCycleToFinish();
}

void SimulatedAudioDevice::runCycle(UInt64 hostTimeNanos) {
  const SimulatedAudioPathScope audioPath;
  const UInt32 frames = blockFrames_;
  const UInt64 firstFrame = framesElapsed_.load(std::memory_order_relaxed);
  cyclesInFlight_.fetch_add(1, std::memory_order_seq_cst);
  if (alive_.load(std::memory_order_seq_cst)) {
    AudioTimeStamp timeStamp{};
    timeStamp.mSampleTime = static_cast<Float64>(firstFrame);
    timeStamp.mHostTime = hostTimeNanos;
    timeStamp.mRateScalar = 1.0 + clockSkewPPM_ * 1e-6;
    timeStamp.mFlags = kAudioTimeStampSampleTimeValid | kAudioTimeStampHostTimeValid;
    if (auto* unit = inputUnit_.load(std::memory_order_seq_cst)) {
      fillInputBlock(firstFrame);
      unit->deliverInput(timeStamp, frames);
      inputCycles_.fetch_add(1, std::memory_order_relaxed);
    }
    if (auto* unit = outputUnit_.load(std::memory_order_seq_cst)) {
      renderOutputBlock(*unit, timeStamp);
      outputCycles_.fetch_add(1, std::memory_order_relaxed);
    }
  }
  cyclesInFlight_.fetch_sub(1, std::memory_order_release);
  framesElapsed_.store(firstFrame + frames, std::memory_order_relaxed);
  ++cyclesSinceOrigin_;
}

OSStatus SimulatedAudioDevice::attachInput(SimulatedHardwareUnit& unit) {
  SimulatedHardwareUnit* expected = nullptr;
  return inputUnit_.compare_exchange_strong(expected, &unit, std::memory_order_seq_cst)
             ? noErr
             : kAudioDevicePermissionsError;
}

OSStatus SimulatedAudioDevice::attachOutput(SimulatedHardwareUnit& unit) {
  SimulatedHardwareUnit* expected = nullptr;
  return outputUnit_.compare_exchange_strong(expected, &unit, std::memory_order_seq_cst)
             ? noErr
             : kAudioDevicePermissionsError;
}

void SimulatedAudioDevice::detach(SimulatedHardwareUnit& unit) {
  SimulatedHardwareUnit* expected = &unit;
  inputUnit_.compare_exchange_strong(expected, nullptr, std::memory_order_seq_cst);
  expected = &unit;
  outputUnit_.compare_exchange_strong(expected, nullptr, std::memory_order_seq_cst);
  waitForCycleToFinish();
}

std::span<const float> SimulatedAudioDevice::inputBlock(UInt32 channel) const {
  return std::span<const float>(inputSamples_)
      .subspan(std::size_t{channel} * blockFrames_, blockFrames_);
}

double SimulatedAudioDevice::nextCycleSeconds() const {
  return scheduleOrigin_ + static_cast<double>(cyclesSinceOrigin_ + 1) * cyclePeriodSeconds();
}

void SimulatedAudioDevice::restartSchedule(double originSeconds) {
  scheduleOrigin_ = originSeconds;
  cyclesSinceOrigin_ = 0;
}

void SimulatedAudioDevice::rebaseSchedule() {
  restartSchedule(scheduleOrigin_ + static_cast<double>(cyclesSinceOrigin_) * cyclePeriodSeconds());
}

void SimulatedAudioDevice::waitForCycleToFinish() const {
  while (cyclesInFlight_.load(std::memory_order_acquire) != 0) std::this_thread::yield();
}

void SimulatedAudioDevice::allocateBlocks() {
  inputSamples_.assign(std::size_t{inputChannels_} * blockFrames_, 0.0f);
  outputLeft_.assign(blockFrames_, 0.0f);
  outputRight_.assign(blockFrames_, 0.0f);
}

void SimulatedAudioDevice::fillInputBlock(UInt64 firstFrame) {
  for (UInt32 channel = 0; channel < inputChannels_; ++channel) {
    const std::span<float> block =
        std::span<float>(inputSamples_).subspan(std::size_t{channel} * blockFrames_, blockFrames_);
    if (inputSignals_[channel]) {
      inputSignals_[channel](channel, firstFrame, block);
    } else {
      std::fill(block.begin(), block.end(), 0.0f);
    }
  }
}

void SimulatedAudioDevice::renderOutputBlock(SimulatedHardwareUnit& unit,
                                             const AudioTimeStamp& timeStamp) {
  const UInt32 frames = blockFrames_;
  auto* list = reinterpret_cast<AudioBufferList*>(outputListStorage_.data());
  list->mNumberBuffers = 2;
  float* channels[2] = {outputLeft_.data(), outputRight_.data()};
  for (int index = 0; index < 2; ++index) {
    list->mBuffers[index].mNumberChannels = 1;
    list->mBuffers[index].mDataByteSize = frames * sizeof(float);
    list->mBuffers[index].mData = channels[index];
  }
  AudioUnitRenderActionFlags flags = 0;
  const OSStatus status = unit.renderOutput(&flags, timeStamp, frames, list);
  if (status != noErr) {
    std::fill(outputLeft_.begin(), outputLeft_.end(), 0.0f);
    std::fill(outputRight_.begin(), outputRight_.end(), 0.0f);
  }
  if (outputSink_) {
    outputSink_(SimulatedOutputBlock{std::span<const float>(outputLeft_).first(frames),
                                     std::span<const float>(outputRight_).first(frames),
                                     static_cast<UInt64>(timeStamp.mSampleTime), status});
  }
}
