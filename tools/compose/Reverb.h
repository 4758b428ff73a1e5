#pragma once

#include <vector>

#include "tools/compose/StereoBuffer.h"

namespace compose {

// A stereo hall after Schroeder and Moorer (the Freeverb layout): eight
// damped combs in parallel, then four all-passes, per channel, with slightly
// different lengths left and right for width.
class Reverb {
 public:
  // `size` 0 to 1 sets the feedback (decay); `damping` 0 to 1 darkens the tail.
  Reverb(double size, double damping) : size_(size), damping_(damping) {}

  // The wet signal only, for the send in `input`.
  StereoBuffer process(const StereoBuffer& input) const;

 private:
  double size_;
  double damping_;
};

}  // namespace compose
