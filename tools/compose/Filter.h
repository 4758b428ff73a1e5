#pragma once

namespace compose {

// A state-variable filter in the topology-preserving form: stays stable and
// in tune while its cutoff sweeps every sample.
class Filter {
 public:
  enum class Mode { LowPass, BandPass, HighPass };

  explicit Filter(Mode mode) : mode_(mode) {}

  // `cutoff` in Hz, `resonance` from 0 (none) to just below 1.
  double process(double input, double cutoff, double resonance, double rate);

 private:
  Mode mode_;
  double low_ = 0;  // integrator states
  double band_ = 0;
};

}  // namespace compose
