#include "tools/render/SilentAudioPlayer.h"

#include "platform/media/Ffmpeg.h"

namespace render {

void SilentAudioPlayer::install() {
  ui::AudioPlayer::setFactory(
      [](const std::string& path, std::string& error) -> std::shared_ptr<ui::AudioPlayer> {
        return create(path, error);
      });
}

std::shared_ptr<SilentAudioPlayer> SilentAudioPlayer::create(const std::string& path,
                                                             std::string& error) {
  AVFormatContext* raw = nullptr;
  if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) {
    error = path + " is no sound file that can be read";
    return nullptr;
  }
  platform::ffmpeg::Input input(raw);
  std::shared_ptr<SilentAudioPlayer> player;
  if (avformat_find_stream_info(input.get(), nullptr) >= 0 &&
      av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0) >= 0) {
    double seconds = input->duration > 0 ? double(input->duration) / AV_TIME_BASE : 0;
    player.reset(new SilentAudioPlayer(seconds));
  } else {
    error = path + " holds no sound";
  }
  return player;
}

bool SilentAudioPlayer::play() {
  playing_ = true;
  return true;
}

}  // namespace render
