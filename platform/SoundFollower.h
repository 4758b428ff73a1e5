#pragma once

#include <optional>

#include "platform/FramePacer.h"
#include "ui/AudioPlayer.h"

namespace platform {

// Tells a frame pacer where the music is: the sync point of a player that has
// just started, then what that player reports as heard. Players speak the
// steady clock; the host's display clock may have another origin, so both
// are read at one instant to carry hearing times over.
class SoundFollower {
 public:
  // `displayNow` is the display clock at the same instant as the steady
  // clock is read inside.
  void follow(FramePacer& pacer, double displayNow);

 private:
  std::optional<ui::AudioPlayer::SyncPoint> followed_;  // the sync point taken up
};

}  // namespace platform
