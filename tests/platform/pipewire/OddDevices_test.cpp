#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <span>
#include <thread>

#include "platform/pipewire/ControllerOnPipeWire.h"
#include "platform/pipewire/PipeWireTestSession.h"
#include "platform/pipewire/RouteAnalysis.h"
#include "platform/pipewire/WaveFiles.h"
#include "support/SineAnalysis.h"

using namespace pipewire_test;
using namespace std::chrono_literals;
using Kind = MonitoringPhase::Kind;

namespace {

constexpr double kRate = 48000.0;
constexpr double kAmplitude = 0.25;

// One appearance of the node: its channels and rate, what the catalog lists (0: not listed) and
// what the route then does (no title: it plays the pair's tones at `gainDb`; else the status).
struct Shape {
  int channels, rate, listedChannels;
  std::string outcome;
  double gainDb = 0.0;
};

// A sink becomes the system output for the interface's pair; an input is monitored on `pair`.
struct OddNode {
  std::string description, listedName, pair;
  std::vector<Shape> shapes;
  std::string mediaClass = "Audio/Source/Virtual";
};

const std::string kLong(500, 'L');
const std::vector<OddNode> kOddNodes{
    // PipeWire makes a node of 0 channels stereo, and opens 64 of 300.
    {"0 channels", "0 channels", "0-1", {{0, 0, 2, ""}}},
    {"1 channel", "", "0-1", {{1, 0, 0, "Waiting for the selected input"}}},
    {"2 channels", "2 channels", "0-1", {{2, 0, 2, ""}}},
    {"64 channels", "64 channels", "62-63", {{64, 0, 64, ""}}},
    {"300 channels", "300 channels", "62-63", {{300, 0, 64, ""}}},
    {"", "vx-odd", "0-1", {{2, 0, 2, ""}}},
    {kLong, kLong, "0-1", {{2, 0, 2, ""}}},
    {"🎤 Mic 🎧", "🎤 Mic 🎧", "0-1", {{2, 0, 2, ""}}},
    {"say \"hi\" \\ it's", "say \"hi\" \\ it's", "0-1", {{2, 0, 2, ""}}},
    {"line one\nline two", "line one\nline two", "0-1", {{2, 0, 2, ""}}},
    {"ميكروفون USB", "ميكروفون USB", "0-1", {{2, 0, 2, ""}}},
    {"8 kHz", "8 kHz", "0-1", {{2, 8000, 2, ""}}},
    {"11.025 kHz", "11.025 kHz", "0-1", {{2, 11025, 2, ""}}},
    {"44.1 kHz", "44.1 kHz", "0-1", {{2, 44100, 2, ""}}},
    {"96 kHz", "96 kHz", "0-1", {{2, 96000, 2, ""}}},
    {"192 kHz", "192 kHz", "0-1", {{2, 192000, 2, ""}}},
    {"384 kHz", "384 kHz", "0-1", {{2, 384000, 2, "Unsupported input sample rate"}}},
    // PipeWire mixes the pair into a mono sink at -3 dB a side.
    {"1-channel sink", "", "2-3", {{1, 0, 0, "", -3.01}}, "Audio/Sink"},
    {"8-channel sink", "", "2-3", {{8, 0, 0, ""}}, "Audio/Sink"},
    {"Shapes change while monitoring",
     "Shapes change while monitoring",
     "6-7",
     {{8, 48000, 8, ""}, {2, 96000, 2, "Choose a valid stereo pair"}, {8, 44100, 8, ""}}},
};

// Both tones, each on its side at `gainDb`, in what `sink` plays, within three seconds.
bool tonesArrive(const std::string& sink, const std::string& file, double gainDb) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (!runSession("record " + sink + " " + file + " 1")) return false;
    const std::vector<std::vector<float>> tap = readFloatWave(file, 2);
    const auto levelDb = [&](int side, double frequency) {
      const auto last =
          std::span<const float>(tap[side]).last(std::min<std::size_t>(9600, tap[side].size()));
      return 20.0 * std::log10(fitSine(last, kRate, frequency).amplitude / kAmplitude) - gainDb;
    };
    if (std::abs(levelDb(0, 997.0)) < 0.5 && std::abs(levelDb(1, 1499.0)) < 0.5) return true;
  }
  return false;
}

}  // namespace

// Whatever shape or name a node has, the catalog lists what it can monitor, the route plays it
// faithfully or says why not, and the selection survives the node's going.
TEST(OddDevices, EachOddNodeIsListedAsUsableOrSaysWhyAndKeepsTheSelection) {
  ControllerOnPipeWire monitor;
  const std::string toneFile = sessionFile("odd-tone.wav"), tapFile = sessionFile("odd-tap.wav");
  const auto frames = static_cast<std::size_t>(kRate * 30);
  writeFloatWave(toneFile,
                 {MultiTone{{{997.0, kAmplitude}}, kRate}.samples(frames),
                  MultiTone{{{1499.0, kAmplitude}}, kRate}.samples(frames)},
                 kRate);
  for (const OddNode& row : kOddNodes) {
    SCOPED_TRACE(row.description.substr(0, 40));
    const std::string name = "vx-odd";
    const bool sink = row.mediaClass == "Audio/Sink";
    const std::string input = sink ? kInterface : name;
    std::string channels = row.pair;
    channels[channels.find('-')] = ' ';
    setenv("VX_ODD_DESCRIPTION", row.description.c_str(), 1);
    for (const Shape& shape : row.shapes) {
      ASSERT_TRUE(runSession("make-odd " + name + " " + row.mediaClass + " " +
                             std::to_string(shape.channels) + " " + std::to_string(shape.rate) +
                             " \"$VX_ODD_DESCRIPTION\""));
      ASSERT_TRUE(!sink || runSession("set-default " + name));
      if (shape.outcome.empty()) {
        ASSERT_TRUE(
            runSession((sink ? "feed " : "feed-odd " + name + " ") + toneFile + " " + channels));
      }
      // A node the catalog leaves out gives no event to wait for.
      if (shape.listedChannels == 0 && !sink) std::this_thread::sleep_for(1s);
      EXPECT_TRUE(monitor.waitUntil(3s, [&](MonitorViewModel& controller) {
        for (const AudioInputDevice& device : controller.inputDevices()) {
          if (device.uid != name) continue;
          return device.name == row.listedName &&
                 device.channelNames.size() == static_cast<std::size_t>(shape.listedChannels) &&
                 device.channelPairs.size() == static_cast<std::size_t>(shape.listedChannels / 2);
        }
        return sink || shape.listedChannels == 0;
      }));
      if (&shape == &row.shapes.front()) monitor.startMonitoring(input, row.pair);
      if (shape.outcome.empty()) {
        EXPECT_TRUE(monitor.waitUntilFlowing(3s, [&](MonitorViewModel& controller) {
          return controller.outputDevice()->uid == (sink ? name : kSpeakers);
        }));
        EXPECT_TRUE(tonesArrive(sink ? name : kSpeakers, tapFile, shape.gainDb));
      } else {
        EXPECT_TRUE(monitor.waitUntil(3s, [&](MonitorViewModel& controller) {
          return controller.status().title == shape.outcome && !controller.isMonitoring();
        }));
      }
      runSession("unfeed");
      ASSERT_TRUE(runSession("unplug " + name));
      if (sink) runSession("set-default " + kSpeakers);
    }
    // The node went: a route that ran waits for it (or follows the speakers); the selection stays.
    EXPECT_TRUE(monitor.waitUntil(3s, [&](MonitorViewModel& controller) {
      return controller.selectedDeviceUID() == input && controller.selectedPairID() == row.pair &&
             (sink ? controller.isMonitoring()
                   : controller.phase().kind() ==
                         (controller.monitorIntent() ? Kind::waitingForInput : Kind::stopped));
    }));
    monitor.onController([](MonitorViewModel& controller) {
      if (controller.monitorIntent()) controller.toggleMonitoring();
      return 0;
    });
  }
}
