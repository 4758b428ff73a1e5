#pragma once

#include <memory>
#include <string>

#include "ui/AudioPlayer.h"

namespace render {

// The music player of an offline render: it checks that the file holds
// sound, as the real player does, but plays nothing; the music goes into the
// video file as it is stored instead.
class SilentAudioPlayer : public ui::AudioPlayer {
 public:
  // Makes ui::AudioPlayer::createWithContentsOfURL create silent players.
  static void install();
  static std::shared_ptr<SilentAudioPlayer> create(const std::string& path, std::string& error);

  bool prepareToPlay() override { return true; }
  bool play() override;
  void stop() override { playing_ = false; }
  bool isPlaying() const override { return playing_; }
  double duration() const override { return duration_; }
  double outputLatency() const override { return 0; }
  double currentTime() const override { return 0; }

 private:
  explicit SilentAudioPlayer(double duration) : duration_(duration) {}
  double duration_;
  bool playing_ = false;
};

}  // namespace render
