#include "tools/compose/SynthVoice.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/compose/Filter.h"
#include "tools/compose/Noise.h"

namespace compose {

double SynthVoice::frequency(int note) {
  return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

void SynthVoice::play(StereoBuffer& out, double start, double held, int note, double gain,
                      double pan, double brightness) {
  Noise phases(seed_++);
  std::vector<Oscillator> oscillators;
  std::vector<double> ratios;
  std::vector<double> pans;
  for (int i = 0; i < patch_.unison; ++i) {
    double position = patch_.unison == 1 ? 0.0 : 2.0 * i / (patch_.unison - 1) - 1.0;
    oscillators.emplace_back(patch_.shape, phases.unit());
    ratios.push_back(std::pow(2.0, position * patch_.detune / 2.0 / 1200.0));
    pans.push_back(pan + position * patch_.spread);
  }
  Oscillator sub(Oscillator::Shape::Sine);
  Filter left(Filter::Mode::LowPass);
  Filter right(Filter::Mode::LowPass);
  double base = frequency(note);
  double norm = 1.0 / std::sqrt(static_cast<double>(patch_.unison));
  std::size_t first = StereoBuffer::frameAt(start);
  std::size_t count = StereoBuffer::frameAt(patch_.amp.length(held));
  for (std::size_t n = 0; n < count; ++n) {
    double t = static_cast<double>(n) / StereoBuffer::rate;
    double level = patch_.amp.at(t, held);
    double cutoff = (patch_.cutoff + patch_.cutoffSweep * patch_.filter.at(t, held)) * brightness;
    double l = 0;
    double r = 0;
    for (std::size_t i = 0; i < oscillators.size(); ++i) {
      double value = oscillators[i].next(base * ratios[i], StereoBuffer::rate) * norm;
      double angle = (std::clamp(pans[i], -1.0, 1.0) + 1.0) * 0.785398163;
      l += value * std::cos(angle) * 1.41421356;
      r += value * std::sin(angle) * 1.41421356;
    }
    l = left.process(l, cutoff, patch_.resonance, StereoBuffer::rate);
    r = right.process(r, cutoff, patch_.resonance, StereoBuffer::rate);
    double low = patch_.subLevel * sub.next(base / 2.0, StereoBuffer::rate);
    out.addStereo(first + n, (l + low) * level * gain, (r + low) * level * gain);
  }
}

}  // namespace compose
