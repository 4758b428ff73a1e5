#include "platform/FramePacer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using platform::FramePacer;

constexpr double kPeriod = 1.0 / 60;
constexpr double kLatency = 0.05;  // the simulated device's output latency

// A display at 60 Hz whose swaps wait for the blank, and a player whose
// sound starts at show time 0 with the display clock. Time is simulated: the
// output plays show time `clock − lag` at display time `clock`.
struct Simulation {
  double clock = 0;
  double lag = 0;         // seconds the sound has fallen behind the display clock
  double waitsAt = -1e9;  // show time where the output waits for new sound, if later
  FramePacer pacer{[this] { return clock; }, 60, true};
  std::vector<double> shown;

  Simulation() { pacer.soundStarted({0, kLatency}); }

  // One frame: the sound is reported before the frame is asked for, as the
  // host does, and `jitter` disturbs the report; the swap returns at the blank.
  FramePacer::Frame frame(bool sounding = true, double jitter = 0) {
    if (sounding) {
      pacer.hear(report(jitter));
    } else {
      pacer.hear(std::nullopt);
    }
    FramePacer::Frame f = pacer.nextFrame();
    shown.push_back(f.showTime);
    clock = f.displayTime;
    pacer.swapped();
    return f;
  }
  void play(int frames, double jitter = 0) {
    for (int i = 0; i < frames; ++i) {
      frame(true, i % 2 ? jitter : -jitter);
    }
  }
  double heard(double displayTime) const { return std::max(displayTime - kLatency - lag, waitsAt); }
  // What the player says: where the sound is now, or, while the output
  // waits, where it goes on and when that is heard.
  FramePacer::Sound report(double jitter) const {
    const double playing = clock - kLatency - lag;
    if (playing < waitsAt) {
      return {waitsAt, waitsAt + kLatency + lag, true};
    }
    return {playing + jitter, clock};
  }
  // Show time pictured minus show time heard when the frame is displayed.
  double offset(const FramePacer::Frame& f) const { return f.showTime - heard(f.displayTime); }
  bool neverBackwards() const {
    for (std::size_t i = 1; i < shown.size(); ++i) {
      if (shown[i] < shown[i - 1]) {
        return false;
      }
    }
    return true;
  }
};

TEST(FramePacer, PicturesMeetTheirSoundAndIgnoreJitter) {
  Simulation s;
  s.play(120, 0.003);
  FramePacer::Frame f = s.frame();
  // The picture of a moment is displayed when its sound is heard.
  EXPECT_NEAR(s.offset(f), 0, 0.001);
  EXPECT_NEAR(s.pacer.videoDelay(), kLatency, 0.001);
  // Jitter of a few milliseconds moves frames by much less than itself.
  for (std::size_t i = 60; i < s.shown.size(); ++i) {
    EXPECT_NEAR(s.shown[i] - s.shown[i - 1], kPeriod, 0.001) << "frame " << i;
  }
}

TEST(FramePacer, AfterAWholeProcessStallPictureAndSoundResumeTogether) {
  Simulation s;
  s.play(60);
  const double stoppedAt = s.shown.back();
  // Everything stops for 2 s. The output plays out the latency it had been
  // given and waits there; new sound is heard a latency after the process
  // resumes. No frame pictures a moment heard before the stall.
  s.clock += 2.0;
  s.lag += 2.0;
  s.waitsAt = stoppedAt + kLatency;
  EXPECT_LE(s.frame().showTime - stoppedAt, kLatency + kPeriod + 1e-9);
  for (int i = 0; i < 60; ++i) {
    FramePacer::Frame f = s.frame();
    EXPECT_GE(f.showTime, s.waitsAt) << "frame " << i + 2 << " after the stall";
    EXPECT_LT(std::fabs(s.offset(f)), 0.017) << "frame " << i + 2 << " after the stall";
  }
  EXPECT_TRUE(s.neverBackwards());
}

// On the grid, the first frame after a stall often aims at a slot already
// past. It must not picture a moment the sound played before the stall.
TEST(FramePacer, OnTheGridAFrameAfterAStallPicturesNoMomentHeardAlready) {
  double clock = 0;
  FramePacer pacer([&] { return clock; }, 60, false);
  pacer.soundStarted({0, 0.02});
  double lastSlot = 0;
  for (int i = 0; i < 60; ++i) {  // the moment heard at display time t is t − 0.02
    pacer.hear(FramePacer::Sound{clock - 0.02, clock});
    FramePacer::Frame f = pacer.nextFrame();
    clock += 0.004;
    pacer.drawn();
    clock = std::max(clock, f.swapAt);
    pacer.swapping();
    pacer.swapped();
    lastSlot = f.displayTime;
  }
  // The output had 20 ms queued: it played out to `goesOn` and waited. The
  // process resumes 1 ms after a slot; the output writes at once, and its
  // sound is heard before the frame is asked for.
  const double goesOn = clock;
  clock = lastSlot + 121 * kPeriod + 0.004;
  pacer.hear(FramePacer::Sound{goesOn + 0.001, clock});
  EXPECT_GE(pacer.nextFrame().showTime, goesOn + 0.001 - 1e-9);
}

TEST(FramePacer, AReportFromBeforeAStallCannotThrowThePictureAhead) {
  Simulation s;
  s.play(60);
  const double stoppedAt = s.shown.back();
  s.clock += 2.0;  // the report still runs on from before the gap
  EXPECT_LE(s.frame().showTime - stoppedAt, kPeriod + kLatency + FramePacer::kOutputSlack + 1e-9);
  // The next reports tell that the sound waited: the picture holds until the
  // sound catches up with it, then follows.
  s.lag += 2.0;
  s.play(30);
  EXPECT_LT(std::fabs(s.offset(s.frame())), 0.017);
}

TEST(FramePacer, WhenOnlyThePictureStallsItJumpsForwardToTheSound) {
  Simulation s;
  s.play(60);
  s.clock += 2.0;
  s.play(10);
  FramePacer::Frame f = s.frame();
  EXPECT_NEAR(s.offset(f), 0, 0.001);
  EXPECT_TRUE(s.neverBackwards());

  // Where reports are read fresh from the output (a hidden page, whose sound
  // played on), the very first frame after the gap meets the sound.
  Simulation hidden;
  hidden.pacer.setReportsAreFresh(true);
  hidden.play(60);
  hidden.clock += 5.0;
  FramePacer::Frame first = hidden.frame();
  EXPECT_NEAR(hidden.offset(first), 0, 0.001);
  EXPECT_TRUE(hidden.neverBackwards());
}

// What the picture does when the sound is late, changes its latency, or
// stops reporting. `soundChange` shifts the heard sound at frame 60.
struct Disturbance {
  std::string name;
  double soundChange;  // seconds the sound falls behind (positive) at frame 60
  bool silentAfter;    // the player stops reporting at frame 60
};

void PrintTo(const Disturbance& d, std::ostream* os) {
  *os << d.name;
}

class SoundDisturbance : public testing::TestWithParam<Disturbance> {};

TEST_P(SoundDisturbance, PictureNeverStepsBackAndFollowsOrCarriesOn) {
  const Disturbance& d = GetParam();
  Simulation s;
  s.play(60);
  s.lag += d.soundChange;
  const double delayBefore = s.pacer.videoDelay();
  for (int i = 0; i < 120; ++i) {
    s.frame(!d.silentAfter);
  }
  EXPECT_TRUE(s.neverBackwards());
  if (d.silentAfter) {
    // The display clock carries on from where the sound left off.
    EXPECT_DOUBLE_EQ(s.pacer.videoDelay(), delayBefore);
    for (std::size_t i = 60; i < s.shown.size(); ++i) {
      EXPECT_NEAR(s.shown[i] - s.shown[i - 1], kPeriod, 1e-9) << "frame " << i;
    }
  } else {
    EXPECT_NEAR(s.pacer.videoDelay(), delayBefore + d.soundChange, 0.001);
  }
}

INSTANTIATE_TEST_SUITE_P(Sound, SoundDisturbance,
                         testing::Values(Disturbance{"UnderrunOf40ms", 0.040, false},
                                         Disturbance{"LatencyGrowsBy5ms", 0.005, false},
                                         Disturbance{"LatencyShrinksBy20ms", -0.020, false},
                                         Disturbance{"TrackEndsEarly", 0, true}),
                         [](const testing::TestParamInfo<Disturbance>& test) {
                           return test.param.name;
                         });

TEST(FramePacer, ASlowRendererDropsFramesButNeverACue) {
  constexpr double kCue = 1.0 / 16;
  Simulation s;
  s.pacer.setCuePeriod(kCue);
  for (int i = 0; i < 396; ++i) {  // the last slow frame is frame 390
    s.frame();
    if (i % 9 == 3) {
      s.clock += i % 2 ? 0.2 : 0.13;  // a frame that took two or three cues to draw
    }
  }
  auto cueOf = [](double t) { return std::size_t(std::floor(t / kCue + 1e-6)); };
  std::vector<bool> pictured(cueOf(s.shown.back()) + 1);
  for (double t : s.shown) {
    if (t >= 0) {
      pictured[cueOf(t)] = true;
    }
  }
  for (std::size_t cue = 0; cue < pictured.size(); ++cue) {
    EXPECT_TRUE(pictured[cue]) << "cue " << cue;
  }
  EXPECT_TRUE(s.neverBackwards());
  // Five frames after the last slow one, the picture has caught up.
  EXPECT_NEAR(s.offset(s.frame()), 0, 0.001);

  // A stall is not slowness: the picture jumps to the sound.
  s.clock += 2.0;
  s.play(8);
  EXPECT_NEAR(s.offset(s.frame()), 0, 0.001);
}

TEST(FramePacer, WithoutMusicTheDisplayClockIsTheShowClock) {
  double clock = 5;
  FramePacer pacer([&] { return clock; }, 60, true);
  for (int i = 0; i < 10; ++i) {
    FramePacer::Frame f = pacer.nextFrame();
    pacer.hear(std::nullopt);
    EXPECT_DOUBLE_EQ(f.showTime, f.displayTime);
    clock = f.displayTime + 0.001;
    pacer.swapped();
  }
  EXPECT_EQ(pacer.videoDelay(), 0);
}

TEST(FramePacer, ADisplayThatIgnoresTheSwapIntervalIsPacedOnAGridOfSlotsItCanMeet) {
  double clock = 0;
  FramePacer pacer([&] { return clock; }, 60, true);
  std::vector<double> targets;
  for (int i = 0; i < 40; ++i) {
    FramePacer::Frame f = pacer.nextFrame();
    targets.push_back(f.displayTime);
    // Drawing takes 4 ms, frame 14 alone 30 ms, from frame 25 on 25 ms; the
    // swap returns at once. The host waits for the target only once the
    // pacer no longer trusts the blank.
    clock += i == 14 ? 0.030 : i < 25 ? 0.004 : 0.025;
    pacer.drawn();
    if (!pacer.vsync()) {
      // A frame shows within half a period of its slot. A lone slow frame
      // is late by itself; a lasting slowdown is learnt within four frames.
      if (i != 14 && (i < 25 || i > 28)) {
        EXPECT_LE(clock, f.displayTime + kPeriod / 2) << "frame " << i << " is drawn in time";
      }
      clock = std::max(clock, f.displayTime);
    }
    pacer.swapped();
    if (i == 20) {
      clock += 0.030;  // a late frame skips to the next slot
    }
  }
  EXPECT_FALSE(pacer.vsync());
  for (std::size_t i = 12; i < targets.size(); ++i) {
    double periods = (targets[i] - targets[11]) / kPeriod;
    EXPECT_NEAR(periods, std::round(periods), 1e-6) << "frame " << i << " is on the grid";
    EXPECT_GE(targets[i] - targets[i - 1], kPeriod - 1e-9);
  }
  // The frames after the lone slow one take every slot again.
  for (std::size_t i = 16; i <= 20; ++i) {
    EXPECT_NEAR(targets[i] - targets[i - 1], kPeriod, 1e-9) << "frame " << i;
  }
}

TEST(FramePacer, OnTheGridAFrameJustOverAPeriodShowsLateRatherThanAWholePeriodLater) {
  double clock = 0;
  FramePacer pacer([&] { return clock; }, 60, false);
  double tenth = 0;
  for (int i = 0; i < 40; ++i) {
    FramePacer::Frame f = pacer.nextFrame();
    clock += 0.020;  // every drawing takes 20 ms; the swap returns at once
    pacer.drawn();
    clock = std::max(clock, f.swapAt);
    pacer.swapping();
    pacer.swapped();
    if (i >= 4) {  // the drawing time is known
      EXPECT_LE(clock, f.displayTime + kPeriod / 2 + 1e-9) << "frame " << i;
    }
    if (i == 9) {
      tenth = clock;
    }
  }
  // Nearly as fast as the drawing goes, not one frame in every other slot.
  EXPECT_LT((clock - tenth) / 30, 0.025);
}

TEST(FramePacer, OnTheGridASwapStartsEarlyEnoughToReturnOnTime) {
  double clock = 0;
  FramePacer pacer([&] { return clock; }, 60, false);
  for (int i = 0; i < 200; ++i) {
    FramePacer::Frame f = pacer.nextFrame();
    clock += 0.004;
    pacer.drawn();
    clock = std::max(clock, f.swapAt);
    pacer.swapping();
    clock += i % 50 == 49 ? 0.040 : 0.006;  // copying out; now and then slowly
    pacer.swapped();
    if (i >= 150 && i % 50 != 49) {
      EXPECT_NEAR(clock, f.displayTime, 0.0005) << "frame " << i;
    }
  }
}

}  // namespace
