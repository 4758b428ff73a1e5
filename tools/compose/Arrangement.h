#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "tools/compose/DrumKit.h"
#include "tools/compose/Noise.h"
#include "tools/compose/StereoBuffer.h"
#include "tools/compose/SynthVoice.h"

namespace compose {

// The show's track, composed to its cue grid: 120 beats a minute, so a beat
// is 8 cues (0.5 s) and a bar is 2 s, in A minor.
//
//   0–32 s   eight 4-second blocks: a bar of driving 32nd-note texture, an
//            accent on the static phrase at 2 s + 4k, a bar of held space
//            (the trail at 14 s echoes to the right, the scatter at 30 s
//            breaks into blips)
//   32–38 s  a build: snare roll, riser, rising arpeggio, a breath before
//   38–62 s  a drop on every big-text passage (38, 42, … 58 s) and a gated,
//            flickering answer on every fill-with-overlay passage
//   62 s     the final chord, ringing out to the end of the file
//
// Accents are drum hits whose attack starts on the exact frame of their time:
// time 0 of the track is the show's first cue.
class Arrangement {
 public:
  static constexpr double length = 66.0;  // seconds, the show's 64 and the tail

  explicit Arrangement(uint64_t seed);

  // The whole mix, limited below `ceiling` (linear full scale).
  StereoBuffer render(double ceiling);

  // Times in seconds of the accents that the pictures flash on.
  static std::vector<double> accents();

 private:
  struct Chord {
    int root;                  // MIDI note of the bass
    std::array<int, 5> tones;  // MIDI notes of the voicing, low to high
  };

  void opening();
  void openingBlock(int k, const Chord& chord);
  void trail(double time, const Chord& chord);
  void scatter(double time, const Chord& chord);
  void build();
  void drop(int pair, const Chord& chord);
  void answer(int pair, const Chord& chord);
  void closing();

  void accent(double time, const Chord& chord, double weight, double stabHeld, double crash);
  void kick(double time, double velocity);
  void hats(double from, int sixteenths, double velocity, bool openOffbeats);
  void rollingBass(double from, const Chord& chord, double gain, int sixteenths);
  void pad(double time, double held, const Chord& chord, double gain);

  Noise random_;  // the arrangement's own choices (gates, scatter)
  DrumKit drums_;
  SynthVoice pluck_;
  SynthVoice stab_;
  SynthVoice padVoice_;
  SynthVoice bass_;
  SynthVoice sub_;
  SynthVoice lead_;
  SynthVoice bell_;

  // Buses of the mix. The ducked ones dip under every kick (side-chain).
  StereoBuffer drumBus_;
  StereoBuffer hitBus_;    // accents: never ducked, so their attack stays whole
  StereoBuffer bassBus_;   // ducked
  StereoBuffer musicBus_;  // ducked
  StereoBuffer padBus_;    // ducked
  StereoBuffer leadBus_;
  StereoBuffer reverbSend_;
  StereoBuffer delaySend_;
  std::vector<float> duck_;  // gain per frame from the kicks
};

}  // namespace compose
