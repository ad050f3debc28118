#include "audio/MonitoringEngine.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <new>
#include <string>

#include "audio/CoreAudioFailure.h"
#include "audio/RenderCallbacks.h"
#include "audio/RingSizing.h"

namespace {

constexpr double kMinimumRate = 8000.0;
constexpr double kMaximumRate = 192000.0;
constexpr std::uint32_t kMaximumBufferFrames = 65536;
constexpr std::uint32_t kMinimumSliceFrames = 8192;
constexpr double kFadeSeconds = 0.04;
constexpr double kLongestFadeSeconds = 0.25;
// An input that stores nothing for this long while the route runs has stalled.
constexpr std::chrono::seconds kStallTimeout{1};

AudioStreamBasicDescription streamFormat(double sampleRate) {
  return AudioStreamBasicDescription{
      sampleRate,
      kAudioFormatLinearPCM,
      kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked | kAudioFormatFlagIsNonInterleaved,
      4,
      1,
      4,
      2,
      32,
      0};
}

void check(OSStatus status, const char* operation) {
  if (status != noErr) throw CoreAudioFailure(operation, status);
}

// A unit's step that failed, with the platform's words for it when the unit has them.
void checkUnit(AudioUnit unit, OSStatus status, const char* operation) {
  if (status == noErr) return;
  char text[512];
  UInt32 size = sizeof(text);
  const bool described = AudioUnitGetProperty(unit, kVXAudioUnitProperty_PlatformErrorText,
                                              kAudioUnitScope_Global, 0, text, &size) == noErr;
  throw CoreAudioFailure(
      operation, status,
      described ? std::string(text, std::min<std::size_t>(size, sizeof(text))) : std::string());
}

template <typename T>
void setProperty(AudioUnit unit, AudioUnitPropertyID property, AudioUnitScope scope,
                 AudioUnitElement element, const T& value, const char* operation) {
  check(AudioUnitSetProperty(unit, property, scope, element, &value, sizeof(T)), operation);
}

}  // namespace

MonitoringEngine::MonitoringEngine(AudioComponentPort& components, BlockingSleep& sleep)
    : components_(components), sleep_(sleep) {}

MonitoringEngine::~MonitoringEngine() {
  stop();
}

void MonitoringEngine::validate(double sampleRate, const char* route) {
  if (std::isfinite(sampleRate) && sampleRate >= kMinimumRate && sampleRate <= kMaximumRate) return;
  throw CoreAudioFailure(
      std::string("Use a standard PCM rate up to 192 kHz for the ") + route + " route",
      kAudioDeviceUnsupportedFormatError);
}

void MonitoringEngine::start(const MonitoringConfiguration& configuration, bool muted) {
  stop();
  validate(configuration.inputSampleRate, "input");
  validate(configuration.outputSampleRate, "output");
  if (configuration.inputBufferFrameSize > kMaximumBufferFrames) {
    throw CoreAudioFailure("Use a valid audio buffer size for the input route", kAudio_ParamError);
  }
  if (configuration.outputBufferFrameSize > kMaximumBufferFrames) {
    throw CoreAudioFailure("Use a valid audio buffer size for the output route", kAudio_ParamError);
  }
  const auto sizing = ringSizing(configuration.inputSampleRate, configuration.outputSampleRate,
                                 configuration.inputBufferFrameSize,
                                 configuration.outputBufferFrameSize, configuration.latency);
  if (!sizing) {
    throw CoreAudioFailure("Allocate a safe audio buffer for this route", kAudio_MemFullError);
  }
  VXRingBufferRef ring = VXRingBufferCreate(sizing->capacityRequestFrames, sizing->targetFrames);
  if (ring == nullptr) throw CoreAudioFailure("Allocate the audio buffer", kAudio_MemFullError);

  ring_ = ring;
  configuration_ = configuration;
  VXRingBufferSetMuted(ring_, muted);
  try {
    buildAndStart(configuration);
  } catch (const CoreAudioFailure&) {
    stop();
    throw;
  } catch (const std::bad_alloc&) {
    stop();
    throw CoreAudioFailure("Allocate the audio buffer", kAudio_MemFullError);
  }
  isRunning_ = true;
}

void MonitoringEngine::buildAndStart(const MonitoringConfiguration& configuration) {
  inputUnit_ = makeAudioUnit(kAudioUnitType_Output, kAudioUnitSubType_HALOutput);
  configureInputUnit(inputUnit_, configuration, ring_);
  varispeedUnit_ = makeAudioUnit(kAudioUnitType_FormatConverter, kAudioUnitSubType_Varispeed);
  configureVarispeedUnit(varispeedUnit_, configuration, ring_);
  outputUnit_ = makeAudioUnit(kAudioUnitType_Output, kAudioUnitSubType_HALOutput);
  configureOutputUnit(outputUnit_, configuration, ring_, varispeedUnit_);

  checkUnit(inputUnit_, AudioUnitInitialize(inputUnit_), "Initialize the selected input");
  checkUnit(varispeedUnit_, AudioUnitInitialize(varispeedUnit_),
            "Initialize sample-rate compensation");
  checkUnit(outputUnit_, AudioUnitInitialize(outputUnit_), "Initialize the system output");
  // Only shown, so a converter that does not say leaves it out of the figure.
  Float64 lookahead = 0;
  UInt32 size = sizeof(lookahead);
  if (AudioUnitGetProperty(varispeedUnit_, kAudioUnitProperty_Latency, kAudioUnitScope_Global, 0,
                           &lookahead, &size) != noErr) {
    lookahead = 0;
  }
  converterLatencySeconds_ = lookahead;

  checkUnit(inputUnit_, AudioOutputUnitStart(inputUnit_), "Start the selected input");
  const OSStatus outputStatus = AudioOutputUnitStart(outputUnit_);
  if (outputStatus != noErr) {
    AudioOutputUnitStop(inputUnit_);
    checkUnit(outputUnit_, outputStatus, "Start the system output");
  }
}

AudioUnit MonitoringEngine::makeAudioUnit(OSType type, OSType subtype) {
  const AudioComponentDescription description{type, subtype, kAudioUnitManufacturer_Apple, 0, 0};
  AudioComponent component = AudioComponentFindNext(components_, nullptr, &description);
  if (component == nullptr) {
    throw CoreAudioFailure("Find a required audio component", kAudio_UnimplementedError);
  }
  AudioUnit unit = nullptr;
  const OSStatus status = AudioComponentInstanceNew(components_, component, &unit);
  if (status != noErr) throw CoreAudioFailure("Create an audio component", status);
  if (unit == nullptr) throw CoreAudioFailure("Create an audio component", kAudio_MemFullError);
  return unit;
}

void MonitoringEngine::configureInputUnit(AudioUnit unit,
                                          const MonitoringConfiguration& configuration,
                                          VXRingBufferRef ring) {
  setProperty(unit, kAudioOutputUnitProperty_EnableIO, kAudioUnitScope_Input, 1, UInt32{1},
              "Enable audio input");
  setProperty(unit, kAudioOutputUnitProperty_EnableIO, kAudioUnitScope_Output, 0, UInt32{0},
              "Disable input-device playback");
  setProperty(unit, kAudioOutputUnitProperty_CurrentDevice, kAudioUnitScope_Global, 0,
              configuration.inputDeviceID, "Select the audio input");
  // The ring was sized for input blocks of this many frames (see ringSizing).
  const UInt32 sliceFrames = std::max(configuration.inputBufferFrameSize, kMinimumSliceFrames);
  setProperty(unit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0,
              sliceFrames, "Configure the input buffer size");
  UInt32 maximumFrames = 0;
  UInt32 size = sizeof(maximumFrames);
  check(AudioUnitGetProperty(unit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global,
                             0, &maximumFrames, &size),
        "Read the input buffer size");
  // A larger block would not fit the ring, and a short read leaves the count made up.
  if (size != sizeof(maximumFrames) || maximumFrames > sliceFrames) {
    throw CoreAudioFailure("Read the input buffer size", kAudio_ParamError);
  }
  const SInt32 channelMap[2] = {configuration.channelPair.leftChannel,
                                configuration.channelPair.rightChannel};
  check(AudioUnitSetProperty(unit, kAudioOutputUnitProperty_ChannelMap, kAudioUnitScope_Output, 1,
                             channelMap, sizeof(channelMap)),
        "Select the stereo input channels");
  setProperty(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 1,
              streamFormat(configuration.inputSampleRate), "Configure the input audio format");
  captureContext_ = std::make_unique<CaptureCallbackContext>(ring, maximumFrames);
  captureContext_->audioUnit = unit;
  captureProgress_ = std::make_unique<CaptureProgress>(configuration.inputSampleRate);
  captureContext_->progress = captureProgress_.get();
  setProperty(unit, kAudioOutputUnitProperty_SetInputCallback, kAudioUnitScope_Global, 0,
              AURenderCallbackStruct{captureInputCallback, captureContext_.get()},
              "Install the input callback");
}

void MonitoringEngine::configureVarispeedUnit(AudioUnit unit,
                                              const MonitoringConfiguration& configuration,
                                              VXRingBufferRef ring) {
  setProperty(unit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0,
              std::max(configuration.outputBufferFrameSize, kMinimumSliceFrames),
              "Configure rate compensation buffers");
  setProperty(unit, kAudioUnitProperty_RenderQuality, kAudioUnitScope_Global, 0,
              UInt32{kRenderQuality_Max}, "Configure high-quality sample-rate conversion");
  setProperty(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0,
              streamFormat(configuration.inputSampleRate), "Configure the rate-compensation input");
  setProperty(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0,
              streamFormat(configuration.outputSampleRate),
              "Configure the rate-compensation output");
  ringReadContext_ = std::make_unique<RingReadCallbackContext>(RingReadCallbackContext{ring});
  setProperty(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0,
              AURenderCallbackStruct{ringReadCallback, ringReadContext_.get()},
              "Connect the drift buffer");
  check(
      AudioUnitSetParameter(unit, kVarispeedParam_PlaybackRate, kAudioUnitScope_Global, 0, 1.0f, 0),
      "Set the initial playback rate");
}

void MonitoringEngine::configureOutputUnit(AudioUnit unit,
                                           const MonitoringConfiguration& configuration,
                                           VXRingBufferRef ring, AudioUnit varispeed) {
  setProperty(unit, kAudioOutputUnitProperty_EnableIO, kAudioUnitScope_Output, 0, UInt32{1},
              "Enable system audio output");
  setProperty(unit, kAudioOutputUnitProperty_EnableIO, kAudioUnitScope_Input, 1, UInt32{0},
              "Disable output-device capture");
  setProperty(unit, kAudioOutputUnitProperty_CurrentDevice, kAudioUnitScope_Global, 0,
              configuration.outputDeviceID, "Select the system audio output");
  setProperty(unit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0,
              std::max(configuration.outputBufferFrameSize, kMinimumSliceFrames),
              "Configure the output buffer size");
  setProperty(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0,
              streamFormat(configuration.outputSampleRate), "Configure the output audio format");
  playbackContext_ = std::make_unique<PlaybackCallbackContext>(
      PlaybackCallbackContext{ring, configuration.outputSampleRate, varispeed, 1.0,
                              captureProgress_.get(), configuration.inputSampleRate});
  setProperty(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0,
              AURenderCallbackStruct{playbackOutputCallback, playbackContext_.get()},
              "Connect the system audio output");
}

void MonitoringEngine::stop() {
  if (isRunning_ && ring_ != nullptr) {
    VXRingBufferSetMuted(ring_, true);
    // Long enough for the output thread to render the fade: two output blocks when they are
    // longer than the envelope's five time constants.
    double seconds = kFadeSeconds;
    if (configuration_ && configuration_->outputSampleRate > 0) {
      seconds = std::max(
          seconds, 2.0 * configuration_->outputBufferFrameSize / configuration_->outputSampleRate);
    }
    seconds = std::min(seconds, kLongestFadeSeconds);
    sleep_.sleepFor(std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::duration<double>(seconds)));
  }
  if (outputUnit_ != nullptr) AudioOutputUnitStop(outputUnit_);
  if (inputUnit_ != nullptr) AudioOutputUnitStop(inputUnit_);
  for (AudioUnit unit : {outputUnit_, varispeedUnit_, inputUnit_}) {
    if (unit == nullptr) continue;
    AudioUnitUninitialize(unit);
    AudioComponentInstanceDispose(components_, unit);
  }
  outputUnit_ = nullptr;
  varispeedUnit_ = nullptr;
  inputUnit_ = nullptr;
  playbackContext_.reset();
  ringReadContext_.reset();
  captureContext_.reset();
  captureProgress_.reset();
  VXRingBufferDestroy(ring_);
  ring_ = nullptr;
  configuration_.reset();
  converterLatencySeconds_ = 0;
  isRunning_ = false;
  writtenFrames_ = 0;
  inputMovedAt_.reset();
}

std::optional<RealtimeSnapshot> MonitoringEngine::realtimeSnapshot(
    std::chrono::steady_clock::time_point now) {
  if (ring_ == nullptr || !configuration_) return std::nullopt;
  const VXMeterSnapshot meters = VXRingBufferTakeMeterSnapshot(ring_);
  const OSStatus status = VXRingBufferTakeError(ring_);
  const std::uint64_t written = VXRingBufferWrittenFrames(ring_);
  if (!inputMovedAt_ || written != writtenFrames_) {
    writtenFrames_ = written;
    inputMovedAt_ = now;
  }
  AudioUnitParameterValue rate = 1.0f;
  if (varispeedUnit_ != nullptr) {
    AudioUnitGetParameter(varispeedUnit_, kVarispeedParam_PlaybackRate, kAudioUnitScope_Global, 0,
                          &rate);
  }
  RealtimeSnapshot snapshot;
  snapshot.leftPeak = meters.leftPeak;
  snapshot.rightPeak = meters.rightPeak;
  snapshot.leftClipped = meters.leftClipped;
  snapshot.rightClipped = meters.rightClipped;
  snapshot.diagnostics = EngineDiagnostics{
      configuration_->inputSampleRate,
      configuration_->outputSampleRate,
      VXRingBufferBufferedFrames(ring_),
      VXRingBufferTargetFrames(ring_),
      (static_cast<double>(rate) - 1.0) * 1000000.0,
      VXRingBufferUnderruns(ring_),
      VXRingBufferOverruns(ring_),
      (static_cast<double>(VXRingBufferTargetFrames(ring_)) / configuration_->inputSampleRate +
       converterLatencySeconds_) *
          1000.0,
  };
  if (status != noErr) {
    snapshot.runtimeFailure = CoreAudioFailure("The real-time audio stream", status);
  } else if (now - *inputMovedAt_ >= kStallTimeout) {
    // Streams that report running but move no audio: only a restart brings them back.
    snapshot.runtimeFailure =
        CoreAudioFailure("Receive audio from the selected input", kAudioHardwareNotRunningError);
    snapshot.inputStalled = true;
  }
  return snapshot;
}

void MonitoringEngine::setMuted(bool muted) {
  if (ring_ != nullptr) VXRingBufferSetMuted(ring_, muted);
}

void MonitoringEngine::clearClips() {
  if (ring_ != nullptr) VXRingBufferClearClips(ring_);
}

void MonitoringEngine::clearLeftClip() {
  if (ring_ != nullptr) VXRingBufferClearLeftClip(ring_);
}

void MonitoringEngine::clearRightClip() {
  if (ring_ != nullptr) VXRingBufferClearRightClip(ring_);
}
