#pragma once

#include <cstdint>

#include "tools/compose/StereoBuffer.h"

namespace compose {

// Drums and effects synthesized from sines and noise. Each hit starts its
// attack exactly on the frame of its time, so accents land on the cue grid.
class DrumKit {
 public:
  explicit DrumKit(uint64_t seed) : seed_(seed) {}

  void kick(StereoBuffer& out, double time, double velocity);
  void clap(StereoBuffer& out, double time, double velocity, double pan = 0);
  void snare(StereoBuffer& out, double time, double velocity, double pan = 0);
  // A closed hat when `open` is false.
  void hat(StereoBuffer& out, double time, double velocity, bool open, double pan);
  void crash(StereoBuffer& out, double time, double velocity, double seconds);
  // A low boom under an impact, falling in pitch.
  void boom(StereoBuffer& out, double time, double velocity, double seconds);
  // Noise that swells and brightens from `from` to `to` seconds.
  void riser(StereoBuffer& out, double from, double to, double velocity);

 private:
  uint64_t seed_;  // advanced per hit: no two hits share their noise
};

}  // namespace compose
