#include "ui/TimingCurve.h"

#include <algorithm>
#include <cmath>

namespace ui {

namespace {

// One coordinate of the Bézier with end points 0 and 1 at parameter s.
double bezier(double p1, double p2, double s) {
  double inv = 1 - s;
  return 3 * inv * inv * s * p1 + 3 * inv * s * s * p2 + s * s * s;
}

double bezierSlope(double p1, double p2, double s) {
  double inv = 1 - s;
  return 3 * inv * inv * p1 + 6 * inv * s * (p2 - p1) + 3 * s * s * (1 - p2);
}

}  // namespace

double TimingCurve::valueAt(double x) const {
  x = std::clamp(x, 0.0, 1.0);
  if (x == 0 || x == 1) {
    return x;
  }
  // Solve bezierX(s) = x: Newton's method from a good start, falling back to
  // bisection where the slope is flat. x(s) is monotonic for control x in [0, 1].
  double s = x;
  for (int i = 0; i < 8; ++i) {
    double error = bezier(x1_, x2_, s) - x;
    if (std::fabs(error) < 1e-12) {
      return bezier(y1_, y2_, s);
    }
    double slope = bezierSlope(x1_, x2_, s);
    if (std::fabs(slope) < 1e-9) {
      break;
    }
    s -= error / slope;
  }
  double lo = 0, hi = 1;
  s = x;
  for (int i = 0; i < 64; ++i) {
    double value = bezier(x1_, x2_, s);
    if (std::fabs(value - x) < 1e-12) {
      break;
    }
    (value < x ? lo : hi) = s;
    s = (lo + hi) / 2;
  }
  return bezier(y1_, y2_, s);
}

}  // namespace ui
