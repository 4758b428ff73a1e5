#include "tools/compose/Envelope.h"

#include <cmath>

namespace compose {

double Envelope::levelWhileHeld(double t) const {
  if (t < 0) {
    return 0;
  }
  if (t < attack_) {
    return t / attack_;
  }
  double fall = decay_ > 0 ? std::exp(-(t - attack_) / decay_) : 0.0;
  return sustain_ + (1.0 - sustain_) * fall;
}

double Envelope::at(double t, double held) const {
  if (t < held) {
    return levelWhileHeld(t);
  }
  double level = levelWhileHeld(held);
  return release_ > 0 ? level * std::exp(-(t - held) / release_) : 0.0;
}

}  // namespace compose
