#include "app/DemoDevices.h"

#include "platform/simulated/SimulatedAudioSignals.h"

void plugDemoDevices(SimulatedPlatform& platform) {
  constexpr Float64 rate = 48000.0;
  const AudioObjectID interface = platform.plug({.uid = "vx-demo-interface",
                                                 .name = "VX Demo Interface",
                                                 .inputChannels = 8,
                                                 .sampleRate = rate});
  // Two tones a fifth apart, at -12 and -18 dBFS, so that the two meters tell left from right.
  SimulatedAudioDevice& audio = *platform.world().device(interface);
  audio.setInputSignal(0, makeSineSignal(440.0, 0.25f, rate));
  audio.setInputSignal(1, makeSineSignal(660.0, 0.125f, rate));
  const AudioObjectID speakers = platform.plug({.uid = "vx-demo-speakers",
                                                .name = "VX Demo Speakers",
                                                .outputChannels = 2,
                                                .sampleRate = rate,
                                                .physicalBits = 32,
                                                .physicalFloat = true});
  platform.setDefaultOutput(speakers);
  platform.world().startRealTime();
}
