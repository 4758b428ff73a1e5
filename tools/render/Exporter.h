#pragma once

#include <iosfwd>
#include <memory>
#include <string>

#include "platform/OffscreenRenderer.h"
#include "tools/render/RenderRequest.h"

namespace render {

// Carries out one checked request: builds the show offline and writes the
// frame, video or storyboard. Problems met on the way (no music resource, no
// OpenGL, a full disk) are told on `err`.
class Exporter {
 public:
  static constexpr int failureStatus = 1;

  explicit Exporter(std::ostream& err) : err_(err) {}
  int run(const RenderRequest& request);

  // Frames of a video from `from` to `to` at `fps`; the last may end past `to`.
  static long frameCount(double from, double to, int fps);
  // Show time of frame k, as exact as doubles allow: a frame due on a cue
  // gets the cue's time to the last bit.
  static double frameTime(double from, int fps, long k);

 private:
  int frame(const RenderRequest& request);
  int video(const RenderRequest& request);
  int sheet(const RenderRequest& request);
  int fail(const std::string& message);
  // Says so on `err` when the renderer cannot draw a picture this large.
  bool fits(int width, int height, const char* what);
  int writePng(const platform::Image& image, const std::string& path);

  std::ostream& err_;
  std::unique_ptr<platform::OffscreenRenderer> renderer_;
  std::string musicPath_;
};

}  // namespace render
