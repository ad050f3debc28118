// Candidate variable-rate converters on one signal and one schedule, to choose the one behind the
// varispeed port by the numbers: stereo 48 kHz input, consumed 500 ppm fast with a slow ±200 ppm
// wobble, rendered in output blocks of 256 or 1024 frames. Cost is CPU time per output frame;
// quality is judged at a constant 500 ppm: SNR (THD+N below the tone) of a 1 kHz and a 15 kHz
// sine, and the level of a 20 kHz sine (passband flatness).

#include <benchmark/benchmark.h>
#include <samplerate.h>
#include <soxr.h>
#include <zita-resampler/vresampler.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <span>
#include <vector>

#include "support/SineAnalysis.h"

namespace {

constexpr double kRate = 48000.0;
constexpr double kSkew = 1.0005;  // input frames consumed per output frame
constexpr float kAmplitude = 0.5f;
constexpr std::size_t kChunk = 128;  // input frames handed over per pull, as the varispeed does

// One second of a tone whose frequency divides 48 kHz holds whole periods, so it loops seamlessly.
class LoopedTone {
 public:
  explicit LoopedTone(double frequency) : table_(static_cast<std::size_t>(kRate)) {
    for (std::size_t n = 0; n < table_.size(); ++n) {
      table_[n] = kAmplitude * static_cast<float>(std::sin(2.0 * std::numbers::pi * frequency *
                                                           static_cast<double>(n) / kRate));
    }
  }
  // Interleaved stereo, both channels the same.
  void fill(float* interleaved, std::size_t frames) {
    for (std::size_t i = 0; i < frames; ++i) {
      interleaved[2 * i] = interleaved[2 * i + 1] = table_[position_];
      position_ = (position_ + 1) % table_.size();
    }
  }

 private:
  std::vector<float> table_;
  std::size_t position_ = 0;
};

// Renders interleaved stereo output at `inputPerOutput` input frames per output frame.
class Converter {
 public:
  virtual ~Converter() = default;
  virtual void render(float* interleaved, std::size_t frames, double inputPerOutput) = 0;
};

class LibsamplerateConverter final : public Converter {
 public:
  LibsamplerateConverter(int type, LoopedTone& source) : source_(source), chunk_(2 * kChunk) {
    int error = 0;
    state_.reset(src_callback_new(&provide, type, 2, &error, this));
  }
  void render(float* interleaved, std::size_t frames, double inputPerOutput) override {
    src_callback_read(state_.get(), 1.0 / inputPerOutput, static_cast<long>(frames), interleaved);
  }

 private:
  static long provide(void* self, float** data) {
    auto& converter = *static_cast<LibsamplerateConverter*>(self);
    converter.source_.fill(converter.chunk_.data(), kChunk);
    *data = converter.chunk_.data();
    return static_cast<long>(kChunk);
  }
  struct Deleter {
    void operator()(SRC_STATE* state) const { src_delete(state); }
  };
  LoopedTone& source_;
  std::vector<float> chunk_;
  std::unique_ptr<SRC_STATE, Deleter> state_;
};

class SoxrConverter final : public Converter {
 public:
  explicit SoxrConverter(LoopedTone& source) : source_(source), chunk_(2 * kChunk) {
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, SOXR_VR);
    soxr_error_t error = nullptr;
    // In variable-rate mode the rates give the largest input/output ratio to be asked for.
    soxr_.reset(soxr_create(2.0, 1.0, 2, &error, &io, &quality, nullptr));
    soxr_set_io_ratio(soxr_.get(), kSkew, 0);
  }
  void render(float* interleaved, std::size_t frames, double inputPerOutput) override {
    soxr_set_io_ratio(soxr_.get(), inputPerOutput, frames);
    std::size_t produced = 0;
    while (produced < frames) {
      if (left_ == 0) {
        source_.fill(chunk_.data(), kChunk);
        left_ = kChunk;
      }
      std::size_t used = 0, made = 0;
      soxr_process(soxr_.get(), chunk_.data() + 2 * (kChunk - left_), left_, &used,
                   interleaved + 2 * produced, frames - produced, &made);
      left_ -= used;
      produced += made;
    }
  }

 private:
  struct Deleter {
    void operator()(soxr_t soxr) const { soxr_delete(soxr); }
  };
  LoopedTone& source_;
  std::vector<float> chunk_;
  std::size_t left_ = 0;
  std::unique_ptr<soxr, Deleter> soxr_;
};

class ZitaConverter final : public Converter {
 public:
  ZitaConverter(LoopedTone& source, unsigned halfLength) : source_(source), chunk_(2 * kChunk) {
    resampler_.setup(1.0, 2, halfLength);
  }
  void render(float* interleaved, std::size_t frames, double inputPerOutput) override {
    resampler_.set_rratio(1.0 / inputPerOutput);
    resampler_.out_count = static_cast<unsigned>(frames);
    resampler_.out_data = interleaved;
    while (resampler_.out_count > 0) {
      if (resampler_.inp_count == 0) {
        source_.fill(chunk_.data(), kChunk);
        resampler_.inp_count = static_cast<unsigned>(kChunk);
        resampler_.inp_data = chunk_.data();
      }
      resampler_.process();
    }
  }

 private:
  LoopedTone& source_;
  std::vector<float> chunk_;
  VResampler resampler_;
};

enum Candidate { sincBest, sincMedium, sincFastest, soxrVR, zita32, zita48, zita96 };

const char* name(Candidate candidate) {
  switch (candidate) {
    case sincBest:
      return "libsamplerate SINC_BEST";
    case sincMedium:
      return "libsamplerate SINC_MEDIUM";
    case sincFastest:
      return "libsamplerate SINC_FASTEST";
    case soxrVR:
      return "soxr HQ, variable rate";
    case zita32:
      return "zita VResampler, hlen 32";
    case zita48:
      return "zita VResampler, hlen 48";
    case zita96:
      return "zita VResampler, hlen 96";
  }
  return "";
}

std::unique_ptr<Converter> make(Candidate candidate, LoopedTone& source) {
  switch (candidate) {
    case sincBest:
      return std::make_unique<LibsamplerateConverter>(SRC_SINC_BEST_QUALITY, source);
    case sincMedium:
      return std::make_unique<LibsamplerateConverter>(SRC_SINC_MEDIUM_QUALITY, source);
    case sincFastest:
      return std::make_unique<LibsamplerateConverter>(SRC_SINC_FASTEST, source);
    case soxrVR:
      return std::make_unique<SoxrConverter>(source);
    case zita32:
      return std::make_unique<ZitaConverter>(source, 32);
    case zita48:
      return std::make_unique<ZitaConverter>(source, 48);
    case zita96:
      return std::make_unique<ZitaConverter>(source, 96);
  }
  return nullptr;
}

// A second of the left output at the constant skew, after a quarter second of start-up.
SineFit measure(Candidate candidate, double frequency) {
  LoopedTone source(frequency);
  const std::unique_ptr<Converter> converter = make(candidate, source);
  constexpr std::size_t kBlock = 1024;
  std::vector<float> block(2 * kBlock);
  std::vector<float> left;
  const auto settled = static_cast<std::size_t>(kRate / 4);
  while (left.size() < settled + static_cast<std::size_t>(kRate)) {
    converter->render(block.data(), kBlock, kSkew);
    for (std::size_t i = 0; i < kBlock; ++i) left.push_back(block[2 * i]);
  }
  const double heard = frequency * kSkew;
  return fitSineFindingFrequency(
      std::span<const float>(left).subspan(settled, static_cast<std::size_t>(kRate)), kRate,
      heard - 1.0, heard + 1.0);
}

// Arguments: the candidate and the output block in frames.
void BM_ResamplerCandidate(benchmark::State& state) {
  const auto candidate = static_cast<Candidate>(state.range(0));
  const auto frames = static_cast<std::size_t>(state.range(1));
  LoopedTone source(1000.0);
  const std::unique_ptr<Converter> converter = make(candidate, source);
  std::vector<float> block(2 * frames);
  double seconds = 0;
  for (auto _ : state) {
    // ±200 ppm around the skew, over a 10 s period.
    const double wobble = 2e-4 * std::sin(2.0 * std::numbers::pi * seconds / 10.0);
    converter->render(block.data(), frames, kSkew + wobble);
    benchmark::ClobberMemory();
    seconds += static_cast<double>(frames) / kRate;
  }
  state.SetLabel(name(candidate));
  // The inverted rate of frames × 10⁻⁹ is nanoseconds of CPU per output frame.
  state.counters["ns_per_frame"] =
      benchmark::Counter(static_cast<double>(state.iterations() * frames) * 1e-9,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["snr_1k_dB"] = measure(candidate, 1000.0).snrDb;
  state.counters["snr_15k_dB"] = measure(candidate, 15000.0).snrDb;
  state.counters["level_20k_dB"] =
      20.0 * std::log10(measure(candidate, 20000.0).amplitude / kAmplitude);
}
BENCHMARK(BM_ResamplerCandidate)
    ->ArgNames({"candidate", "block"})
    ->ArgsProduct({{sincBest, sincMedium, sincFastest, soxrVR, zita32, zita48, zita96},
                   {256, 1024}});

}  // namespace
