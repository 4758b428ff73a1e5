#include "tools/compose/DrumKit.h"

#include <cmath>
#include <numbers>

#include "tools/compose/Filter.h"
#include "tools/compose/Noise.h"

namespace compose {

namespace {

constexpr double rate = StereoBuffer::rate;
constexpr double twoPi = 2.0 * std::numbers::pi;

}  // namespace

void DrumKit::kick(StereoBuffer& out, double time, double velocity) {
  Noise noise(seed_++);
  Filter click(Filter::Mode::HighPass);
  std::size_t first = StereoBuffer::frameAt(time);
  double phase = 0;
  for (std::size_t n = 0; n < StereoBuffer::frameAt(0.6); ++n) {
    double t = n / rate;
    double pitch = 48.0 + 170.0 * std::exp(-t / 0.028) + 40.0 * std::exp(-t / 0.004);
    phase += pitch / rate;
    double body = std::sin(twoPi * phase) * std::exp(-t / 0.32) * std::fmin(1.0, t / 0.0005 + 0.3);
    double tick = click.process(noise.next(), 3000, 0.1, rate) * std::exp(-t / 0.004) * 0.5;
    double value = std::tanh(1.6 * (body + tick)) / std::tanh(1.6) * velocity;
    out.add(first + n, value, 0);
  }
}

void DrumKit::clap(StereoBuffer& out, double time, double velocity, double pan) {
  Noise noise(seed_++);
  Filter band(Filter::Mode::BandPass);
  std::size_t first = StereoBuffer::frameAt(time);
  for (std::size_t n = 0; n < StereoBuffer::frameAt(0.5); ++n) {
    double t = n / rate;
    // Three hands slightly apart, then the room.
    double bursts = 0;
    for (double offset : {0.0, 0.009, 0.018}) {
      if (t >= offset) {
        bursts += std::exp(-(t - offset) / 0.004);
      }
    }
    double envelope = std::fmin(1.0, bursts) * 0.8 + std::exp(-t / 0.11) * 0.6;
    double value = band.process(noise.next(), 1300, 0.35, rate) * envelope * 2.2 * velocity;
    out.add(first + n, value, pan);
  }
}

void DrumKit::snare(StereoBuffer& out, double time, double velocity, double pan) {
  Noise noise(seed_++);
  Filter high(Filter::Mode::HighPass);
  std::size_t first = StereoBuffer::frameAt(time);
  double phase = 0;
  for (std::size_t n = 0; n < StereoBuffer::frameAt(0.3); ++n) {
    double t = n / rate;
    phase += (185.0 + 60.0 * std::exp(-t / 0.01)) / rate;
    double tone = std::sin(twoPi * phase) * std::exp(-t / 0.05) * 0.5;
    double rattle = high.process(noise.next(), 1800, 0.1, rate) * std::exp(-t / 0.07) * 0.8;
    out.add(first + n, (tone + rattle) * velocity, pan);
  }
}

void DrumKit::hat(StereoBuffer& out, double time, double velocity, bool open, double pan) {
  Noise noise(seed_++);
  Filter high(Filter::Mode::HighPass);
  Filter band(Filter::Mode::BandPass);
  double decay = open ? 0.16 : 0.028;
  std::size_t first = StereoBuffer::frameAt(time);
  for (std::size_t n = 0; n < StereoBuffer::frameAt(decay * 7); ++n) {
    double t = n / rate;
    double metal = high.process(noise.next(), 7500, 0.2, rate);
    metal += 0.5 * band.process(metal, 10500, 0.5, rate);
    out.add(first + n, metal * std::exp(-t / decay) * velocity, pan);
  }
}

void DrumKit::crash(StereoBuffer& out, double time, double velocity, double seconds) {
  Noise left(seed_++);
  Noise right(seed_++);
  Filter highLeft(Filter::Mode::HighPass);
  Filter highRight(Filter::Mode::HighPass);
  std::size_t first = StereoBuffer::frameAt(time);
  for (std::size_t n = 0; n < StereoBuffer::frameAt(seconds * 5); ++n) {
    double t = n / rate;
    double envelope = (0.5 * std::exp(-t / 0.05) + 0.5 * std::exp(-t / seconds)) * velocity;
    out.addStereo(first + n, highLeft.process(left.next(), 4200, 0.15, rate) * envelope,
                  highRight.process(right.next(), 4200, 0.15, rate) * envelope);
  }
}

void DrumKit::boom(StereoBuffer& out, double time, double velocity, double seconds) {
  std::size_t first = StereoBuffer::frameAt(time);
  double phase = 0;
  for (std::size_t n = 0; n < StereoBuffer::frameAt(seconds * 5); ++n) {
    double t = n / rate;
    phase += (36.0 + 50.0 * std::exp(-t / 0.08)) / rate;
    double value = std::sin(twoPi * phase) * std::exp(-t / seconds) * velocity;
    out.add(first + n, value * std::fmin(1.0, t / 0.001), 0);
  }
}

void DrumKit::riser(StereoBuffer& out, double from, double to, double velocity) {
  Noise left(seed_++);
  Noise right(seed_++);
  Filter bandLeft(Filter::Mode::BandPass);
  Filter bandRight(Filter::Mode::BandPass);
  std::size_t first = StereoBuffer::frameAt(from);
  std::size_t count = StereoBuffer::frameAt(to - from);
  for (std::size_t n = 0; n < count; ++n) {
    double x = static_cast<double>(n) / static_cast<double>(count);
    double cutoff = 300.0 * std::pow(40.0, x);
    double level = x * x * velocity;
    out.addStereo(first + n, bandLeft.process(left.next(), cutoff, 0.6, rate) * level,
                  bandRight.process(right.next(), cutoff, 0.6, rate) * level);
  }
}

}  // namespace compose
