#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/media/AudioDecoder.h"
#include "platform/media/AudioDevice.h"
#include "ui/AudioPlayer.h"

namespace platform {

// The audio player on FFmpeg (decoding) and SDL2 (output).
//
// The whole file is decoded at creation, on the creating thread, into one
// buffer; SDL's audio thread only copies from it. Creation therefore proves
// the file plays to its end, and a truncated file fails before the show.
class MediaAudioPlayer : public ui::AudioPlayer {
 public:
  // Makes ui::AudioPlayer::createWithContentsOfURL create MediaAudioPlayers.
  static void install();

  static std::shared_ptr<MediaAudioPlayer> create(const std::string& path, std::string& error);
  ~MediaAudioPlayer() override;

  // Opens the output device, paused. False when there is none; a failed
  // attempt is not repeated.
  bool prepareToPlay() override;
  // Starts from the first sample; false (and nothing changes) without a device.
  bool play() override;
  void stop() override;
  bool isPlaying() const override;
  double duration() const override { return decoder_.duration(); }
  double outputLatency() const override { return device_.latency(); }
  double currentTime() const override;
  std::optional<HeardPosition> heardPosition() const override;

  // Threads that decoded this player's file, and the thread that last ran the
  // output callback (default id while it never ran): decoding must never
  // happen on the audio thread.
  const std::vector<std::thread::id>& decodeThreads() const { return decodeThreads_; }
  std::thread::id callbackThread() const { return callbackThread_.load(); }
  // Why prepareToPlay or play last failed, for diagnostics.
  const std::string& deviceError() const { return deviceError_; }

 private:
  MediaAudioPlayer();
  void render(float* out, int frames);  // audio thread
  double elapsed() const;               // seconds on the steady clock

  AudioDecoder decoder_;  // written at creation only; read-only while the device is open
  std::vector<std::thread::id> decodeThreads_;  // main thread
  std::string deviceError_;                     // main thread
  double stoppedAt_ = 0;                        // seconds into the file at stop(); main thread

  // Shared with the audio thread. The callback advances `position_` and may
  // clear `playing_` at the end; the main thread writes them only under the
  // device lock.
  std::atomic<std::size_t> position_{0};  // next frame to render
  std::atomic<bool> playing_{false};
  // Steady-clock seconds at which frame 0 is heard, as the latest callback
  // estimates it; negative until the first callback after play().
  std::atomic<double> heardOrigin_{-1.0};
  std::atomic<std::thread::id> callbackThread_{};

  AudioDevice device_;  // last: closed first, so no callback outlives the fields above
};

}  // namespace platform
