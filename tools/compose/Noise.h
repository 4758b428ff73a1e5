#pragma once

#include <cstdint>

namespace compose {

// White noise from a seeded xorshift generator: the same seed gives the same
// track on every machine.
class Noise {
 public:
  explicit Noise(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}

  // Uniform in [-1, 1).
  double next();
  // Uniform in [0, 1).
  double unit();

 private:
  uint64_t state_;
};

}  // namespace compose
