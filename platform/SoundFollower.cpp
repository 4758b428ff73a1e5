#include "platform/SoundFollower.h"

namespace platform {

void SoundFollower::follow(FramePacer& pacer, double displayNow) {
  auto sync = ui::AudioPlayer::syncPoint();
  if (!sync) {
    return;
  }
  const double toDisplay = displayNow - ui::AudioPlayer::clockNow();
  if (!followed_ || followed_->runLoopTime != sync->runLoopTime ||
      followed_->heardAt != sync->heardAt) {
    followed_ = sync;
    pacer.soundStarted({sync->runLoopTime, sync->heardAt + toDisplay});
  }
  std::optional<FramePacer::Sound> sound;
  if (auto player = sync->player.lock()) {
    if (auto heard = player->heardPosition()) {
      sound = FramePacer::Sound{sync->runLoopTime + heard->fileTime, heard->heardAt + toDisplay,
                                heard->waiting};
    }
  }
  pacer.hear(sound);
}

}  // namespace platform
