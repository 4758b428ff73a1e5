#pragma once

namespace ui {

// A cubic Bézier timing curve from (0, 0) to (1, 1) through control points
// (x1, y1) and (x2, y2): x is the elapsed fraction of the duration, y the
// fraction of the change presented. The four named curves are the toolkit's
// definitions of the animation options.
class TimingCurve {
 public:
  constexpr TimingCurve(double x1, double y1, double x2, double y2)
      : x1_(x1), y1_(y1), x2_(x2), y2_(y2) {}

  static constexpr TimingCurve linear() { return {0, 0, 1, 1}; }
  static constexpr TimingCurve easeIn() { return {0.42, 0, 1, 1}; }
  static constexpr TimingCurve easeOut() { return {0, 0, 0.58, 1}; }
  static constexpr TimingCurve easeInEaseOut() { return {0.42, 0, 0.58, 1}; }

  // Progress (y) at time fraction x in [0, 1]; x outside is clamped.
  double valueAt(double x) const;

 private:
  double x1_, y1_, x2_, y2_;
};

}  // namespace ui
