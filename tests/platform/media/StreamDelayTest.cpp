#include <gtest/gtest.h>

#include "platform/media/StreamDelay.h"

using platform::StreamDelay;

namespace {

constexpr double kBytesPerSecond = 48000 * 8;  // stereo float
constexpr std::int64_t kMs = 48 * 8;           // bytes per millisecond

}  // namespace

// A stream that plays: between reports the server reads on at the stream's
// rate, so the delay falls with time and rises by what is written; each
// report sets it afresh, the device's latency included, whatever it changed
// to.
TEST(StreamDelay, RunsTheLastReportOnWhilePlayingAndTakesEachNewOne) {
  StreamDelay delay(kBytesPerSecond);
  EXPECT_FALSE(delay.hasReport());
  delay.report(100.0, 1000 * kMs, 0.0, 0.010, true);
  ASSERT_TRUE(delay.hasReport());
  EXPECT_NEAR(delay.delay(100.0, 1030 * kMs), 0.040, 1e-12);
  EXPECT_NEAR(delay.delay(100.010, 1030 * kMs), 0.030, 1e-12);
  EXPECT_NEAR(delay.delay(100.010, 1040 * kMs), 0.040, 1e-12);

  // The server's answer took 1 ms on its way: it has read that much more.
  delay.report(200.0, 5000 * kMs, 0.001, 0.025, true);
  EXPECT_NEAR(delay.delay(200.0, 5030 * kMs), 0.054, 1e-12);
}

// Paused or filling its buffer before it starts, the server reads nothing:
// the delay holds until a report says it plays.
TEST(StreamDelay, HoldsWhileTheServerDoesNotPlay) {
  StreamDelay delay(kBytesPerSecond);
  delay.report(10.0, 0, 0.002, 0.010, false);
  EXPECT_NEAR(delay.delay(15.0, 30 * kMs), 0.040, 1e-12);
  EXPECT_FALSE(delay.playing());
}

// The writer stalls (the whole process stopped for 2 s): the server ran dry
// and waits for more, though the last report, run on, says it read past the
// written end. What is written first waits for the device alone, each block
// after it for the blocks before it as well, until the server's next report
// says how much it holds.
TEST(StreamDelay, AfterTheServerRanDryWhatComesNextWaitsForTheDeviceAndTheBlocksBefore) {
  StreamDelay delay(kBytesPerSecond);
  delay.report(20.0, 900 * kMs, 0.0, 0.003, true);
  EXPECT_NEAR(delay.delay(22.0, 930 * kMs), 0.003, 1e-12);
  // Blocks written one after another before that report are heard one
  // after another from the first.
  delay.restartIfDry(22.0, 930 * kMs);
  EXPECT_NEAR(delay.delay(22.0, 940 * kMs), 0.013, 1e-12);
  delay.restartIfDry(22.0005, 940 * kMs);
  EXPECT_NEAR(delay.delay(22.0005, 950 * kMs), 0.0225, 1e-12);
  delay.report(22.001, 930 * kMs, 0.0, 0.010, false);
  EXPECT_NEAR(delay.delay(22.001, 960 * kMs), 0.040, 1e-12);
}
