#include "platform/media/PlayerFactory.h"

#include "platform/media/Ffmpeg.h"
#include "platform/media/MediaAudioPlayer.h"
#include "ui/AudioPlayer.h"

namespace platform {

void installPlayerFactory() {
  ffmpeg::setLogPolicy();
  ui::AudioPlayer::setFactory([](const std::string& path, std::string& error) {
    return std::static_pointer_cast<ui::AudioPlayer>(MediaAudioPlayer::create(path, error));
  });
}

}  // namespace platform
