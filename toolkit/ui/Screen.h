#pragma once

#include "ui/Geometry.h"

namespace ui {

// The display the program shows on. The platform layer sets the main screen's
// bounds and pixel density before launching; until then it is 1920 × 1080 at 1.
class Screen {
 public:
  static Screen& main();

  Rect bounds() const { return bounds_; }
  double scale() const { return scale_; }
  void setBounds(const Rect& bounds) { bounds_ = bounds; }
  void setScale(double scale) { scale_ = scale; }

 private:
  Rect bounds_{0, 0, 1920, 1080};
  double scale_ = 1.0;
};

}  // namespace ui
