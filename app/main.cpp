#include "app/AppDelegate.h"
#include "platform/ApplicationMain.h"
#include "platform/media/Ffmpeg.h"
#include "platform/media/MediaAudioPlayer.h"

int main(int argc, char** argv) {
  platform::ffmpeg::setLogPolicy();
  platform::MediaAudioPlayer::install();
  return platform::applicationMain(argc, argv, [] { return std::make_shared<AppDelegate>(); });
}
