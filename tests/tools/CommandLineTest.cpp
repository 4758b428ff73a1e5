#include "tools/render/CommandLine.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

namespace render {
namespace {

struct Parsed {
  CommandLine::Outcome outcome;
  std::string out;
  std::string err;
};

Parsed parse(std::initializer_list<const char*> arguments) {
  std::vector<const char*> argv{"invited-render"};
  argv.insert(argv.end(), arguments);
  std::ostringstream out;
  std::ostringstream err;
  auto outcome = CommandLine::parse(static_cast<int>(argv.size()), argv.data(), out, err);
  return {outcome, out.str(), err.str()};
}

void expectUsageError(std::initializer_list<const char*> arguments, const std::string& hint) {
  Parsed parsed = parse(arguments);
  EXPECT_FALSE(parsed.outcome.request.has_value());
  EXPECT_EQ(parsed.outcome.status, 2);
  EXPECT_NE(parsed.err.find(hint), std::string::npos) << "message was: " << parsed.err;
}

TEST(CommandLine, DefaultsFollowTheShow) {
  Parsed video = parse({"video", "out.mp4"});
  ASSERT_TRUE(video.outcome.request) << video.err;
  const RenderRequest& request = *video.outcome.request;
  EXPECT_EQ(request.command, RenderCommand::Video);
  EXPECT_EQ(request.width, 1920);
  EXPECT_EQ(request.height, 1080);
  EXPECT_EQ(request.fps, 60);
  EXPECT_EQ(request.from, -5);
  EXPECT_EQ(request.to, 65);
  EXPECT_FALSE(request.seed);

  Parsed sheet = parse({"sheet", "board.PNG"});
  ASSERT_TRUE(sheet.outcome.request) << sheet.err;
  EXPECT_EQ(sheet.outcome.request->every, 2);
}

TEST(CommandLine, FlashesAnalyseAReducedPictureOfEitherShow) {
  Parsed parsed = parse({"flashes", "--gentle", "--plot", "p.png"});
  ASSERT_TRUE(parsed.outcome.request) << parsed.err;
  const RenderRequest& request = *parsed.outcome.request;
  EXPECT_EQ(request.command, RenderCommand::Flashes);
  EXPECT_EQ(request.width, 480);
  EXPECT_EQ(request.height, 270);
  EXPECT_EQ(request.fps, 60);
  EXPECT_TRUE(request.gentle);
  EXPECT_EQ(request.plot, "p.png");
  EXPECT_FALSE(parse({"flashes"}).outcome.request->gentle);
}

TEST(CommandLine, ReadsEveryOptionOfAFrame) {
  Parsed parsed = parse({"frame", "--at", "-4.5", "--size", "320x180", "--seed", "7", "f.png"});
  ASSERT_TRUE(parsed.outcome.request) << parsed.err;
  const RenderRequest& request = *parsed.outcome.request;
  EXPECT_EQ(request.command, RenderCommand::Frame);
  EXPECT_EQ(request.at, -4.5);
  EXPECT_EQ(request.width, 320);
  EXPECT_EQ(request.height, 180);
  ASSERT_TRUE(request.seed);
  EXPECT_EQ(*request.seed, 7u);
  EXPECT_EQ(request.output, "f.png");
}

TEST(CommandLine, RefusesBadSizes) {
  expectUsageError({"frame", "--at", "1", "--size=-320x180", "f.png"}, "--size");
  expectUsageError({"frame", "--at", "1", "--size", "320", "f.png"}, "WIDTHxHEIGHT");
  expectUsageError({"frame", "--at", "1", "--size", "0x180", "f.png"}, "from 16");
  expectUsageError({"frame", "--at", "1", "--size", "100000x100000", "f.png"}, "--size");
  expectUsageError({"video", "--size", "321x180", "v.mp4"}, "even");
}

TEST(CommandLine, RefusesBadTimesAndRates) {
  expectUsageError({"frame", "--at", "soon", "f.png"}, "--at");
  expectUsageError({"frame", "--at", "nan", "f.png"}, "--at");
  expectUsageError({"frame", "--at", "", "f.png"}, "--at");
  expectUsageError({"frame", "--at", "1", "--seed", "-1", "f.png"}, "--seed");
  expectUsageError({"video", "--fps", "", "v.mp4"}, "--fps");
  expectUsageError({"frame", "f.png"}, "--at");
  expectUsageError({"video", "--from", "10", "--to", "5", "v.mp4"}, "--from must come before");
  expectUsageError({"video", "--from", "5", "--to", "5", "v.mp4"}, "--from must come before");
  expectUsageError({"video", "--fps", "0", "v.mp4"}, "--fps");
  expectUsageError({"video", "--fps", "-30", "v.mp4"}, "--fps");
  expectUsageError({"video", "--fps", "100000", "v.mp4"}, "--fps");
  expectUsageError({"sheet", "--every", "0", "s.png"}, "--every");
  expectUsageError({"sheet", "--every", "-2", "s.png"}, "--every");
  // A picture per femtosecond would never end.
  expectUsageError({"sheet", "--every", "1e-9", "s.png"}, "--every");
  expectUsageError({"sheet", "--columns", "0", "s.png"}, "--columns");
}

TEST(CommandLine, RefusesOutputsItCannotWrite) {
  expectUsageError({"frame", "--at", "1", "f.jpg"}, ".png");
  expectUsageError({"video", "v.avi"}, ".mp4");
  expectUsageError({"sheet", "s"}, ".png");
  expectUsageError({"frame", "--at", "1", "/no/such/folder/f.png"}, "does not exist");
  expectUsageError({"video", "/proc/v.mp4"}, "cannot be written");
}

TEST(CommandLine, RefusesUnknownCommandsAndOptions) {
  expectUsageError({}, "frame, video or sheet");
  expectUsageError({"gif", "a.gif"}, "frame, video or sheet");
  expectUsageError({"frame", "--at", "1", "--quality", "9", "f.png"}, "--quality");
  expectUsageError({"frame", "--at", "1", "a.png", "b.png"}, "b.png");
}

TEST(CommandLine, SizeReadsWidthThenHeight) {
  auto size = CommandLine::parseSize("1280x720");
  ASSERT_TRUE(size);
  EXPECT_EQ(size->first, 1280);
  EXPECT_EQ(size->second, 720);
  EXPECT_FALSE(CommandLine::parseSize("1280x"));
  EXPECT_FALSE(CommandLine::parseSize("x720"));
  EXPECT_FALSE(CommandLine::parseSize("1280x720x3"));
  EXPECT_FALSE(CommandLine::parseSize(" 1280x720"));
}

}  // namespace
}  // namespace render
