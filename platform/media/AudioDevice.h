#pragma once

#include <SDL.h>

#include <functional>
#include <string>

namespace platform {

// SDL2's audio output, opened for interleaved stereo float at 48 kHz (SDL
// converts for the hardware). The render function runs on SDL's audio thread:
// it must fill the whole block without blocking, allocating or decoding.
class AudioDevice {
 public:
  // `out` holds `frames` left/right pairs.
  using Render = std::function<void(float* out, int frames)>;

  explicit AudioDevice(Render render) : render_(std::move(render)) {}
  ~AudioDevice();
  AudioDevice(const AudioDevice&) = delete;
  AudioDevice& operator=(const AudioDevice&) = delete;

  // Opens the default output device, paused. False with a reason when there
  // is no audio driver or device (a headless machine).
  bool open(std::string& error);
  bool isOpen() const { return device_ != 0; }
  void close();

  // Once pausing returns, the render function is not running and does not
  // run again until the device is resumed.
  void setPaused(bool paused);
  // Runs `change` while the audio thread is outside the render function.
  void locked(const std::function<void()>& change);

  // Frames per block that SDL obtained from the driver.
  int blockFrames() const { return blockFrames_; }
  // Seconds between a sample being rendered and being heard: the block being
  // filled waits for the block the hardware is playing, so two blocks.
  double latency() const;

 private:
  static void callback(void* self, Uint8* stream, int bytes);

  Render render_;  // called on the audio thread only
  SDL_AudioDeviceID device_ = 0;
  bool subsystem_ = false;  // whether this device holds a reference on SDL's audio subsystem
  int blockFrames_ = 0;
  int rate_ = 48000;
};

}  // namespace platform
