#include "tools/compose/Arrangement.h"

#include <algorithm>
#include <cmath>

#include "tools/compose/Delay.h"
#include "tools/compose/Limiter.h"
#include "tools/compose/Reverb.h"

namespace compose {

namespace {

constexpr double beat = 0.5;
constexpr double sixteenth = beat / 4;
constexpr double cue = beat / 8;  // one step of the show's clock

// A minor, with its dominant borrowed from the harmonic minor for the cadences.
const std::array<int, 5> am{57, 60, 64, 67, 71};  // Am9
const std::array<int, 5> fm{53, 57, 60, 64, 67};  // Fmaj9
const std::array<int, 5> cm{55, 60, 64, 67, 71};  // Cmaj7 over G
const std::array<int, 5> gm{55, 59, 62, 67, 69};  // Gadd9
const std::array<int, 5> dm{53, 57, 60, 62, 64};  // Dm9
const std::array<int, 5> e7{56, 59, 62, 64, 68};  // E7

// The lead's hook, one bar of eighths per drop (-1 rests).
const std::array<std::array<int, 8>, 6> hook{{
    {76, -1, 72, 74, 76, -1, 79, 76},
    {77, -1, 76, 72, 69, -1, 72, 74},
    {76, -1, 79, 76, 72, -1, 71, 72},
    {74, -1, 71, 74, 79, -1, 76, 74},
    {77, -1, 76, 74, 72, -1, 74, 77},
    {76, -1, 80, 76, 74, -1, 71, 68},
}};

SynthVoice::Patch pluckPatch() {
  SynthVoice::Patch p;
  p.unison = 2;
  p.detune = 12;
  p.spread = 0.3;
  p.cutoff = 500;
  p.cutoffSweep = 3500;
  p.resonance = 0.35;
  p.amp = Envelope(0.001, 0.07, 0.0, 0.04);
  p.filter = Envelope(0.001, 0.05, 0.0, 0.04);
  return p;
}

SynthVoice::Patch stabPatch() {
  SynthVoice::Patch p;
  p.unison = 7;
  p.detune = 38;
  p.spread = 0.8;
  p.cutoff = 1400;
  p.cutoffSweep = 6500;
  p.resonance = 0.15;
  p.amp = Envelope(0.001, 0.25, 0.45, 0.12);
  p.filter = Envelope(0.001, 0.12, 0.1, 0.12);
  return p;
}

SynthVoice::Patch padPatch() {
  SynthVoice::Patch p;
  p.unison = 5;
  p.detune = 22;
  p.spread = 0.9;
  p.cutoff = 900;
  p.cutoffSweep = 900;
  p.resonance = 0.1;
  p.amp = Envelope(0.25, 0.8, 0.8, 0.45);
  p.filter = Envelope(0.6, 1.0, 0.4, 0.5);
  return p;
}

SynthVoice::Patch bassPatch() {
  SynthVoice::Patch p;
  p.cutoff = 220;
  p.cutoffSweep = 1100;
  p.resonance = 0.3;
  p.subLevel = 0.9;
  p.amp = Envelope(0.002, 0.12, 0.6, 0.02);
  p.filter = Envelope(0.001, 0.06, 0.0, 0.04);
  return p;
}

SynthVoice::Patch subPatch() {
  SynthVoice::Patch p;
  p.shape = Oscillator::Shape::Sine;
  p.cutoff = 400;
  p.resonance = 0;
  p.amp = Envelope(0.004, 0.9, 0.0, 0.3);
  return p;
}

SynthVoice::Patch leadPatch() {
  SynthVoice::Patch p;
  p.unison = 3;
  p.detune = 14;
  p.spread = 0.25;
  p.cutoff = 1500;
  p.cutoffSweep = 3500;
  p.resonance = 0.25;
  p.amp = Envelope(0.004, 0.18, 0.55, 0.09);
  p.filter = Envelope(0.003, 0.18, 0.2, 0.1);
  return p;
}

SynthVoice::Patch bellPatch() {
  SynthVoice::Patch p;
  p.shape = Oscillator::Shape::Triangle;
  p.cutoff = 6000;
  p.resonance = 0;
  p.amp = Envelope(0.002, 0.22, 0.0, 0.2);
  return p;
}

// The up-and-down figure of the 32nd-note texture over a chord.
int arpNote(const std::array<int, 5>& tones, int step) {
  static constexpr std::array<int, 8> order{0, 1, 2, 3, 4, 3, 2, 1};
  return tones[order[step % 8]] + 12 * ((step / 8) % 2) + 12;
}

}  // namespace

Arrangement::Arrangement(uint64_t seed)
    : random_(seed),
      drums_(seed + 1000),
      pluck_(pluckPatch(), seed + 2000),
      stab_(stabPatch(), seed + 3000),
      padVoice_(padPatch(), seed + 4000),
      bass_(bassPatch(), seed + 5000),
      sub_(subPatch(), seed + 6000),
      lead_(leadPatch(), seed + 7000),
      bell_(bellPatch(), seed + 8000),
      drumBus_(length),
      hitBus_(length),
      bassBus_(length),
      musicBus_(length),
      padBus_(length),
      leadBus_(length),
      reverbSend_(length),
      delaySend_(length),
      duck_(drumBus_.frames(), 1.0f) {}

std::vector<double> Arrangement::accents() {
  std::vector<double> times;
  for (int k = 0; k < 8; ++k) {
    times.push_back(2.0 + 4.0 * k);
  }
  for (int pair = 0; pair < 6; ++pair) {
    times.push_back(38.0 + 4.0 * pair);
  }
  return times;
}

void Arrangement::kick(double time, double velocity) {
  drums_.kick(drumBus_, time, velocity);
  // The ducked buses dip within 4 ms and come back over a beat.
  std::size_t first = StereoBuffer::frameAt(time);
  for (std::size_t n = 0; n < StereoBuffer::frameAt(0.45) && first + n < duck_.size(); ++n) {
    double t = static_cast<double>(n) / StereoBuffer::rate;
    double depth = 0.65 * std::fmin(1.0, t / 0.004) * std::exp(-t / 0.11);
    duck_[first + n] = std::min(duck_[first + n], static_cast<float>(1.0 - depth));
  }
}

void Arrangement::hats(double from, int sixteenths, double velocity, bool openOffbeats) {
  for (int i = 0; i < sixteenths; ++i) {
    double time = from + i * sixteenth;
    bool offbeat = i % 4 == 2;
    if (openOffbeats && offbeat) {
      drums_.hat(drumBus_, time, velocity * 1.1, true, 0.15);
    } else {
      drums_.hat(drumBus_, time, velocity * (i % 2 == 1 ? 1.0 : 0.7), false, i % 2 ? 0.3 : -0.3);
    }
  }
}

void Arrangement::rollingBass(double from, const Chord& chord, double gain, int sixteenths) {
  // The three sixteenths after each kick; the kick owns the downbeat.
  for (int i = 0; i < sixteenths; ++i) {
    if (i % 4 == 0) {
      continue;
    }
    int note = chord.root + (i % 4 == 3 ? 12 : 0);
    bass_.play(bassBus_, from + i * sixteenth, sixteenth * 0.7, note,
               gain * (i % 4 == 2 ? 1.0 : 0.8));
  }
}

void Arrangement::pad(double time, double held, const Chord& chord, double gain) {
  for (int note : chord.tones) {
    padVoice_.play(padBus_, time, held, note, gain);
  }
  for (int note : chord.tones) {
    padVoice_.play(reverbSend_, time, held, note, gain * 0.6);
  }
}

void Arrangement::accent(double time, const Chord& chord, double weight, double stabHeld,
                         double crash) {
  kick(time, 1.0 * weight);
  drums_.clap(hitBus_, time, 0.85 * weight);
  drums_.clap(reverbSend_, time, 0.6 * weight);
  drums_.crash(hitBus_, time, 0.45 * weight, crash);
  drums_.boom(hitBus_, time, 0.45 * weight, 0.5);
  for (int note : chord.tones) {
    stab_.play(hitBus_, time, stabHeld, note + 12, 0.16 * weight);
    stab_.play(reverbSend_, time, stabHeld, note + 12, 0.12 * weight);
  }
  sub_.play(hitBus_, time, 0.6, chord.root - 12, 0.55 * weight);
}

void Arrangement::openingBlock(int k, const Chord& chord) {
  double t0 = 4.0 * k;
  // The rapid bar: the pictures strobe a new phrase on every cue.
  for (int j = 0; j < 4; ++j) {
    kick(t0 + j * beat, 0.7);
  }
  drums_.clap(drumBus_, t0 + beat, 0.35, -0.1);
  drums_.clap(drumBus_, t0 + 3 * beat, 0.35, 0.1);
  hats(t0, 15, 0.16, k >= 2);
  double rise = 0.4 + 0.08 * k;  // the texture brightens block by block
  for (int step = 0; step < 31; ++step) {
    double time = t0 + step * cue;
    double gain = step % 4 == 0 ? 0.13 : 0.09;
    double brightness = rise + 1.2 * step / 31.0;
    double pan = 0.5 * std::sin(step * 0.7);
    pluck_.play(musicBus_, time, cue * 0.7, arpNote(chord.tones, step), gain, pan, brightness);
    if (step % 2 == 0) {
      pluck_.play(delaySend_, time, cue * 0.7, arpNote(chord.tones, step), gain * 0.3, pan,
                  brightness);
    }
  }
  rollingBass(t0, chord, 0.28, 15);

  // The static phrase: the accent, then held space.
  static constexpr std::array<double, 8> flash{0.1, 0.1, 0.1, 2.0, 0.1, 0.2, 0.4, 0.1};
  double a = t0 + 2.0;
  accent(a, chord, 0.9, 0.08 + std::min(flash[static_cast<std::size_t>(k)], 0.5) * 0.6, 1.0);
  pad(a, 1.6, chord, 0.05);
  sub_.play(bassBus_, a + beat, 1.2, chord.root - 12, 0.2);
  if (k == 3) {
    trail(a, chord);
  } else if (k == 7) {
    scatter(a, chord);
  }
}

void Arrangement::trail(double time, const Chord& chord) {
  // Four echoes of the stab, each further right and darker, as the four copies
  // of the phrase slide right and fade.
  for (int i = 0; i < 4; ++i) {
    double gain = 0.07 * std::pow(0.65, i);
    double pan = 0.2 * (i + 1);
    for (int note : chord.tones) {
      stab_.play(hitBus_, time + (i + 1) * 3 * sixteenth, 0.1, note + 12, gain, pan,
                 0.8 - 0.15 * i);
    }
  }
}

void Arrangement::scatter(double time, const Chord& chord) {
  // The echoes reappear at 0.65 s and drift apart: bell blips thrown across
  // the stereo field, thinning out as they fade.
  for (int i = 0; i < 14; ++i) {
    double when = time + 0.65 + 1.3 * std::pow(random_.unit(), 1.4);
    int note = chord.tones[static_cast<std::size_t>(random_.unit() * 5)] + 24;
    double fade = 1.0 - (when - time - 0.65) / 1.4;
    bell_.play(musicBus_, when, 0.05, note, 0.07 * fade, random_.next() * 0.9);
    bell_.play(reverbSend_, when, 0.05, note, 0.08 * fade);
  }
}

void Arrangement::opening() {
  const std::array<Chord, 4> progression{Chord{45, am}, Chord{41, fm}, Chord{48, cm},
                                         Chord{43, gm}};
  for (int k = 0; k < 8; ++k) {
    openingBlock(k, progression[static_cast<std::size_t>(k % 4)]);
  }
}

void Arrangement::build() {
  const std::array<Chord, 3> chords{Chord{38, dm}, Chord{41, fm}, Chord{40, e7}};
  for (int bar = 0; bar < 3; ++bar) {
    double t0 = 32.0 + 2.0 * bar;
    const Chord& chord = chords[static_cast<std::size_t>(bar)];
    pad(t0, bar == 2 ? 1.7 : 1.9, chord, 0.06);
    // Eighth-note bass pulses and an arpeggio climbing an octave per bar.
    for (int i = 0; i < (bar == 2 ? 7 : 8); ++i) {
      bass_.play(bassBus_, t0 + i * 2 * sixteenth, sixteenth, chord.root, 0.25);
    }
    for (int step = 0; step < (bar == 2 ? 14 : 16); ++step) {
      int note = arpNote(chord.tones, step) + 12 * bar - 12;
      pluck_.play(musicBus_, t0 + step * sixteenth, sixteenth * 0.6, note, 0.08,
                  0.4 * std::sin(step * 1.3), 0.6 + 0.5 * bar + step / 32.0);
    }
  }
  for (int j = 0; j < 12; ++j) {
    if (j != 4) {
      kick(32.0 + j * beat, 0.65);
    }
  }
  kick(37.25, 0.55);
  // The snare roll doubles its rate each bar and swells toward the drop; it
  // stops a sixteenth early so that the drop lands after a breath.
  auto roll = [&](double from, double to, double step, double v0, double v1) {
    for (double t = from; t < to - 1e-9; t += step) {
      double x = (t - from) / (to - from);
      drums_.snare(drumBus_, t, v0 + (v1 - v0) * x, 0.2 * std::sin(t * 9.0));
    }
  };
  roll(33.0, 34.0, 2 * sixteenth, 0.18, 0.24);
  roll(34.0, 36.0, sixteenth, 0.2, 0.3);
  roll(36.0, 37.75, cue, 0.18, 0.36);
  drums_.riser(musicBus_, 32.0, 37.875, 0.3);
  // The dot's long flash at 34 s: a lighter impact in the middle of the build.
  accent(34.0, chords[1], 0.55, 0.3, 1.5);
}

void Arrangement::drop(int pair, const Chord& chord) {
  double d = 38.0 + 4.0 * pair;
  accent(d, chord, 1.0, 0.35, 2.0);
  for (int j = 1; j < 4; ++j) {
    kick(d + j * beat, 0.8);
  }
  drums_.clap(drumBus_, d + beat, 0.5, -0.05);
  drums_.clap(drumBus_, d + 3 * beat, 0.5, 0.05);
  drums_.clap(reverbSend_, d + beat, 0.3);
  drums_.clap(reverbSend_, d + 3 * beat, 0.3);
  hats(d, 16, 0.2, true);
  rollingBass(d, chord, 0.34, 16);
  for (int j = 0; j < 4; ++j) {
    double time = d + j * beat + 2 * sixteenth;
    for (int note : chord.tones) {
      stab_.play(musicBus_, time, 0.12, note, 0.055, 0, 0.8);
    }
  }
  const auto& melody = hook[static_cast<std::size_t>(pair)];
  for (std::size_t i = 0; i < melody.size(); ++i) {
    if (melody[i] < 0) {
      continue;
    }
    double time = d + static_cast<double>(i) * 2 * sixteenth;
    double held = (i + 1 < melody.size() && melody[i + 1] < 0) ? 3 * sixteenth : 1.5 * sixteenth;
    lead_.play(leadBus_, time, held, melody[i], 0.11, 0.1);
    lead_.play(delaySend_, time, held, melody[i], 0.08);
  }
}

void Arrangement::answer(int pair, const Chord& chord) {
  double a = 38.0 + 4.0 * pair + 2.0;
  // The chord through a gate that opens and shuts at random on the cue grid,
  // as the overlay's bars flash; shut for the last two cues before the drop.
  StereoBuffer held(length);
  for (int note : chord.tones) {
    padVoice_.play(held, a - 0.3, 2.3, note + 12, 0.2, 0, 2.2);
  }
  std::vector<float> gate(held.frames(), 0.0f);
  for (int step = 0; step < 30; ++step) {
    if (step != 0 && random_.unit() < 0.4) {
      continue;
    }
    std::size_t first = StereoBuffer::frameAt(a + step * cue);
    std::size_t span = StereoBuffer::frameAt(cue);
    for (std::size_t n = 0; n < span && first + n < gate.size(); ++n) {
      double t = static_cast<double>(n) / StereoBuffer::rate;
      double shape = std::fmin(1.0, t / 0.002) * std::fmin(1.0, (cue - t) / 0.004) *
                     (0.6 + 0.4 * std::exp(-t / 0.03));
      gate[first + n] = static_cast<float>(std::max(0.0, shape));
    }
    pluck_.play(musicBus_, a + step * cue, cue * 0.5, arpNote(chord.tones, step) + 12, 0.06,
                step % 2 ? 0.6 : -0.6, 1.4);
  }
  held.applyGain(gate);
  musicBus_.mix(held, 1.0);
  reverbSend_.mix(held, 0.4);
  hats(a, 15, 0.14, false);
  sub_.play(bassBus_, a, 1.7, chord.root - 12, 0.35);
}

void Arrangement::closing() {
  const Chord final{33, {57, 60, 64, 71, 76}};  // A minor with the ninth on top
  drums_.boom(hitBus_, 62.0, 0.5, 0.9);
  drums_.crash(hitBus_, 62.0, 0.35, 2.5);
  for (int note : final.tones) {
    stab_.play(hitBus_, 62.0, 1.6, note, 0.05, 0, 0.35);
  }
  pad(62.0, 2.2, final, 0.07);
  bell_.play(musicBus_, 62.0, 0.1, 81, 0.08, 0.3);
  bell_.play(reverbSend_, 62.0, 0.1, 81, 0.12);
  sub_.play(hitBus_, 62.0, 2.5, final.root, 0.45);
  bass_.play(bassBus_, 62.0, 1.8, final.root + 12, 0.2);
}

StereoBuffer Arrangement::render(double ceiling) {
  opening();
  build();
  const std::array<Chord, 6> alternation{Chord{45, am}, Chord{41, fm}, Chord{48, cm},
                                         Chord{43, gm}, Chord{38, dm}, Chord{40, e7}};
  for (int pair = 0; pair < 6; ++pair) {
    drop(pair, alternation[static_cast<std::size_t>(pair)]);
    answer(pair, alternation[static_cast<std::size_t>(pair)]);
  }
  closing();

  StereoBuffer echoes = Delay(3 * sixteenth, 0.42, 3200).process(delaySend_);
  reverbSend_.mix(echoes, 0.3);
  reverbSend_.mix(leadBus_, 0.3);
  StereoBuffer hall = Reverb(0.78, 0.5).process(reverbSend_);

  bassBus_.applyGain(duck_);
  musicBus_.applyGain(duck_);
  padBus_.applyGain(duck_);
  StereoBuffer mix(length);
  mix.mix(drumBus_, 1.0);
  mix.mix(hitBus_, 1.0);
  mix.mix(bassBus_, 1.0);
  mix.mix(musicBus_, 1.0);
  mix.mix(padBus_, 1.0);
  mix.mix(leadBus_, 1.0);
  mix.mix(echoes, 0.35);
  mix.mix(hall, 0.9);

  // Drive the loudest peaks about 5 dB into the limiter: a mastered level
  // without squashing the accents flat.
  float peak = 0;
  for (std::size_t n = 0; n < mix.frames(); ++n) {
    peak = std::max({peak, std::fabs(mix.left()[n]), std::fabs(mix.right()[n])});
  }
  if (peak > 0) {
    std::vector<float> gain(mix.frames(), static_cast<float>(ceiling * 1.8 / peak));
    mix.applyGain(gain);
  }
  Limiter(ceiling, 0.002, 0.08).process(mix);
  // The last half second fades to silence, so the file ends without a cut.
  std::size_t fade = StereoBuffer::frameAt(0.5);
  std::vector<float> tail(mix.frames(), 1.0f);
  for (std::size_t n = 0; n < fade; ++n) {
    tail[mix.frames() - 1 - n] = static_cast<float>(n) / static_cast<float>(fade);
  }
  mix.applyGain(tail);
  return mix;
}

}  // namespace compose
