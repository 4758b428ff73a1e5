#pragma once

#include <functional>
#include <string>

namespace platform {

// Where the player's sound goes: an output that asks for blocks of
// interleaved stereo float at 48 kHz and says, on a clock of its own, when
// what it takes is heard. The render function runs on the output's thread:
// it must fill the whole block without blocking, allocating or decoding.
//
// Three outputs stand behind this seam: a PulseAudio stream
// (PulseAudioOutput), whose server reports how much is queued ahead of each
// block; SDL2's device (AudioDevice), whose delay is a model of its blocks;
// and SimulatedAudioOutput, an ideal output that takes a block only when
// told, on a clock that moves only by what it played. SystemAudioOutput picks
// between the first two.
class AudioOutput {
 public:
  // `out` holds `frames` left/right pairs; `heardAt` is when out[0] reaches
  // the listener, on the output's clock, as the output knows it while it
  // asks for the block.
  using Render = std::function<void(float* out, int frames, double heardAt)>;

  virtual ~AudioOutput() = default;

  // Opens the output, paused. False with a reason when there is none (a
  // headless machine).
  virtual bool open(std::string& error) = 0;
  virtual bool isOpen() const = 0;
  virtual void close() = 0;
  // Once pausing returns, the render function is not running and does not
  // run again until the output is resumed.
  virtual void setPaused(bool paused) = 0;
  // Runs `change` while the output's thread is outside the render function.
  virtual void locked(const std::function<void()>& change) = 0;
  // Seconds between a sample rendered now and its being heard: the latest
  // the output knows, which may change while it plays.
  virtual double latency() const = 0;
  // Where latency() comes from, for a person: "reported by …" or
  // "modelled: …".
  virtual std::string delaySource() const = 0;
  // The output's clock, seconds: render times and heard times are read on it.
  virtual double now() const = 0;
};

}  // namespace platform
