#include "tools/compose/Noise.h"

namespace compose {

double Noise::unit() {
  state_ ^= state_ >> 12;
  state_ ^= state_ << 25;
  state_ ^= state_ >> 27;
  uint64_t word = state_ * 0x2545F4914F6CDD1Dull;
  return static_cast<double>(word >> 11) * 0x1.0p-53;
}

double Noise::next() {
  return 2.0 * unit() - 1.0;
}

}  // namespace compose
