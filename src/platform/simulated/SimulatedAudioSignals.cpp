#include "platform/simulated/SimulatedAudioSignals.h"

#include <cmath>
#include <numbers>

SimulatedInputSignal makeSineSignal(double frequency, float amplitude, Float64 sampleRate) {
  const double cyclesPerFrame = frequency / sampleRate;
  return [cyclesPerFrame, amplitude](UInt32, UInt64 firstFrame, std::span<float> samples) {
    for (std::size_t index = 0; index < samples.size(); ++index) {
      // Wrapping the phase to one cycle keeps full precision however long the stream runs.
      const double cycles = static_cast<double>(firstFrame + index) * cyclesPerFrame;
      const double phase = cycles - std::floor(cycles);
      samples[index] = amplitude * static_cast<float>(std::sin(2.0 * std::numbers::pi * phase));
    }
  };
}
