#pragma once

#include <memory>
#include <optional>
#include <string>

#include "ui/AudioPlayer.h"

namespace web {

// The music player of the page: the track the page has fetched, decoded and
// played by Web Audio. Where the sound is comes from the audio context's
// output timestamp (which context time is heard at which moment of
// performance.now(), the steady clock here), so the picture follows what is
// heard, as on the desktop.
//
// Browsers start sound only after a user gesture; the page resumes the
// context on the first click or tap, which is the click that starts the
// show. A track still being decoded when play() is called starts once it is
// ready, and its sync point is published then.
class WebAudioPlayer : public ui::AudioPlayer {
 public:
  // Makes ui::AudioPlayer::createWithContentsOfURL create web players;
  // silent ones play nothing (a still frame).
  static void install(bool silent);

  bool prepareToPlay() override { return true; }
  bool play() override;
  void stop() override;
  bool isPlaying() const override;
  double duration() const override;
  double outputLatency() const override;
  double currentTime() const override;
  std::optional<HeardPosition> heardPosition() const override;

 private:
  explicit WebAudioPlayer(bool silent) : silent_(silent) {}
  void publishWhenStarted() const;

  bool silent_;
  bool playing_ = false;
  double playedAt_ = 0;  // the run loop's time of play()
  mutable bool published_ = false;
};

}  // namespace web
