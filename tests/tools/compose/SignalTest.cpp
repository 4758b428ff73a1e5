#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "tools/compose/DrumKit.h"
#include "tools/compose/Envelope.h"
#include "tools/compose/Filter.h"
#include "tools/compose/Noise.h"
#include "tools/compose/Oscillator.h"
#include "tools/compose/StereoBuffer.h"
#include "tools/compose/SynthVoice.h"

using namespace compose;

namespace {

constexpr double rate = StereoBuffer::rate;

// Root mean square of `filter` applied to a sine of `frequency`, after the
// filter has settled.
double filteredLevel(Filter::Mode mode, double frequency, double cutoff) {
  Filter filter(mode);
  double sum = 0;
  int count = 0;
  for (int n = 0; n < 48000; ++n) {
    double out =
        filter.process(std::sin(2 * std::numbers::pi * frequency * n / rate), cutoff, 0.0, rate);
    if (n >= 24000) {
      sum += out * out;
      ++count;
    }
  }
  return std::sqrt(sum / count) * std::numbers::sqrt2;
}

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

TEST(Noise, SameSeedSameSequenceWithinRange) {
  Noise a(7);
  Noise b(7);
  Noise c(8);
  double sum = 0;
  bool differs = false;
  for (int i = 0; i < 100000; ++i) {
    double x = a.next();
    EXPECT_EQ(x, b.next());
    differs |= x != c.next();
    ASSERT_GE(x, -1.0);
    ASSERT_LT(x, 1.0);
    sum += x;
  }
  EXPECT_TRUE(differs);
  EXPECT_NEAR(sum / 100000, 0.0, 0.01);
}

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

TEST(Filter, PassesItsBandAndStopsTheRest) {
  EXPECT_NEAR(filteredLevel(Filter::Mode::LowPass, 100, 1000), 1.0, 0.02);
  EXPECT_LT(filteredLevel(Filter::Mode::LowPass, 10000, 500), 0.01);
  EXPECT_NEAR(filteredLevel(Filter::Mode::HighPass, 10000, 1000), 1.0, 0.02);
  EXPECT_LT(filteredLevel(Filter::Mode::HighPass, 50, 2000), 0.01);
  EXPECT_GT(filteredLevel(Filter::Mode::BandPass, 1000, 1000),
            10 * filteredLevel(Filter::Mode::BandPass, 20, 1000));
}

TEST(Filter, StaysStableWhileSweepingAtFullResonance) {
  Filter filter(Filter::Mode::LowPass);
  Noise noise(1);
  for (int n = 0; n < 96000; ++n) {
    double cutoff = 50 + 20000 * (0.5 + 0.5 * std::sin(n * 0.001));
    double out = filter.process(noise.next(), cutoff, 1.0, rate);
    ASSERT_TRUE(std::isfinite(out));
    ASSERT_LT(std::fabs(out), 100.0);
  }
}

TEST(StereoBuffer, PansAtEqualPowerAndDropsWhatFallsOffTheEnd) {
  StereoBuffer buffer(0.001);  // 48 frames
  buffer.add(0, 1.0, 0.0);
  EXPECT_NEAR(buffer.left()[0], 1.0, 1e-6);
  EXPECT_NEAR(buffer.right()[0], 1.0, 1e-6);
  buffer.add(1, 1.0, -1.0);
  EXPECT_NEAR(buffer.left()[1], std::numbers::sqrt2, 1e-6);
  EXPECT_NEAR(buffer.right()[1], 0.0, 1e-6);
  buffer.add(48, 1.0, 0.0);
  buffer.add(1000, 1.0, 0.0);
  EXPECT_EQ(buffer.frames(), 48u);
  EXPECT_EQ(StereoBuffer::frameAt(2.0), 96000u);
  auto pairs = buffer.interleaved();
  ASSERT_EQ(pairs.size(), 96u);
  EXPECT_EQ(pairs[2], buffer.left()[1]);
  EXPECT_EQ(pairs[3], buffer.right()[1]);
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

TEST(DrumKit, SameSeedSameHitsAndNoTwoHitsAlike) {
  StereoBuffer a(0.5);
  StereoBuffer b(0.5);
  DrumKit first(9);
  DrumKit second(9);
  first.clap(a, 0.0, 1.0);
  second.clap(b, 0.0, 1.0);
  EXPECT_EQ(a.left(), b.left());
  StereoBuffer c(0.5);
  first.clap(c, 0.0, 1.0);  // the kit's next hit draws fresh noise
  EXPECT_NE(a.left(), c.left());
}

TEST(SynthVoice, PlaysTheNoteAskedFor) {
  EXPECT_DOUBLE_EQ(SynthVoice::frequency(69), 440.0);
  EXPECT_NEAR(SynthVoice::frequency(57), 220.0, 1e-9);
  SynthVoice::Patch patch;
  patch.shape = Oscillator::Shape::Sine;
  patch.cutoff = 20000;
  patch.amp = Envelope(0.001, 0.0, 1.0, 0.01);
  SynthVoice voice(patch, 1);
  StereoBuffer out(1.2);
  voice.play(out, 0.1, 1.0, 69, 0.5);
  EXPECT_EQ(out.left()[StereoBuffer::frameAt(0.1) - 1], 0.0f);
  int crossings = 0;
  for (std::size_t n = StereoBuffer::frameAt(0.2); n < StereoBuffer::frameAt(1.0); ++n) {
    crossings += out.left()[n - 1] < 0 && out.left()[n] >= 0;
  }
  EXPECT_NEAR(crossings, 352, 1);  // 440 Hz for 0.8 s
  EXPECT_LT(std::fabs(out.left()[StereoBuffer::frameAt(1.19)]), 0.01);
}
