#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace render {

enum class RenderCommand { Frame, Video, Sheet, Flashes };

// One run of invited-render, already checked. Times are seconds from the
// show's start: the first cue is due at 0, the start screen fades from −4 to 0.
struct RenderRequest {
  RenderCommand command = RenderCommand::Frame;
  std::string output;
  int width = 1920;   // pixels (and points: the offscreen window has scale 1)
  int height = 1080;  // pixels
  std::optional<std::uint64_t> seed;
  bool gentle = false;   // the show with its flashes shaped under the threshold
  std::string showFile;  // the organiser's show file; empty for the built-in show

  double at = 0;  // frame

  int fps = 60;      // video
  double from = -5;  // video: time of frame 0
  double to = 65;    // video: end, exclusive
  int crf = 18;      // video: x264 constant rate factor, lower is better
  std::string preset = "veryfast";

  double every = 2;          // sheet: seconds between pictures
  int columns = 6;           // sheet
  int thumbnailWidth = 320;  // sheet: pixels; the height keeps 16:9

  std::string plot;  // flashes: PNG of the counts over time, none when empty
};

}  // namespace render
