#include "ui/Animation.h"

namespace ui {

std::array<double, 2> PropertyAnimation::valueAt(double t) const {
  if (t <= begin) {
    return from;
  }
  if (duration <= 0 || t >= end()) {
    return to;
  }
  double p = curve.valueAt((t - begin) / duration);
  return {from[0] + (to[0] - from[0]) * p, from[1] + (to[1] - from[1]) * p};
}

}  // namespace ui
