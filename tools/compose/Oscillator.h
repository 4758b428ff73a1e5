#pragma once

namespace compose {

// A band-limited oscillator (polyBLEP edges), so high notes do not alias
// into the audible range.
class Oscillator {
 public:
  enum class Shape { Sine, Saw, Square, Triangle };

  explicit Oscillator(Shape shape, double phase = 0)
      : shape_(shape), phase_(phase), triangle_(phase < 0.5 ? 4 * phase - 1 : 3 - 4 * phase) {}

  // One sample at `frequency` Hz and `rate` samples per second, in [-1, 1].
  double next(double frequency, double rate);

 private:
  Shape shape_;
  double phase_;     // cycles, in [0, 1)
  double triangle_;  // integrator state of the triangle, started on its wave
};

}  // namespace compose
