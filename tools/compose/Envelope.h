#pragma once

namespace compose {

// An attack-decay-sustain-release envelope as a function of time, so a note
// can be rendered from any sample without running state. Times in seconds.
class Envelope {
 public:
  Envelope(double attack, double decay, double sustain, double release)
      : attack_(attack), decay_(decay), sustain_(sustain), release_(release) {}

  // Level in [0, 1] at `t` seconds after note-on, for a key held `held` seconds.
  double at(double t, double held) const;
  // Seconds after note-on until the level has died away.
  double length(double held) const { return held + release_ * 7.0; }

 private:
  double levelWhileHeld(double t) const;

  double attack_;
  double decay_;    // time constant of the fall to sustain
  double sustain_;  // level, 0 to 1
  double release_;  // time constant of the fall after the key lifts
};

}  // namespace compose
