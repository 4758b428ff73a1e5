#pragma once

#include <SDL.h>

#include <string>

#include "platform/media/AudioOutput.h"

namespace platform {

// SDL2's audio output, opened for interleaved stereo float at 48 kHz (SDL
// converts for the hardware); the render function runs on SDL's audio thread.
// Its clock is the steady clock.
class AudioDevice : public AudioOutput {
 public:
  explicit AudioDevice(Render render) : render_(std::move(render)) {}
  ~AudioDevice() override;
  AudioDevice(const AudioDevice&) = delete;
  AudioDevice& operator=(const AudioDevice&) = delete;

  // Opens the default output device, paused.
  bool open(std::string& error) override;
  bool isOpen() const override { return device_ != 0; }
  void close() override;

  void setPaused(bool paused) override;
  void locked(const std::function<void()>& change) override;

  // Frames per block that SDL obtained from the driver.
  int blockFrames() const { return blockFrames_; }
  // The block being filled waits for the block the hardware is playing, so
  // two blocks.
  double latency() const override;
  std::string delaySource() const override;
  double now() const override;

 private:
  static void callback(void* self, Uint8* stream, int bytes);

  Render render_;  // called on the audio thread only
  SDL_AudioDeviceID device_ = 0;
  bool subsystem_ = false;  // whether this device holds a reference on SDL's audio subsystem
  int blockFrames_ = 0;
  int rate_ = 48000;
};

}  // namespace platform
