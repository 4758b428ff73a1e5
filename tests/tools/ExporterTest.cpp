#include "tools/render/Exporter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace render {
namespace {

TEST(Exporter, FrameCountCoversTheSpan) {
  EXPECT_EQ(Exporter::frameCount(-5, 65, 60), 4200);
  EXPECT_EQ(Exporter::frameCount(-0.5, 0.5, 30), 30);
  // A span that is no whole number of frames gets a last frame reaching past it.
  EXPECT_EQ(Exporter::frameCount(0, 1.01, 10), 11);
  EXPECT_EQ(Exporter::frameCount(0, 0.001, 60), 1);
}

TEST(Exporter, FramesDueOnCuesGetTheCuesExactTime) {
  // At 60 fps from −5 s, every 15th frame falls on a cue (every 4th cue);
  // equality is exact, so the cue's own frame shows it, not the next one.
  for (long k = 300; k < 4200; k += 15) {
    long cue = (k - 300) / 15 * 4;
    EXPECT_EQ(Exporter::frameTime(-5, 60, k), double(cue) * 0.0625) << "frame " << k;
  }
  for (long k = 0; k < 80; ++k) {
    EXPECT_EQ(Exporter::frameTime(0, 16, k), double(k) * 0.0625);
  }
}

TEST(Exporter, RefusesASheetLargerThanTheRendererDraws) {
  RenderRequest request;
  request.command = RenderCommand::Sheet;
  request.output = ::testing::TempDir() + "invited-too-large.png";
  request.columns = 64;
  request.thumbnailWidth = 1920;
  std::ostringstream err;
  EXPECT_EQ(Exporter(err).run(request), Exporter::failureStatus);
  EXPECT_NE(err.str().find("draws at most"), std::string::npos) << err.str();
  EXPECT_FALSE(std::filesystem::exists(request.output));
}

}  // namespace
}  // namespace render
