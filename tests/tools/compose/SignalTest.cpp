#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "tools/compose/DrumKit.h"
#include "tools/compose/Envelope.h"
#include "tools/compose/Oscillator.h"
#include "tools/compose/StereoBuffer.h"

using namespace compose;

namespace {

constexpr double rate = StereoBuffer::rate;

int risingZeroCrossings(Oscillator oscillator, double frequency, int samples) {
  int crossings = 0;
  double last = oscillator.next(frequency, rate);
  for (int n = 1; n < samples; ++n) {
    double value = oscillator.next(frequency, rate);
    crossings += last < 0 && value >= 0;
    last = value;
  }
  return crossings;
}

}  // namespace

TEST(Oscillator, EveryShapeHoldsItsPitchAndStaysInRange) {
  for (auto shape : {Oscillator::Shape::Sine, Oscillator::Shape::Saw, Oscillator::Shape::Square,
                     Oscillator::Shape::Triangle}) {
    SCOPED_TRACE(static_cast<int>(shape));
    // One second at 440 Hz: 440 cycles, give or take the one cut at the end.
    EXPECT_NEAR(risingZeroCrossings(Oscillator(shape, 0.25), 440, 48000), 440, 1);
    Oscillator oscillator(shape);
    double sum = 0;
    for (int n = 0; n < 48000; ++n) {
      double value = oscillator.next(3520, rate);
      ASSERT_LE(std::fabs(value), 1.2);
      sum += value;
    }
    EXPECT_NEAR(sum / 48000, 0.0, 0.01);  // no offset, not even at the start
  }
}

TEST(Envelope, RisesHoldsAndReleases) {
  Envelope envelope(0.01, 0.1, 0.5, 0.2);
  EXPECT_DOUBLE_EQ(envelope.at(-0.1, 1.0), 0.0);
  EXPECT_NEAR(envelope.at(0.005, 1.0), 0.5, 1e-9);
  EXPECT_NEAR(envelope.at(0.01, 1.0), 1.0, 1e-9);
  EXPECT_NEAR(envelope.at(0.9, 1.0), 0.5, 1e-3);  // settled at sustain
  EXPECT_NEAR(envelope.at(1.2, 1.0), 0.5 * std::exp(-1.0), 1e-3);
  EXPECT_LT(envelope.at(envelope.length(1.0), 1.0), 0.001);
  // A key lifted during the attack releases from where the attack got to.
  EXPECT_NEAR(envelope.at(0.005, 0.005), 0.5, 1e-9);
  EXPECT_LT(envelope.at(0.1, 0.005), 0.5);
}

TEST(DrumKit, EveryHitStartsOnItsExactFrame) {
  // The accents are drum hits: their attack must begin on the frame of the
  // cue, not a few samples later.
  for (int kind = 0; kind < 4; ++kind) {
    SCOPED_TRACE(kind);
    StereoBuffer out(1.0);
    DrumKit kit(3);
    double time = 0.5;
    switch (kind) {
      case 0:
        kit.kick(out, time, 1.0);
        break;
      case 1:
        kit.clap(out, time, 1.0);
        break;
      case 2:
        kit.snare(out, time, 1.0);
        break;
      case 3:
        kit.hat(out, time, 1.0, false, 0);
        break;
    }
    std::size_t first = StereoBuffer::frameAt(time);
    EXPECT_EQ(out.left()[first - 1], 0.0f);
    float early = 0;
    for (std::size_t n = first; n < first + 48; ++n) {  // the first millisecond
      early = std::max(early, std::fabs(out.left()[n]));
    }
    EXPECT_GT(early, 0.1f);
  }
}
