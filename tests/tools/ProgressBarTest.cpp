#include "tools/render/ProgressBar.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace render {
namespace {

// Whatever the progress: a bar as wide as asked, the share done in '#'
// (rounded down); the speed is frames over seconds, also as a multiple of
// the output's rate; the time left is what remains at that speed.
TEST(ProgressBar, EveryLineTellsShareSpeedAndTimeLeft) {
  for (std::size_t total : {7u, 4200u, 100000u}) {
    for (std::size_t done : {std::size_t{1}, total / 3, total - 1, total}) {
      for (double elapsed : {0.5, 60.0, 3000.0}) {
        const std::string line = ProgressBar::line(done, total, 25, elapsed, 14);
        const auto filled = done * 14 / total;
        EXPECT_EQ(line.substr(0, 17),
                  "[" + std::string(filled, '#') + std::string(14 - filled, '-') + "] ")
            << line;
        std::size_t shownDone = 0, shownTotal = 0;
        double fps = 0, realTime = 0, speed = static_cast<double>(done) / elapsed;
        long minutes = 0, seconds = 0;
        ASSERT_EQ(
            std::sscanf(line.c_str() + 17, "%zu/%zu frames  %lf fps  %lfx real time  %ld:%ld left",
                        &shownDone, &shownTotal, &fps, &realTime, &minutes, &seconds),
            6)
            << line;
        EXPECT_EQ(shownDone, done);
        EXPECT_EQ(shownTotal, total);
        EXPECT_NEAR(fps, speed, 0.05) << line;
        EXPECT_NEAR(realTime, speed / 25, 0.005) << line;
        EXPECT_LT(seconds, 60) << line;
        EXPECT_NEAR(minutes * 60 + seconds, static_cast<double>(total - done) / speed, 0.5) << line;
        EXPECT_EQ(line.substr(line.size() - 5), " left") << line;
      }
    }
  }
}

TEST(ProgressBar, LineBeforeTheFirstFrameHasNoSpeed) {
  EXPECT_EQ(ProgressBar::line(0, 10, 60, 0.0, 4), "[----] 0/10 frames");
}

TEST(ProgressBar, SilentWhenNotATerminal) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  ProgressBar bar(10, 60, file);
  EXPECT_FALSE(bar.isEnabled());
  bar.update(5);
  bar.finish();
  EXPECT_EQ(std::ftell(file), 0);
  std::fclose(file);
}

}  // namespace
}  // namespace render
