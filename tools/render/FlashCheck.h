#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "platform/OffscreenRenderer.h"
#include "tools/render/FlashAnalyser.h"
#include "tools/render/RenderRequest.h"

namespace render {

// invited-render flashes: plays the show offline, counts its flashes frame by
// frame and tells, second by second, how far it stays under the three-flash
// threshold. The last line of the report is the verdict; below verdictFps a
// pass is withheld, since flashes can fall between frames.
class FlashCheck {
 public:
  // The lowest frame rate whose pass is a verdict: the live show's own.
  static constexpr int verdictFps = 60;

  FlashCheck(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}
  int run(const RenderRequest& request, platform::OffscreenRenderer& renderer);

  // Window k starts at show time from + k / fps.
  static void report(std::ostream& out, const std::vector<FlashAnalyser::Window>& windows,
                     double from, int fps);
  // Flashes of each kind over the show's time, with the threshold drawn in.
  static platform::Image plot(const std::vector<FlashAnalyser::Window>& windows, double from,
                              int fps, platform::OffscreenRenderer& renderer);

 private:
  std::ostream& out_;
  std::ostream& err_;
};

}  // namespace render
