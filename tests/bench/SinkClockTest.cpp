#include "SinkClock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

TEST(SinkClock, TheLeastDelayedChunkOfEachWindowTellsWhenSamplesWereRendered) {
  // 10 s in chunks of 2 ms at 48 kHz, each arriving 0–5 ms after its last
  // sample was rendered; the device's clock runs 100 ppm fast of the stamps'.
  constexpr int rate = 48000;
  constexpr double startNs = 1.7e18;
  auto renderedNs = [&](long sample) { return startNs + double(sample) * 1e9 / rate / 1.0001; };
  std::mt19937 random(5);
  std::uniform_real_distribution<double> lateNs(0, 5e6);
  std::vector<bench::SinkClock::Chunk> chunks;
  for (long first = 0; first < 10 * rate; first += 96) {
    const double late = first % (96 * 200) == 0 ? 0 : lateNs(random);
    chunks.push_back({first, 96, std::lround(renderedNs(first + 96) + late)});
  }
  const bench::SinkClock clock(chunks, rate, 2.0);
  for (long sample = 0; sample < 10 * rate; sample += 997) {
    const auto rendered = clock.renderedAtNs(sample);
    ASSERT_TRUE(rendered);
    EXPECT_NEAR(double(*rendered), renderedNs(sample), 0.25e6) << sample;
  }
  EXPECT_EQ(clock.renderedAtNs(-1), std::nullopt);
  EXPECT_EQ(clock.renderedAtNs(10 * rate), std::nullopt);
}

}  // namespace
