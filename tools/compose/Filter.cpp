#include "tools/compose/Filter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace compose {

double Filter::process(double input, double cutoff, double resonance, double rate) {
  double g = std::tan(std::numbers::pi * std::clamp(cutoff, 10.0, rate * 0.45) / rate);
  double k = 2.0 - 2.0 * std::clamp(resonance, 0.0, 0.98);
  double a1 = 1.0 / (1.0 + g * (g + k));
  double a2 = g * a1;
  double a3 = g * a2;
  double v3 = input - low_;
  double v1 = a1 * band_ + a2 * v3;
  double v2 = low_ + a2 * band_ + a3 * v3;
  band_ = 2.0 * v1 - band_;
  low_ = 2.0 * v2 - low_;
  switch (mode_) {
    case Mode::LowPass:
      return v2;
    case Mode::BandPass:
      return v1;
    case Mode::HighPass:
      return input - k * v1 - v2;
  }
  return v2;
}

}  // namespace compose
