#include "platform/media/PlayerFactory.h"

#include "platform/media/Ffmpeg.h"
#include "platform/media/MediaAudioPlayer.h"
#include "ui/AudioPlayer.h"

namespace platform {

void installPlayerFactory() {
  ui::AudioPlayer::setFactory([](const std::string& path, std::string& error) {
    // The first player is made while the start screen stands: FFmpeg is
    // loaded then, not before the first frame.
    if (auto failure = ffmpeg::ready()) {
      error = *failure;
      return std::shared_ptr<ui::AudioPlayer>();
    }
    ffmpeg::setLogPolicy();
    return std::static_pointer_cast<ui::AudioPlayer>(MediaAudioPlayer::create(path, error));
  });
}

}  // namespace platform
