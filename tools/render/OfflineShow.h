#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/OffscreenRenderer.h"
#include "show/ViewController.h"
#include "ui/Geometry.h"
#include "ui/Window.h"

namespace render {

// The real show in a window that is never shown, on the run loop's manual
// clock. Show time 0 is the first cue. Run-loop time r = show time + 4: the
// start screen is clicked at r = 0 (show time −4), its 4-second fade ends at
// r = 4, and startShow arms cue p for r = 4 + p × 0.0625, that is show time
// p × 0.0625 exactly.
//
// The run loop is process-wide, so only one OfflineShow may exist at a time;
// an audio player factory must be installed before one is made.
class OfflineShow {
 public:
  static constexpr double clickTime = -4.0;
  static constexpr double runLoopOffset = 4.0;
  static double runLoopTime(double showTime) { return showTime + runLoopOffset; }

  // A window of `size` points (pixels at scale 1) on a main screen of that
  // size, playing the default or the gentle show.
  explicit OfflineShow(ui::Size size, bool gentle = false);
  ~OfflineShow();
  OfflineShow(const OfflineShow&) = delete;
  OfflineShow& operator=(const OfflineShow&) = delete;

  // Runs everything due up to `showTime`, clicking the start screen on the
  // way at −4 s. Time never goes back: an earlier time leaves the show where it is.
  void advanceTo(double showTime);
  double showTime() const { return showTime_; }

  // The window as presented at the current time, scaled to the pixel size.
  platform::Image render(platform::OffscreenRenderer& renderer, int pixelWidth,
                         int pixelHeight) const;

  // The same picture as 4:2:0 video planes; false when it cannot be drawn.
  bool renderYuv420(platform::OffscreenRenderer& renderer, int pixelWidth, int pixelHeight,
                    std::vector<std::uint8_t>& planes) const;

  ViewController& controller() { return *controller_; }
  ui::Window& window() { return *window_; }

 private:
  double presentationTime() const;

  ui::Size size_;
  std::shared_ptr<ui::Window> window_;
  std::shared_ptr<ViewController> controller_;
  double showTime_;
  bool clicked_ = false;
};

}  // namespace render
