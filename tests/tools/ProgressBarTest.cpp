#include "tools/render/ProgressBar.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace render {
namespace {

TEST(ProgressBar, LineTellsFramesSpeedAndTimeLeft) {
  // 600 of 4200 frames in 60 s: 10 fps, a sixth of real time at 60 fps,
  // 3600 frames left at 10 fps = 6 minutes.
  std::string line = ProgressBar::line(600, 4200, 60, 60.0, 14);
  EXPECT_EQ(line, "[##------------] 600/4200 frames  10.0 fps  0.17x real time  6:00 left");
}

TEST(ProgressBar, LineBeforeTheFirstFrameHasNoSpeed) {
  EXPECT_EQ(ProgressBar::line(0, 10, 60, 0.0, 4), "[----] 0/10 frames");
}

TEST(ProgressBar, LineWhenDoneIsFull) {
  std::string line = ProgressBar::line(10, 10, 60, 2.0, 4);
  EXPECT_EQ(line.substr(0, 6), "[####]");
  EXPECT_NE(line.find("0:00 left"), std::string::npos);
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
