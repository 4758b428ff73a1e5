#include <gtest/gtest.h>

#include <cmath>

#include "tools/compose/Delay.h"
#include "tools/compose/Limiter.h"
#include "tools/compose/Noise.h"
#include "tools/compose/Reverb.h"
#include "tools/compose/StereoBuffer.h"

using namespace compose;

namespace {

float peak(const std::vector<float>& samples, std::size_t from, std::size_t to) {
  float result = 0;
  for (std::size_t n = from; n < to && n < samples.size(); ++n) {
    result = std::max(result, std::fabs(samples[n]));
  }
  return result;
}

}  // namespace

TEST(Limiter, HoldsEveryPeakUnderTheCeilingAndLeavesQuietPassagesAlone) {
  StereoBuffer mix(2.0);
  Noise noise(5);
  for (std::size_t n = 0; n < mix.frames(); ++n) {
    double level = n >= 48000 && n < 48480 ? 3.0 : 0.2;  // a 10 ms burst far over
    mix.left()[n] = static_cast<float>(level * noise.next());
    mix.right()[n] = static_cast<float>(level * noise.next());
  }
  StereoBuffer original = mix;
  Limiter(0.8, 0.002, 0.05).process(mix);
  EXPECT_LE(peak(mix.left(), 0, mix.frames()), 0.8f + 1e-6f);
  EXPECT_LE(peak(mix.right(), 0, mix.frames()), 0.8f + 1e-6f);
  // Well before the burst, and once the release is over, nothing changes.
  for (std::size_t n : {std::size_t{1000}, std::size_t{40000}, std::size_t{90000}}) {
    EXPECT_EQ(mix.left()[n], original.left()[n]);
  }
  // The attack is smoothed, not clipped: the gain falls over the look-ahead.
  EXPECT_LT(std::fabs(mix.left()[47990]), std::fabs(original.left()[47990]));
}

TEST(Delay, EchoesPingPongAndFade) {
  StereoBuffer send(1.0);
  send.left()[0] = 1.0f;
  send.right()[0] = 1.0f;
  StereoBuffer echoes = Delay(0.1, 0.5, 20000).process(send);
  std::size_t step = StereoBuffer::frameAt(0.1);
  EXPECT_EQ(peak(echoes.left(), 0, step), 0.0f);  // nothing dry
  EXPECT_GT(peak(echoes.left(), step, step + 10), 0.9f);
  EXPECT_EQ(peak(echoes.right(), step, step + 10), 0.0f);
  float second = peak(echoes.right(), 2 * step, 2 * step + 20);
  EXPECT_GT(second, 0.3f);
  EXPECT_LT(second, 0.6f);
  EXPECT_LT(peak(echoes.left(), 3 * step, 3 * step + 20), second);
}

TEST(Reverb, TailStartsLateDecaysAndIsWide) {
  StereoBuffer send(3.0);
  send.left()[0] = 1.0f;
  send.right()[0] = 1.0f;
  StereoBuffer hall = Reverb(0.8, 0.5).process(send);
  // No reflection arrives before the shortest all-pass path.
  EXPECT_EQ(peak(hall.left(), 0, 200), 0.0f);
  float early = peak(hall.left(), 0, StereoBuffer::frameAt(0.5));
  float late = peak(hall.left(), StereoBuffer::frameAt(2.5), hall.frames());
  EXPECT_GT(early, 0.0f);
  EXPECT_GT(late, 0.0f);
  EXPECT_LT(late, early * 0.3f);
  EXPECT_NE(hall.left(), hall.right());
}
