#pragma once

#include "tools/compose/StereoBuffer.h"

namespace compose {

// A ping-pong echo: each repeat crosses to the other side, a little darker
// than the last.
class Delay {
 public:
  // `seconds` between repeats, `feedback` 0 to below 1, `tone` the cutoff in Hz.
  Delay(double seconds, double feedback, double tone)
      : seconds_(seconds), feedback_(feedback), tone_(tone) {}

  // The echoes only, for the send in `input`.
  StereoBuffer process(const StereoBuffer& input) const;

 private:
  double seconds_;
  double feedback_;
  double tone_;
};

}  // namespace compose
