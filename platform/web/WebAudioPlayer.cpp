#include "platform/web/WebAudioPlayer.h"

#include <emscripten.h>

#include "ui/RunLoop.h"

// clang-format off
EM_JS(void, invited_audio_play, (double playedAt), { invited.audio.play(playedAt); });
EM_JS(void, invited_audio_stop, (), { invited.audio.stop(); });
EM_JS(double, invited_audio_duration, (), { return invited.audio.duration(); });
EM_JS(double, invited_audio_latency, (), { return invited.audio.latency(); });
// Seconds of performance.now() at which file time 0 is heard; NaN until started.
EM_JS(double, invited_audio_started_at, (), { return invited.audio.startedAt(); });
// File time heard at a moment, or false while nothing sounds.
EM_JS(int, invited_audio_heard, (double* out), {
  const heard = invited.audio.heard();
  if (!heard) return 0;
  HEAPF64[(out >> 3) + 0] = heard.fileTime;
  HEAPF64[(out >> 3) + 1] = heard.heardAt;
  return 1;
});
// clang-format on

namespace web {

void WebAudioPlayer::install(bool silent) {
  ui::AudioPlayer::setFactory([silent](const std::string&, std::string&) {
    return std::shared_ptr<ui::AudioPlayer>(new WebAudioPlayer(silent));
  });
}

bool WebAudioPlayer::play() {
  playing_ = true;
  playedAt_ = ui::RunLoop::main().now();
  published_ = false;
  if (silent_) {
    return true;
  }
  invited_audio_play(playedAt_);
  publishWhenStarted();
  if (!published_) {
    // Still decoding: until it starts, the picture runs as if the sound
    // began a moment from now, and takes up the real start when it comes.
    ui::AudioPlayer::publishSyncPoint(
        {playedAt_, ui::AudioPlayer::clockNow() + outputLatency(), weak_from_this()});
  }
  return true;
}

void WebAudioPlayer::publishWhenStarted() const {
  if (published_ || silent_ || !playing_) {
    return;
  }
  const double startedAt = invited_audio_started_at();
  if (startedAt == startedAt) {  // not NaN: the source is scheduled
    published_ = true;
    ui::AudioPlayer::publishSyncPoint({playedAt_, startedAt, weak_from_this()});
  }
}

void WebAudioPlayer::stop() {
  playing_ = false;
  if (!silent_) {
    invited_audio_stop();
  }
}

bool WebAudioPlayer::isPlaying() const {
  return playing_ && (silent_ || heardPosition().has_value());
}

double WebAudioPlayer::duration() const {
  return invited_audio_duration();
}

double WebAudioPlayer::outputLatency() const {
  return invited_audio_latency();
}

double WebAudioPlayer::currentTime() const {
  auto heard = heardPosition();
  return heard ? heard->fileTime : 0;
}

std::optional<ui::AudioPlayer::HeardPosition> WebAudioPlayer::heardPosition() const {
  if (silent_ || !playing_) {
    return std::nullopt;
  }
  publishWhenStarted();
  double heard[2];
  if (!invited_audio_heard(heard)) {
    return std::nullopt;
  }
  return HeardPosition{heard[0], heard[1]};
}

}  // namespace web
