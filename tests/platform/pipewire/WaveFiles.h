#pragma once

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// 32-bit float WAV files for feeding the virtual interface and reading back what a sink played.
namespace pipewire_test {

// The channels, interleaved, as a 32-bit float WAV file; all channels have the same length.
inline void writeFloatWave(const std::string& path, const std::vector<std::vector<float>>& channels,
                           double rate) {
  const std::size_t frames = channels.empty() ? 0 : channels.front().size();
  const auto count = static_cast<std::uint16_t>(channels.size());
  std::vector<float> samples(frames * count);
  for (std::size_t n = 0; n < frames; ++n)
    for (std::size_t c = 0; c < count; ++c) samples[n * count + c] = channels[c][n];
  const std::uint32_t dataBytes = static_cast<std::uint32_t>(samples.size() * sizeof(float));
  std::ofstream out(path, std::ios::binary);
  auto put = [&](auto value) { out.write(reinterpret_cast<const char*>(&value), sizeof(value)); };
  out.write("RIFF", 4);
  put(std::uint32_t{36 + dataBytes});
  out.write("WAVEfmt ", 8);
  put(std::uint32_t{16});
  put(std::uint16_t{3});  // IEEE float
  put(count);
  put(static_cast<std::uint32_t>(rate));
  put(static_cast<std::uint32_t>(rate) * count * 4u);
  put(static_cast<std::uint16_t>(count * 4));
  put(std::uint16_t{32});
  out.write("data", 4);
  put(dataBytes);
  out.write(reinterpret_cast<const char*>(samples.data()), dataBytes);
}

// The interleaved samples of a 32-bit float WAV file, split into channels.
inline std::vector<std::vector<float>> readFloatWave(const std::string& path, unsigned channels) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), {});
  std::vector<std::vector<float>> result(channels);
  const std::size_t data = bytes.find("data");
  for (std::size_t at = data + 8, i = 0; data != std::string::npos && at + 4 <= bytes.size();
       at += 4, ++i) {
    float sample = 0.0f;
    std::memcpy(&sample, bytes.data() + at, sizeof sample);
    result[i % channels].push_back(sample);
  }
  return result;
}

}  // namespace pipewire_test
