#pragma once

#include <functional>
#include <string>

namespace platform {

// Where the player's sound goes: an output that asks for blocks of
// interleaved stereo float at 48 kHz and says, on a clock of its own, when
// what it takes is heard. The render function runs on the output's thread:
// it must fill the whole block without blocking, allocating or decoding.
//
// Two outputs stand behind this seam: SDL2's device (AudioDevice), timed by
// the hardware and the steady clock, and SimulatedAudioOutput, an ideal
// output that takes a block only when told, on a clock that moves only by
// what it played.
class AudioOutput {
 public:
  // `out` holds `frames` left/right pairs.
  using Render = std::function<void(float* out, int frames)>;

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
  // Seconds between a sample being rendered and being heard.
  virtual double latency() const = 0;
  // The output's clock, seconds: render times and heard times are read on it.
  virtual double now() const = 0;
};

}  // namespace platform
