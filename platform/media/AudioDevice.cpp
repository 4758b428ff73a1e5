#include "platform/media/AudioDevice.h"

#if defined(__linux__)
#include <alsa/asoundlib.h>
#endif

#include "ui/AudioPlayer.h"

namespace platform {

namespace {

constexpr int requestedBlockFrames = 1024;  // 21 ms at 48 kHz

#if defined(__linux__)
// ALSA reports a missing sound card on standard error, line after line, while
// SDL probes it; having no device is an expected state here, reported through
// play()'s result, so its library must stay quiet.
void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}
#endif

void silenceDriverLibraries() {
#if defined(__linux__)
  snd_lib_error_set_handler(&ignoreAlsaError);
#endif
}

}  // namespace

AudioDevice::~AudioDevice() {
  close();
}

bool AudioDevice::open(std::string& error) {
  if (device_ != 0) {
    return true;
  }
  silenceDriverLibraries();
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    error = std::string("no audio driver: ") + SDL_GetError();
    return false;
  }
  subsystem_ = true;
  SDL_AudioSpec wanted{};
  wanted.freq = rate_;
  wanted.format = AUDIO_F32SYS;
  wanted.channels = 2;
  wanted.samples = requestedBlockFrames;
  wanted.callback = &AudioDevice::callback;
  wanted.userdata = this;
  SDL_AudioSpec obtained{};
  // Only the block size may change: SDL converts rate, format and channels
  // so that the render function always sees the decoder's format.
  device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, SDL_AUDIO_ALLOW_SAMPLES_CHANGE);
  if (device_ == 0) {
    error = std::string("no audio device: ") + SDL_GetError();
    close();
    return false;
  }
  blockFrames_ = obtained.samples;
  return true;
}

void AudioDevice::close() {
  if (device_ != 0) {
    SDL_CloseAudioDevice(device_);
    device_ = 0;
  }
  if (subsystem_) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    subsystem_ = false;
  }
}

void AudioDevice::setPaused(bool paused) {
  if (device_ != 0) {
    SDL_PauseAudioDevice(device_, paused ? 1 : 0);
  }
}

void AudioDevice::locked(const std::function<void()>& change) {
  if (device_ == 0) {
    change();
    return;
  }
  SDL_LockAudioDevice(device_);
  change();
  SDL_UnlockAudioDevice(device_);
}

double AudioDevice::latency() const {
  return device_ != 0 ? 2.0 * blockFrames_ / rate_ : 0.0;
}

std::string AudioDevice::delaySource() const {
  return "modelled: two blocks of " + std::to_string(blockFrames_) + " frames";
}

double AudioDevice::now() const {
  return ui::AudioPlayer::clockNow();
}

void AudioDevice::callback(void* self, Uint8* stream, int bytes) {
  auto* device = static_cast<AudioDevice*>(self);
  int frames = bytes / static_cast<int>(2 * sizeof(float));
  device->render_(reinterpret_cast<float*>(stream), frames, device->now() + device->latency());
}

}  // namespace platform
