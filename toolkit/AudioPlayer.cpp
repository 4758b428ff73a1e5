#include "ui/AudioPlayer.h"

#include <atomic>
#include <chrono>

namespace ui {

namespace {

AudioPlayer::Factory& factory() {
  static AudioPlayer::Factory instance;
  return instance;
}

std::optional<AudioPlayer::SyncPoint>& currentSyncPoint() {
  static std::optional<AudioPlayer::SyncPoint> point;
  return point;
}

}  // namespace

std::optional<AudioPlayer::SyncPoint> AudioPlayer::syncPoint() {
  return currentSyncPoint();
}
void AudioPlayer::publishSyncPoint(SyncPoint point) {
  currentSyncPoint() = point;
}
void AudioPlayer::clearSyncPoint() {
  currentSyncPoint().reset();
}

void AudioPlayer::setFactory(Factory f) {
  factory() = std::move(f);
}

namespace {

std::atomic<bool> background{true};

}  // namespace

double AudioPlayer::clockNow() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool AudioPlayer::madeInBackground() {
  return background;
}

void AudioPlayer::setMadeInBackground(bool on) {
  background = on;
}

std::shared_ptr<AudioPlayer> AudioPlayer::createWithContentsOfURL(const std::string& path,
                                                                  std::string& error) {
  if (!factory()) {
    error = "no audio player is installed";
    return nullptr;
  }
  return factory()(path, error);
}

}  // namespace ui
