// The entry point of the media module (invited-media.so), the one symbol a
// program looks up after loading it. Everything else the module holds is
// reached through the player it creates.
#include "platform/media/Ffmpeg.h"
#include "platform/media/MediaAudioPlayer.h"
#include "ui/AudioPlayer.h"

extern "C" __attribute__((visibility("default"))) void invited_media_factory(
    ui::AudioPlayer::Factory* factory) {
  // Loading the module is the program's first contact with FFmpeg.
  platform::ffmpeg::setLogPolicy();
  *factory = [](const std::string& path, std::string& error) {
    return std::static_pointer_cast<ui::AudioPlayer>(
        platform::MediaAudioPlayer::create(path, error));
  };
}
