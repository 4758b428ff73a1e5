#pragma once

#include "ui/AudioPlayer.h"

namespace platform {

// The audio player on FFmpeg (decoding) and SDL2 (output).
class MediaAudioPlayer : public ui::AudioPlayer {
 public:
  // Makes ui::AudioPlayer::createWithContentsOfURL create MediaAudioPlayers.
  static void install();
};

}  // namespace platform
