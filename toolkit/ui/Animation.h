#pragma once

#include <array>
#include <functional>
#include <memory>

#include "ui/TimingCurve.h"

namespace ui {

enum class AnimatableProperty { Center, BoundsSize, Alpha };

// Options of View::animate. The curve occupies bits 16–17, so the values are
// fixed and ease-in-ease-out is the default (0).
enum class AnimationOptions : unsigned {
  None = 0,
  CurveEaseInOut = 0,
  CurveEaseIn = 0x10000,
  CurveEaseOut = 0x20000,
  CurveLinear = 0x30000,
};

// One animate() call: its completion runs once, on the main run loop, when all
// of its property animations have ended or been removed.
struct AnimationGroup {
  std::function<void(bool finished)> completion;
  int live = 0;              // property animations not yet ended or removed
  bool interrupted = false;  // one of them was removed before its end
  bool completed = false;
};

// A property moving from `from` to `to` over [begin, begin + duration].
// Values are one or two doubles (alpha; a point; a size).
struct PropertyAnimation {
  AnimatableProperty property;
  std::array<double, 2> from;
  std::array<double, 2> to;
  double begin;
  double duration;
  TimingCurve curve;
  std::shared_ptr<AnimationGroup> group;

  double end() const { return begin + duration; }
  // The presented value at time t: `from` before begin, `to` after the end.
  std::array<double, 2> valueAt(double t) const;
};

}  // namespace ui
