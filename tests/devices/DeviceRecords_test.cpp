#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "devices/AudioChannelPair.h"
#include "devices/AudioDeviceFormat.h"
#include "devices/AudioInputDevice.h"
#include "devices/AudioOutputDevice.h"

namespace {

AudioInputDevice sampleInput() {
  return AudioInputDevice{
      .id = 73,
      .uid = "AppleUSBAudioEngine:Studio:1",
      .name = "Studio Interface",
      .channelNames = {"Mic 1", "Mic 2", "Line 3", "Line 4"},
      .channelPairs = {{0, 1, "Mic 1", "Mic 2"}, {2, 3, "Line 3", "Line 4"}},
      .nominalSampleRate = 48000,
      .physicalFormat = AudioDeviceFormat{24, false},
      .bufferFrameSize = 256,
      .isAlive = true,
  };
}

AudioOutputDevice sampleOutput() {
  return AudioOutputDevice{
      .id = 41,
      .uid = "BuiltInSpeakerDevice",
      .name = "Speakers",
      .nominalSampleRate = 44100,
      .physicalFormat = AudioDeviceFormat{32, true},
      .bufferFrameSize = 512,
      .isAlive = true,
  };
}

// Each variant must compare unequal to the base and, since every field feeds the hash, hash
// differently; a field missing from either shows up here.
template <typename Record>
void expectAllDistinct(const Record& base, const std::vector<Record>& variants) {
  const std::hash<Record> hash;
  const Record copy = base;
  EXPECT_EQ(copy, base);
  EXPECT_EQ(hash(copy), hash(base));
  std::unordered_set<std::size_t> hashes{hash(base)};
  for (std::size_t index = 0; index < variants.size(); ++index) {
    SCOPED_TRACE("variant " + std::to_string(index));
    EXPECT_NE(variants[index], base);
    EXPECT_TRUE(hashes.insert(hash(variants[index])).second);
  }
}

TEST(AudioDeviceFormatTest, ShortDescriptionNamesBitDepthAndFloat) {
  EXPECT_EQ((AudioDeviceFormat{16, false}.shortDescription()), "16-bit");
  EXPECT_EQ((AudioDeviceFormat{24, false}.shortDescription()), "24-bit");
  EXPECT_EQ((AudioDeviceFormat{32, true}.shortDescription()), "32-bit float");
  EXPECT_EQ((AudioDeviceFormat{4294967295u, true}.shortDescription()), "4294967295-bit float");
}

TEST(AudioDeviceFormatTest, EqualityAndHashCoverBothFields) {
  expectAllDistinct(AudioDeviceFormat{24, false},
                    {AudioDeviceFormat{16, false}, AudioDeviceFormat{24, true}});
}

TEST(AudioChannelPairTest, IdAndLabel) {
  const AudioChannelPair first{0, 1, "L", "R"};
  EXPECT_EQ(first.id(), "0-1");
  EXPECT_EQ(first.shortLabel(), "Inputs 1 / 2");
  const AudioChannelPair later{2, 3, "", ""};
  EXPECT_EQ(later.id(), "2-3");
  EXPECT_EQ(later.shortLabel(), "Inputs 3 / 4");
  const AudioChannelPair wide{10, 17, "", ""};
  EXPECT_EQ(wide.id(), "10-17");
  EXPECT_EQ(wide.shortLabel(), "Inputs 11 / 18");
}

TEST(AudioChannelPairTest, SameChannelsDifferentNamesAreDifferentRecordsWithTheSameId) {
  const AudioChannelPair base{0, 1, "Mic 1", "Mic 2"};
  const AudioChannelPair renamedLeft{0, 1, "Vocal", "Mic 2"};
  const AudioChannelPair renamedRight{0, 1, "Mic 1", "Vocal"};
  expectAllDistinct(base, {renamedLeft, renamedRight, AudioChannelPair{1, 1, "Mic 1", "Mic 2"},
                           AudioChannelPair{0, 2, "Mic 1", "Mic 2"}});
  EXPECT_EQ(renamedLeft.id(), base.id());
  EXPECT_EQ(renamedRight.id(), base.id());
}

TEST(AudioChannelPairTest, SwappedNamesDiffer) {
  EXPECT_NE((AudioChannelPair{0, 1, "A", "B"}), (AudioChannelPair{0, 1, "B", "A"}));
}

TEST(AudioInputDeviceTest, EveryFieldTakesPartInEqualityAndHash) {
  const AudioInputDevice base = sampleInput();
  std::vector<AudioInputDevice> variants(11, base);
  variants[0].id = 74;
  variants[1].uid = "AppleUSBAudioEngine:Studio:2";
  variants[2].name = "Studio Interface 2";
  variants[3].channelNames[3] = "Line 4 (renamed)";
  variants[4].channelNames.pop_back();
  variants[5].channelPairs[1].rightName = "Line 4 (renamed)";
  variants[6].channelPairs.pop_back();
  variants[7].nominalSampleRate = 44100;
  variants[8].physicalFormat.reset();
  variants[9].bufferFrameSize = 512;
  variants[10].isAlive = false;
  expectAllDistinct(base, variants);
}

TEST(AudioInputDeviceTest, ListsCompareElementByElementInOrder) {
  AudioInputDevice reordered = sampleInput();
  std::swap(reordered.channelNames[0], reordered.channelNames[1]);
  EXPECT_NE(reordered, sampleInput());
  AudioInputDevice swappedPairs = sampleInput();
  std::swap(swappedPairs.channelPairs[0], swappedPairs.channelPairs[1]);
  EXPECT_NE(swappedPairs, sampleInput());
}

TEST(AudioInputDeviceTest, OptionalFormatsEqualWhenBothAbsentOrBothEqual) {
  AudioInputDevice withoutFormat = sampleInput();
  withoutFormat.physicalFormat.reset();
  AudioInputDevice alsoWithoutFormat = withoutFormat;
  EXPECT_EQ(withoutFormat, alsoWithoutFormat);
  EXPECT_EQ(std::hash<AudioInputDevice>{}(withoutFormat),
            std::hash<AudioInputDevice>{}(alsoWithoutFormat));
  AudioInputDevice otherFormat = sampleInput();
  otherFormat.physicalFormat = AudioDeviceFormat{24, true};
  EXPECT_NE(otherFormat, sampleInput());
}

TEST(AudioInputDeviceTest, ServesAsUnorderedMapKey) {
  std::unordered_map<AudioInputDevice, int> seen;
  AudioInputDevice dead = sampleInput();
  dead.isAlive = false;
  AudioInputDevice resized = sampleInput();
  resized.bufferFrameSize = 128;
  AudioInputDevice renamedChannel = sampleInput();
  renamedChannel.channelNames[0] = "Kick";
  ++seen[sampleInput()];
  ++seen[dead];
  ++seen[resized];
  ++seen[renamedChannel];
  ++seen[sampleInput()];
  EXPECT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen.at(sampleInput()), 2);
  EXPECT_EQ(seen.at(dead), 1);
  EXPECT_EQ(seen.at(resized), 1);
  EXPECT_EQ(seen.at(renamedChannel), 1);
}

TEST(AudioOutputDeviceTest, EveryFieldTakesPartInEqualityAndHash) {
  const AudioOutputDevice base = sampleOutput();
  std::vector<AudioOutputDevice> variants(8, base);
  variants[0].id = 42;
  variants[1].uid = "ExternalHeadphones";
  variants[2].name = "Headphones";
  variants[3].nominalSampleRate = 48000;
  variants[4].physicalFormat.reset();
  variants[5].physicalFormat = AudioDeviceFormat{24, true};
  variants[6].bufferFrameSize = 1024;
  variants[7].isAlive = false;
  expectAllDistinct(base, variants);
}

TEST(AudioOutputDeviceTest, ServesAsUnorderedMapKey) {
  std::unordered_map<AudioOutputDevice, std::string> labels;
  AudioOutputDevice dead = sampleOutput();
  dead.isAlive = false;
  labels[sampleOutput()] = "alive";
  labels[dead] = "dead";
  EXPECT_EQ(labels.size(), 2u);
  EXPECT_EQ(labels.at(sampleOutput()), "alive");
  EXPECT_EQ(labels.at(dead), "dead");
}

}  // namespace
