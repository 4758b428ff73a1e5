#include "platform/media/MediaAudioPlayer.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "ui/RunLoop.h"

namespace platform {

void MediaAudioPlayer::install() {
  ui::AudioPlayer::setFactory([](const std::string& path, std::string& error) {
    return std::static_pointer_cast<ui::AudioPlayer>(create(path, error));
  });
}

MediaAudioPlayer::MediaAudioPlayer()
    : device_([this](float* out, int frames) { render(out, frames); }) {}

MediaAudioPlayer::~MediaAudioPlayer() {
  device_.close();
}

std::shared_ptr<MediaAudioPlayer> MediaAudioPlayer::create(const std::string& path,
                                                           std::string& error) {
  std::shared_ptr<MediaAudioPlayer> player(new MediaAudioPlayer());
  player->decodeThreads_.push_back(std::this_thread::get_id());
  if (!player->decoder_.decodeFile(path, error)) {
    return nullptr;
  }
  return player;
}

bool MediaAudioPlayer::prepareToPlay() {
  // A machine without sound stays without: asking the drivers again would
  // only delay play() (and some print their complaints again).
  if (!device_.isOpen() && !deviceError_.empty()) {
    return false;
  }
  return device_.open(deviceError_);
}

bool MediaAudioPlayer::play() {
  if (!prepareToPlay()) {
    return false;
  }
  device_.locked([this] {
    position_ = 0;
    heardOrigin_ = -1.0;
    playing_ = true;
  });
  device_.setPaused(false);
  // The first sample is heard one device latency from now; the frame loop
  // delays the pictures to match.
  publishSyncPoint({ui::RunLoop::main().now(), elapsed() + device_.latency(), weak_from_this()});
  return true;
}

void MediaAudioPlayer::stop() {
  if (!device_.isOpen()) {
    return;
  }
  stoppedAt_ = currentTime();
  device_.setPaused(true);
  device_.locked([this] { playing_ = false; });
}

bool MediaAudioPlayer::isPlaying() const {
  return playing_.load();
}

double MediaAudioPlayer::currentTime() const {
  if (!playing_.load()) {
    return position_.load() >= decoder_.frames() ? duration() : stoppedAt_;
  }
  double origin = heardOrigin_.load();
  if (origin < 0) {
    return 0;
  }
  double rendered = static_cast<double>(position_.load()) / AudioDecoder::sampleRate;
  return std::clamp(elapsed() - origin, 0.0, rendered);
}

std::optional<ui::AudioPlayer::HeardPosition> MediaAudioPlayer::heardPosition() const {
  double origin = heardOrigin_.load();
  if (!playing_.load() || origin < 0) {
    return std::nullopt;
  }
  double now = elapsed();
  return HeardPosition{now - origin, now};
}

double MediaAudioPlayer::elapsed() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void MediaAudioPlayer::render(float* out, int frames) {
  callbackThread_ = std::this_thread::get_id();
  std::size_t start = position_.load();
  std::size_t available = 0;
  if (playing_.load()) {
    std::size_t total = decoder_.frames();
    available =
        std::min<std::size_t>(static_cast<std::size_t>(frames), total - std::min(start, total));
    std::memcpy(out, decoder_.samples().data() + start * AudioDecoder::channels,
                available * AudioDecoder::channels * sizeof(float));
    position_ = start + available;
    // Frame `start` reaches the listener one device latency from now.
    heardOrigin_ =
        elapsed() + device_.latency() - static_cast<double>(start) / AudioDecoder::sampleRate;
    if (start + available >= total) {
      playing_ = false;
    }
  }
  std::memset(
      out + available * AudioDecoder::channels, 0,
      (static_cast<std::size_t>(frames) - available) * AudioDecoder::channels * sizeof(float));
}

}  // namespace platform
