#include "tools/render/CommandLine.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>

#include "tools/render/OutputFile.h"

namespace render {

namespace {

// Large enough for an 8K picture, small enough that one frame fits in memory
// many times over.
constexpr int maxSide = 8192;
constexpr int maxFps = 240;
// Beyond an hour the show has long been black.
constexpr double maxTime = 3600;

// A mistake in the arguments, told to the user as it is.
struct UsageError {
  std::string message;
};

std::string lowercaseExtension(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

void checkOutput(const std::string& path, const std::string& extension) {
  if (lowercaseExtension(path) != extension) {
    throw UsageError{"'" + path + "': the output must be a " + extension + " file"};
  }
  if (auto refusal = OutputFile::refusal(path)) {
    throw UsageError{*refusal};
  }
}

void checkTime(const char* name, double seconds) {
  if (!std::isfinite(seconds) || std::fabs(seconds) > maxTime) {
    std::ostringstream message;
    message << name << " must be a time between " << -maxTime << " and " << maxTime << " seconds";
    throw UsageError{message.str()};
  }
}

// Frames drawn over a stretch of show time: the video and the flash count.
void checkTimeRange(const RenderRequest& request) {
  if (request.fps <= 0 || request.fps > maxFps) {
    throw UsageError{"--fps must be from 1 to " + std::to_string(maxFps)};
  }
  checkTime("--from", request.from);
  checkTime("--to", request.to);
  if (!(request.from < request.to)) {
    throw UsageError{"--from must come before --to"};
  }
}

void applySize(RenderRequest& request, const std::string& size) {
  auto parsed = CommandLine::parseSize(size);
  if (!parsed) {
    throw UsageError{"--size '" + size + "' is not of the form WIDTHxHEIGHT, e.g. 1920x1080"};
  }
  auto [width, height] = *parsed;
  if (width < 16 || height < 16 || width > maxSide || height > maxSide) {
    throw UsageError{"--size " + size + ": each side must be from 16 to " +
                     std::to_string(maxSide) + " pixels"};
  }
  request.width = width;
  request.height = height;
}

void validate(RenderRequest& request, const std::string& size, bool plotGiven) {
  switch (request.command) {
    case RenderCommand::Frame:
      applySize(request, size);
      checkTime("--at", request.at);
      checkOutput(request.output, ".png");
      break;
    case RenderCommand::Video:
      applySize(request, size);
      // 4:2:0 chroma has one sample per 2 × 2 pixels.
      if (request.width % 2 != 0 || request.height % 2 != 0) {
        throw UsageError{"--size " + size + ": a video needs an even width and height"};
      }
      checkTimeRange(request);
      if (request.crf < 0 || request.crf > 51) {
        throw UsageError{"--crf must be from 0 to 51"};
      }
      checkOutput(request.output, ".mp4");
      break;
    case RenderCommand::Flashes:
      applySize(request, size);
      checkTimeRange(request);
      if (plotGiven) {
        checkOutput(request.plot, ".png");
      }
      break;
    case RenderCommand::Sheet:
      // A picture per frame at the highest frame rate is as fine as time gets.
      if (!std::isfinite(request.every) || request.every < 1.0 / maxFps || request.every > 70) {
        throw UsageError{"--every must be from 1/" + std::to_string(maxFps) + " (one frame at " +
                         std::to_string(maxFps) + " fps) to 70 seconds"};
      }
      if (request.columns < 1 || request.columns > 64) {
        throw UsageError{"--columns must be from 1 to 64"};
      }
      if (request.thumbnailWidth < 32 || request.thumbnailWidth > 1920) {
        throw UsageError{"--width must be from 32 to 1920 pixels"};
      }
      checkOutput(request.output, ".png");
      break;
  }
}

}  // namespace

std::optional<std::pair<int, int>> CommandLine::parseSize(const std::string& text) {
  static const std::regex form(R"(([0-9]{1,6})[xX]([0-9]{1,6}))");
  std::smatch match;
  if (!std::regex_match(text, match, form)) {
    return std::nullopt;
  }
  return std::pair{std::stoi(match[1]), std::stoi(match[2])};
}

CommandLine::Outcome CommandLine::parse(int argc, const char* const* argv, std::ostream& out,
                                        std::ostream& err) {
  RenderRequest request;
  std::string frameSize = "1920x1080";
  std::string videoSize = "1920x1080";
  std::string seed;

  CLI::App app{"Renders the show offline: one frame, a video with its music, or a storyboard.",
               "invited-render"};
  app.require_subcommand(1);
  app.fallthrough(false);

  app.set_version_flag("--version", "invited-render " INVITED_VERSION,
                       "Prints the program's version and exits");
  // CLI11 reads "" as 0 and "-1" as a huge unsigned seed: both are mistakes.
  const CLI::Validator number(
      [](std::string& text) {
        if (text.empty()) {
          return std::string("an empty value is no number");
        }
        if (text.find(',') != std::string::npos) {
          return "'" + text + "' is no number: the decimal point is '.', as in 38.01";
        }
        return std::string();
      },
      "NUMBER");
  const CLI::Validator seedNumber(
      [](std::string& text) {
        std::uint64_t value = 0;
        auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
        bool whole = problem == std::errc() && end == text.data() + text.size() && !text.empty();
        return whole ? std::string() : "'" + text + "' is not a whole number from 0 to 2^64-1";
      },
      "UINT64");

  auto addSeed = [&](CLI::App* command) {
    command->add_option("--seed", seed, "Makes the random effects repeatable")->check(seedNumber);
    command->add_flag("--gentle", request.gentle,
                      "The gentle show: its flashes kept under three a second");
    command->add_option("--show", request.showFile,
                        "The organiser's show: their words, colours and music from this file");
  };

  CLI::App* frame = app.add_subcommand("frame", "Writes one frame, as presented at a time");
  frame
      ->add_option("--at", request.at,
                   "Seconds from the show's start (the start screen fades "
                   "from -4 to 0)")
      ->required()
      ->check(number);
  frame->add_option("--size", frameSize, "Picture size in pixels, WIDTHxHEIGHT")
      ->capture_default_str();
  addSeed(frame);
  frame->add_option("OUT", request.output, "The PNG file to write")->required();

  // Frames drawn over a stretch of show time: the video and the flash count.
  auto addTimeRange = [&](CLI::App* command, const char* fpsHelp, const char* toHelp) {
    command->add_option("--fps", request.fps, fpsHelp)->capture_default_str()->check(number);
    command->add_option("--from", request.from, "Show time of the first frame, in seconds")
        ->capture_default_str()
        ->check(number);
    command->add_option("--to", request.to, toHelp)->capture_default_str()->check(number);
  };

  CLI::App* video = app.add_subcommand("video", "Writes an H.264 video with the music as AAC");
  video->add_option("OUT", request.output, "The MP4 file to write")->required();
  video->add_option("--size", videoSize, "Picture size in pixels, WIDTHxHEIGHT")
      ->capture_default_str();
  addTimeRange(video, "Frames per second", "Show time where the video ends, in seconds");
  video->add_option("--crf", request.crf, "x264 quality: 0 lossless, 18 visually clean, 51 worst")
      ->capture_default_str()
      ->check(number);
  addSeed(video);

  CLI::App* sheet = app.add_subcommand("sheet", "Writes a storyboard: the show at a glance");
  sheet->add_option("OUT", request.output, "The PNG file to write")->required();
  sheet->add_option("--every", request.every, "Seconds between pictures")
      ->capture_default_str()
      ->check(number);
  sheet->add_option("--columns", request.columns, "Pictures per row")
      ->capture_default_str()
      ->check(number);
  sheet->add_option("--width", request.thumbnailWidth, "Width of one picture in pixels")
      ->capture_default_str()
      ->check(number);
  addSeed(sheet);

  // Flashes are counted on a reduced picture: the areas that matter are
  // large, and every frame of the show is drawn.
  std::string flashesSize = "480x270";
  CLI::App* flashes =
      app.add_subcommand("flashes", "Counts the show's flashes in every second, as rendered");
  flashes->add_option("--size", flashesSize, "Picture size analysed, WIDTHxHEIGHT")
      ->capture_default_str();
  addTimeRange(flashes, "Frames per second (fewer than 60 can miss flashes)",
               "Show time where the analysis ends, in seconds");
  flashes->add_option("--plot", request.plot, "Also draws the counts over time into this PNG");
  addSeed(flashes);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    if (app.get_subcommands().empty() && error.get_exit_code() != 0) {
      err << "invited-render: give one command: frame, video or sheet, or flashes\n"
          << "Run with --help for more information.\n";
      return {std::nullopt, usageStatus};
    }
    if (error.get_exit_code() == 0) {  // --help, --version
      app.exit(error, out, err);
      return {std::nullopt, 0};
    }
    err << "invited-render: " << error.what() << "\nRun with --help for more information.\n";
    return {std::nullopt, usageStatus};
  }

  if (frame->parsed()) {
    request.command = RenderCommand::Frame;
  } else if (video->parsed()) {
    request.command = RenderCommand::Video;
  } else if (flashes->parsed()) {
    request.command = RenderCommand::Flashes;
  } else {
    request.command = RenderCommand::Sheet;
  }
  for (CLI::App* command : {frame, video, sheet, flashes}) {
    if (command->parsed() && command->count("--seed") > 0) {
      request.seed = std::stoull(seed);
    }
  }

  try {
    validate(request,
             request.command == RenderCommand::Frame     ? frameSize
             : request.command == RenderCommand::Flashes ? flashesSize
                                                         : videoSize,
             flashes->count("--plot") > 0);
  } catch (const UsageError& error) {
    err << "invited-render: " << error.message << "\nRun with --help for more information.\n";
    return {std::nullopt, usageStatus};
  }
  return {request, 0};
}

}  // namespace render
