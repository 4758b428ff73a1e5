#pragma once

#include <cstdint>

#include "tools/compose/Envelope.h"
#include "tools/compose/Oscillator.h"
#include "tools/compose/StereoBuffer.h"

namespace compose {

// A subtractive synthesizer patch: detuned oscillators spread across the
// stereo field, a resonant low-pass whose cutoff follows its own envelope,
// and an amplitude envelope.
class SynthVoice {
 public:
  struct Patch {
    Oscillator::Shape shape = Oscillator::Shape::Saw;
    int unison = 1;          // oscillators per note
    double detune = 0;       // cents between the outermost oscillators
    double spread = 0;       // stereo width of the unison, 0 to 1
    double cutoff = 2000;    // Hz with the filter envelope closed
    double cutoffSweep = 0;  // Hz the filter envelope adds at its peak
    double resonance = 0.2;
    Envelope amp{0.005, 0.2, 0.7, 0.1};
    Envelope filter{0.005, 0.15, 0.0, 0.1};
    double subLevel = 0;  // a sine an octave below, for weight
  };

  SynthVoice(Patch patch, uint64_t seed) : patch_(patch), seed_(seed) {}

  // Renders MIDI note `note` from `start` seconds, held `held` seconds, at
  // linear `gain`, centred on `pan`. `brightness` scales the cutoff.
  void play(StereoBuffer& out, double start, double held, int note, double gain, double pan = 0,
            double brightness = 1.0);

  static double frequency(int note);

 private:
  Patch patch_;
  uint64_t seed_;  // advanced per note: unison phases differ from note to note
};

}  // namespace compose
