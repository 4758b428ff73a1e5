#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "MediaFixtures.h"
#include "platform/media/AudioDecoder.h"
#include "platform/media/AudioFeed.h"

using platform::AudioDecoder;
using platform::AudioFeed;

// Large blocks ask for more than the ring holds and underrun; small ones in
// between leave the ring's ends anywhere. Given its turn before each block,
// the worker fills the ring: each block is the whole-file decode sample for
// sample up to the ring's worth, then silence. The track advances only by
// what was given, and the position heard never runs past it.
TEST(AudioFeed, GivesTheTrackInOrderAndOnlyAdvancesBySound) {
  MediaFixtures files;
  std::string path = files.toneFile("tone.m4a", 1.0, 0.0);
  AudioDecoder reference;
  std::string error;
  ASSERT_TRUE(reference.decodeFile(path, error)) << error;
  const std::size_t total = reference.frames();

  constexpr std::size_t ring = 1000;
  constexpr std::size_t block = 4800;
  constexpr double rate = AudioFeed::sampleRate;
  AudioFeed feed(ring);
  ASSERT_TRUE(feed.open(path, error)) << error;
  EXPECT_FALSE(feed.heardPosition(1e6));
  std::vector<float> out(2 * block);
  double heardAt = 100.0;  // simulated: when each block's first sample is heard
  std::size_t mismatches = 0;
  std::size_t frames = block;
  int renders = 0;
  for (bool more = true; more; heardAt += static_cast<double>(frames) / rate, ++renders) {
    ASSERT_LT(renders, 1000) << "the feed never ends";
    frames = frames == block ? 333 : block;
    feed.waitForSound(frames);
    const std::size_t before = feed.consumedFrames();
    more = feed.render(out.data(), frames, heardAt);
    const std::size_t got = feed.consumedFrames() - before;
    ASSERT_EQ(got, std::min({frames, ring, total - before})) << "at frame " << before;
    for (std::size_t i = 0; i < 2 * frames; ++i) {
      float expected = i < 2 * got ? reference.samples()[2 * before + i] : 0.0f;
      mismatches += out[i] != expected;
    }
    EXPECT_TRUE(more || feed.consumedFrames() == total) << "ended early, at frame " << before;
    if (got > 0) {
      auto heard = feed.heardPosition(heardAt);
      ASSERT_TRUE(heard);
      EXPECT_DOUBLE_EQ(heard->fileTime, static_cast<double>(before) / rate);
      EXPECT_FALSE(heard->waiting);
      // Long after, all of it was heard and the sound waits to go on.
      const auto after = feed.heardPosition(heardAt + 60);
      EXPECT_DOUBLE_EQ(after->fileTime, static_cast<double>(before + got) / rate);
      EXPECT_TRUE(after->waiting);
    }
  }
  EXPECT_EQ(mismatches, 0u);
  EXPECT_EQ(feed.consumedFrames(), total);
  EXPECT_DOUBLE_EQ(feed.duration(), 1.0);

  // Rewound, it starts again from the first sample.
  ASSERT_TRUE(feed.rewind(error)) << error;
  EXPECT_FALSE(feed.heardPosition(heardAt));
  feed.waitForSound(1);
  feed.render(out.data(), 1, heardAt);
  ASSERT_EQ(feed.consumedFrames(), 1u);
  EXPECT_EQ(out[0], reference.samples()[0]);
  EXPECT_EQ(out[1], reference.samples()[1]);
}

// After a stall an output writes several blocks at once. Until the first of
// them is heard, the sound waits where it goes on: no moment before it,
// heard before the stall, is said to sound again.
TEST(AudioFeed, AfterAGapTheSoundWaitsWhereItGoesOnThoughSeveralBlocksFollow) {
  MediaFixtures files;
  std::string error;
  AudioFeed feed(4800);
  ASSERT_TRUE(feed.open(files.toneFile("tone.m4a", 1.0, 0.0), error)) << error;
  constexpr std::size_t block = 480;
  constexpr double seconds = static_cast<double>(block) / AudioFeed::sampleRate;
  std::vector<float> out(2 * block);
  auto render = [&](double heardAt) {
    feed.waitForSound(block);
    feed.render(out.data(), block, heardAt);
  };
  render(10.0);
  render(10.0 + seconds);
  const double wentOn = 12.0;
  for (int i = 0; i < 3; ++i) {
    render(wentOn + i * seconds);
  }
  for (double now : {11.0, wentOn - 0.0005}) {
    const auto heard = feed.heardPosition(now);
    ASSERT_TRUE(heard) << now;
    EXPECT_TRUE(heard->waiting);
    EXPECT_DOUBLE_EQ(heard->fileTime, 2 * seconds);
    EXPECT_DOUBLE_EQ(heard->heardAt, wentOn);
  }
  const auto heard = feed.heardPosition(wentOn + 0.001);
  EXPECT_FALSE(heard->waiting);
  EXPECT_NEAR(heard->fileTime, 2 * seconds + 0.001, 1e-9);
}
