#include "tools/compose/Delay.h"

#include <vector>

#include "tools/compose/Filter.h"

namespace compose {

StereoBuffer Delay::process(const StereoBuffer& input) const {
  StereoBuffer wet(static_cast<double>(input.frames()) / StereoBuffer::rate);
  std::size_t length = StereoBuffer::frameAt(seconds_);
  std::vector<float> left(length, 0.0f);
  std::vector<float> right(length, 0.0f);
  Filter darkLeft(Filter::Mode::LowPass);
  Filter darkRight(Filter::Mode::LowPass);
  std::size_t index = 0;
  for (std::size_t n = 0; n < input.frames(); ++n) {
    float outLeft = left[index];
    float outRight = right[index];
    wet.left()[n] = outLeft;
    wet.right()[n] = outRight;
    double mono = 0.5 * (input.left()[n] + input.right()[n]);
    // The input enters on the left; each pass swaps the sides.
    left[index] = static_cast<float>(
        mono + feedback_ * darkLeft.process(outRight, tone_, 0.0, StereoBuffer::rate));
    right[index] =
        static_cast<float>(feedback_ * darkRight.process(outLeft, tone_, 0.0, StereoBuffer::rate));
    index = (index + 1) % length;
  }
  return wet;
}

}  // namespace compose
