#include "LoopbackAligner.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// At 1000 Hz: blocks of 20 samples, a local search of ±50, a first window
// of 4000.
constexpr int rate = 1000;

std::vector<float> noise(std::size_t length, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> sample(-0.5f, 0.5f);
  std::vector<float> values(length);
  for (float& value : values) {
    value = sample(random);
  }
  return values;
}

void append(std::vector<float>& to, const std::vector<float>& part) {
  to.insert(to.end(), part.begin(), part.end());
}

// A second of silence, a unique bar (1.5 s), a pattern of 2 s four times
// (2500–10500), another unique bar, the pattern three times (12000–18000),
// a last unique bar and a second of silence.
std::vector<float> track() {
  const auto pattern = noise(2000, 1);
  std::vector<float> music(1000, 0.0f);
  append(music, noise(1500, 2));
  for (int i = 0; i < 4; ++i) {
    append(music, pattern);
  }
  append(music, noise(1500, 3));
  for (int i = 0; i < 3; ++i) {
    append(music, pattern);
  }
  append(music, noise(1500, 4));
  append(music, std::vector<float>(1000, 0.0f));
  return music;
}

std::vector<float> excerpt(const std::vector<float>& music, long from, long to) {
  return {music.begin() + from, music.begin() + to};
}

TEST(LoopbackAligner, RepeatsAreToldApartAndALossIsFoundWhereItHappened) {
  // Recording from the second bar of the pattern (its first 4 s match three
  // places equally), 37 samples lost at track sample 13000.
  const auto music = track();
  std::vector<float> recording(700, 0.0f);
  append(recording, excerpt(music, 4000, 13000));
  append(recording, excerpt(music, 13037, long(music.size())));
  bench::LoopbackAligner aligner(music, rate);
  std::string error;
  ASSERT_TRUE(aligner.align(recording, error)) << error;
  EXPECT_EQ(aligner.segments().front().lag, 700 - 4000);
  EXPECT_EQ(aligner.acquiredOverSeconds(), 8);
  EXPECT_GE(aligner.peakRatio(), 1.2);
  ASSERT_EQ(aligner.changes().size(), 1u);
  EXPECT_EQ(aligner.changes()[0].recordIndex, 700 + 9000);
  EXPECT_EQ(aligner.changes()[0].trackIndex, 13037);
  EXPECT_EQ(aligner.changes()[0].samples, -37);
  EXPECT_EQ(aligner.recordIndexOf(4000), 700);
  EXPECT_EQ(aligner.recordIndexOf(12999), 700 + 8999);
  EXPECT_EQ(aligner.recordIndexOf(13010), std::nullopt);  // never heard
  EXPECT_EQ(aligner.recordIndexOf(13037), 700 + 9000);
  EXPECT_EQ(aligner.recordIndexOf(16000), 16000 - 4000 + 700 - 37);
  EXPECT_EQ(aligner.recordIndexOf(100), std::nullopt);
}

TEST(LoopbackAligner, TwoSamplesLostInLowNotesAreNotTakenForAMatch) {
  // Noise averaged over 40 samples: two samples off, it still scores 0.95.
  const auto white = noise(12040, 6);
  std::vector<float> music(1000, 0.0f);
  for (std::size_t i = 0; i < 12000; ++i) {
    float sum = 0;
    for (std::size_t k = 0; k < 40; ++k) {
      sum += white[i + k];
    }
    music.push_back(sum / 10);
  }
  std::vector<float> recording(300, 0.0f);
  append(recording, excerpt(music, 0, 7000));
  append(recording, excerpt(music, 7002, long(music.size())));
  bench::LoopbackAligner aligner(music, rate);
  std::string error;
  ASSERT_TRUE(aligner.align(recording, error)) << error;
  ASSERT_EQ(aligner.changes().size(), 1u);
  EXPECT_EQ(aligner.changes()[0].recordIndex, 7300);
  EXPECT_EQ(aligner.changes()[0].samples, -2);
}

TEST(LoopbackAligner, SilenceGainedInAStallIsCountedAndTheMusicFollowedAfterIt) {
  // 2 s of silence where track sample 12011 was due, partway into a block:
  // the music resumes on a repeat of the pattern, found again over the
  // whole track, three samples on (dropped as the device took it up). What
  // follows the stop was heard after the silence, not in the block the
  // sound stopped in.
  const auto music = track();
  std::vector<float> recording(500, 0.0f);
  append(recording, excerpt(music, 0, 12011));
  append(recording, std::vector<float>(2000, 0.0f));
  append(recording, excerpt(music, 12014, long(music.size())));
  bench::LoopbackAligner aligner(music, rate);
  std::string error;
  ASSERT_TRUE(aligner.align(recording, error)) << error;
  ASSERT_EQ(aligner.changes().size(), 1u);
  EXPECT_EQ(aligner.changes()[0].recordIndex, 14511);
  EXPECT_EQ(aligner.changes()[0].trackIndex, 12014);
  EXPECT_EQ(aligner.changes()[0].samples, 1997);
  EXPECT_EQ(aligner.recordIndexOf(12010), 12510);
  EXPECT_EQ(aligner.recordIndexOf(12011), std::nullopt);
  EXPECT_EQ(aligner.heardIndexOf(12011, 20), 14511);  // where the sound went on
  EXPECT_EQ(aligner.heardIndexOf(12011, 2), std::nullopt);
  EXPECT_EQ(aligner.recordIndexOf(12014), 14511);
  EXPECT_EQ(aligner.recordIndexOf(12019), 14516);
  EXPECT_EQ(aligner.recordIndexOf(19000), 21497);
}

TEST(LoopbackAligner, NothingIsMatchedThatTheRecordingDoesNotClearlyHold) {
  const auto music = track();
  bench::LoopbackAligner aligner(music, rate);
  std::string error;
  // Silence; another sound; the pattern three times, as found at two places
  // in the first run of four and at the run of three.
  for (const auto& recording :
       {std::vector<float>(6000, 0.0f), noise(6000, 9), excerpt(music, 2500, 8500)}) {
    error.clear();
    EXPECT_FALSE(aligner.align(recording, error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(aligner.segments().empty());
  }
}

}  // namespace
