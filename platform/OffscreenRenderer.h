#pragma once

#include <memory>
#include <string>

#include "platform/Image.h"
#include "ui/View.h"

namespace platform {

class Compositor;

// Draws view trees with no window and no display (an EGL surfaceless context
// on Mesa's software renderer).
class OffscreenRenderer {
 public:
  // nullptr with `error` set when no offscreen OpenGL context can be made.
  static std::unique_ptr<OffscreenRenderer> create(std::string& error);
  virtual ~OffscreenRenderer() = default;

  // `root` as presented at time t, its bounds origin at the image's top left,
  // `scale` pixels per point. An empty image (width 0) when the size is not
  // positive or larger than OpenGL can draw, or the scale is not positive.
  virtual Image render(ui::View& root, double t, int pixelWidth, int pixelHeight, double scale) = 0;

  // The same picture as render(), as BT.709 limited-range 4:2:0 planes (Y,
  // then U, then V, without padding: 1.5 bytes a pixel) for a video encoder.
  // The size must be even; false, with `planes` untouched, where render()
  // gives an empty image.
  virtual bool renderYuv420(ui::View& root, double t, int pixelWidth, int pixelHeight, double scale,
                            std::vector<std::uint8_t>& planes) = 0;

  // The largest width or height render() draws, in pixels.
  virtual int largestSide() = 0;

  // The compositor behind render(), for its caching switch and statistics.
  virtual Compositor& compositor() = 0;
};

}  // namespace platform
