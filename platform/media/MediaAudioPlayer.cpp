#include "platform/media/MediaAudioPlayer.h"

#include <chrono>
#include <cstring>

#include <SDL.h>

#include "platform/media/SystemAudioOutput.h"

#include "ui/RunLoop.h"

namespace platform {

void MediaAudioPlayer::install() {
  ui::AudioPlayer::setFactory([](const std::string& path, std::string& error) {
    return std::static_pointer_cast<ui::AudioPlayer>(create(path, error));
  });
}

MediaAudioPlayer::MediaAudioPlayer(const OutputMaker& makeOutput)
    : feed_(static_cast<std::size_t>(bufferSeconds * sampleRate)) {
  AudioOutput::Render renderBlock = [this](float* out, int frames, double heardAt) {
    render(out, frames, heardAt);
  };
  device_ = makeOutput ? makeOutput(std::move(renderBlock))
                       : std::make_unique<SystemAudioOutput>(std::move(renderBlock));
}

MediaAudioPlayer::~MediaAudioPlayer() {
  settleDevice();
  device_->close();
}

std::shared_ptr<MediaAudioPlayer> MediaAudioPlayer::create(const std::string& path,
                                                           std::string& error,
                                                           const OutputMaker& makeOutput) {
  std::shared_ptr<MediaAudioPlayer> player(new MediaAudioPlayer(makeOutput));
  if (!player->feed_.open(path, error)) {
    return nullptr;
  }
  return player;
}

void MediaAudioPlayer::settleDevice() const {
  if (opening_.valid()) {
    opening_.get();
  }
}

bool MediaAudioPlayer::prepareToPlay() {
  if (opening_.valid() && opening_.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
    return true;
  }
  settleDevice();
  if (device_->isOpen()) {
    return true;
  }
  // A machine without sound stays without: asking the drivers again would
  // only delay play() (and some print their complaints again).
  if (!deviceError_.empty()) {
    return false;
  }
  opening_ = std::async(std::launch::async, [this] {
    device_->open(deviceError_);
    // SDL keeps per-thread state (its error text) that only its own threads
    // free on exit.
    SDL_TLSCleanup();
  });
  return true;
}

bool MediaAudioPlayer::play() {
  settleDevice();
  if (!device_->isOpen() && (!deviceError_.empty() || !device_->open(deviceError_))) {
    return false;
  }
  // Paused, the device runs no render: the feed may rewind (and reopen the
  // file) without holding up the audio thread.
  device_->setPaused(true);
  bool rewound = feed_.rewind(deviceError_);
  device_->locked([&] {
    finished_ = false;
    playing_ = rewound;
  });
  if (!rewound) {
    return false;
  }
  device_->setPaused(false);
  // The first sample is heard one device latency from now; the frame loop
  // delays the pictures to match.
  publishSyncPoint(
      {ui::RunLoop::main().now(), device_->now() + device_->latency(), weak_from_this()});
  return true;
}

void MediaAudioPlayer::stop() {
  settleDevice();
  if (!device_->isOpen()) {
    return;
  }
  stoppedAt_ = currentTime();
  device_->setPaused(true);
  device_->locked([this] { playing_ = false; });
}

double MediaAudioPlayer::outputLatency() const {
  settleDevice();
  return device_->latency();
}

std::string MediaAudioPlayer::delaySource() const {
  settleDevice();
  return device_->isOpen() ? device_->delaySource() : "none: no audio output";
}

const std::string& MediaAudioPlayer::deviceError() const {
  settleDevice();
  return deviceError_;
}

bool MediaAudioPlayer::isPlaying() const {
  return playing_.load();
}

double MediaAudioPlayer::currentTime() const {
  if (!playing_.load()) {
    return finished_.load() ? duration() : stoppedAt_;
  }
  auto heard = heardPosition();
  return heard ? heard->fileTime : 0.0;
}

std::optional<ui::AudioPlayer::HeardPosition> MediaAudioPlayer::heardPosition() const {
  if (!playing_.load()) {
    return std::nullopt;
  }
  return feed_.heardPosition(device_->now(), device_->latency());
}

void MediaAudioPlayer::render(float* out, int frames, double heardAt) {
  callbackThread_ = std::this_thread::get_id();
  auto count = static_cast<std::size_t>(frames);
  if (!playing_.load()) {
    std::memset(out, 0, count * 2 * sizeof(float));
    return;
  }
  if (!feed_.render(out, count, heardAt)) {
    playing_ = false;
    finished_ = true;
  }
}

}  // namespace platform
