#include "tools/render/SilentAudioPlayer.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace render {

void SilentAudioPlayer::install() {
  ui::AudioPlayer::setFactory(
      [](const std::string& path, std::string& error) -> std::shared_ptr<ui::AudioPlayer> {
        return create(path, error);
      });
}

std::shared_ptr<SilentAudioPlayer> SilentAudioPlayer::create(const std::string& path,
                                                             std::string& error) {
  AVFormatContext* input = nullptr;
  if (avformat_open_input(&input, path.c_str(), nullptr, nullptr) < 0) {
    error = "cannot open " + path;
    return nullptr;
  }
  std::shared_ptr<SilentAudioPlayer> player;
  if (avformat_find_stream_info(input, nullptr) >= 0 &&
      av_find_best_stream(input, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0) >= 0) {
    double seconds = input->duration > 0 ? double(input->duration) / AV_TIME_BASE : 0;
    player.reset(new SilentAudioPlayer(seconds));
  } else {
    error = path + " holds no sound";
  }
  avformat_close_input(&input);
  return player;
}

bool SilentAudioPlayer::play() {
  playing_ = true;
  return true;
}

}  // namespace render
