#include "tools/compose/Oscillator.h"

#include <cmath>
#include <numbers>

namespace compose {

namespace {

// The residual that turns a naive edge at phase 0 into a band-limited one.
double polyBlep(double t, double dt) {
  if (t < dt) {
    t /= dt;
    return t + t - t * t - 1.0;
  }
  if (t > 1.0 - dt) {
    t = (t - 1.0) / dt;
    return t * t + t + t + 1.0;
  }
  return 0.0;
}

}  // namespace

double Oscillator::next(double frequency, double rate) {
  double dt = std::fmin(frequency / rate, 0.5);
  double t = phase_;
  double value = 0;
  switch (shape_) {
    case Shape::Sine:
      value = std::sin(2.0 * std::numbers::pi * t);
      break;
    case Shape::Saw:
      value = 2.0 * t - 1.0 - polyBlep(t, dt);
      break;
    case Shape::Square:
    case Shape::Triangle: {
      double square =
          (t < 0.5 ? 1.0 : -1.0) + polyBlep(t, dt) - polyBlep(std::fmod(t + 0.5, 1.0), dt);
      if (shape_ == Shape::Square) {
        value = square;
      } else {
        // A leaky integral of the square: its level does not drift.
        triangle_ = dt * 4.0 * square + (1.0 - 0.001) * triangle_;
        value = triangle_;
      }
      break;
    }
  }
  phase_ += dt;
  if (phase_ >= 1.0) {
    phase_ -= 1.0;
  }
  return value;
}

}  // namespace compose
