#pragma once

#include "tools/compose/StereoBuffer.h"

namespace compose {

// A look-ahead peak limiter over the whole mix: the gain falls smoothly
// before a peak arrives, so no sample exceeds the ceiling and no attack is
// clipped, then recovers with the release time.
class Limiter {
 public:
  // `ceiling` linear (0.79 is −2 dBFS); times in seconds.
  Limiter(double ceiling, double lookAhead, double release)
      : ceiling_(ceiling), lookAhead_(lookAhead), release_(release) {}

  void process(StereoBuffer& mix) const;

 private:
  double ceiling_;
  double lookAhead_;
  double release_;
};

}  // namespace compose
