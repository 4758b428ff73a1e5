#include <gtest/gtest.h>

#include <cmath>

#include "tools/compose/DrumKit.h"
#include "tools/compose/StereoBuffer.h"

using namespace compose;

TEST(DrumKit, EveryHitStartsOnItsExactFrame) {
  // The accents are drum hits: their attack must begin on the frame of the
  // cue, not a few samples later.
  for (int kind = 0; kind < 4; ++kind) {
    SCOPED_TRACE(kind);
    StereoBuffer out(1.0);
    DrumKit kit(3);
    double time = 0.5;
    switch (kind) {
      case 0:
        kit.kick(out, time, 1.0);
        break;
      case 1:
        kit.clap(out, time, 1.0);
        break;
      case 2:
        kit.snare(out, time, 1.0);
        break;
      case 3:
        kit.hat(out, time, 1.0, false, 0);
        break;
    }
    std::size_t first = StereoBuffer::frameAt(time);
    EXPECT_EQ(out.left()[first - 1], 0.0f);
    float early = 0;
    for (std::size_t n = first; n < first + 48; ++n) {  // the first millisecond
      early = std::max(early, std::fabs(out.left()[n]));
    }
    EXPECT_GT(early, 0.1f);
  }
}
