#pragma once

#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/media/AudioFeed.h"
#include "platform/media/AudioOutput.h"
#include "ui/AudioPlayer.h"

namespace platform {

// The audio player on FFmpeg (decoding) and an AudioOutput: the system's
// (SystemAudioOutput: a PulseAudio stream, else SDL2's device) unless its
// maker gives another.
//
// Creation opens the file and decodes its first sound on the creating thread,
// so that a file that cannot play fails there; a worker decodes the rest
// about two seconds ahead of the output (AudioFeed), and the output's thread
// only copies. Memory therefore does not grow with the track, and start-up
// only by the container's index.
//
// Opening the output device can take a tenth of a second or more (a sound
// server that has to be found or started), so it happens on a thread of its
// own, begun by prepareToPlay(), while the window opens and the start screen
// shows; every call that needs the device waits for that opening first.
//
// Threads: the main thread calls every public function; the output's thread
// runs render(). Times are on the output's clock (AudioOutput::now). The destructor closes the
// device first, so no callback outlives the feed, then the feed joins its worker.
class MediaAudioPlayer : public ui::AudioPlayer {
 public:
  static constexpr int sampleRate = AudioFeed::sampleRate;
  static constexpr double bufferSeconds = 2.0;

  // Makes ui::AudioPlayer::createWithContentsOfURL create MediaAudioPlayers.
  static void install();

  // Makes the player's output around the player's render function.
  using OutputMaker = std::function<std::unique_ptr<AudioOutput>(AudioOutput::Render)>;

  static std::shared_ptr<MediaAudioPlayer> create(const std::string& path, std::string& error,
                                                  const OutputMaker& makeOutput = {});
  ~MediaAudioPlayer() override;

  // Begins opening the output device, paused, in the background. False once
  // an attempt has failed: it is not repeated.
  bool prepareToPlay() override;
  // Starts from the first sample; false (and nothing changes) without a device.
  bool play() override;
  void stop() override;
  bool isPlaying() const override;
  double duration() const override { return feed_.duration(); }
  double outputLatency() const override;
  double currentTime() const override;
  std::optional<HeardPosition> heardPosition() const override;

  // Threads that decoded this player's file, and the thread that last ran the
  // output callback (default id while it never ran): decoding must never
  // happen on the audio thread.
  const std::vector<std::thread::id>& decodeThreads() const { return feed_.decodeThreads(); }
  std::thread::id callbackThread() const { return callbackThread_.load(); }
  const AudioFeed& feed() const { return feed_; }
  // Where the time the sound is heard comes from (AudioOutput::delaySource),
  // once the output is open.
  std::string delaySource() const;
  // Why prepareToPlay or play last failed, for diagnostics.
  const std::string& deviceError() const;

 private:
  explicit MediaAudioPlayer(const OutputMaker& makeOutput);
  void render(float* out, int frames, double heardAt);  // audio thread
  void settleDevice() const;                            // waits for an opening under way

  // Written by the opening thread while `opening_` is pending, then by the
  // main thread only.
  std::string deviceError_;
  mutable std::future<void> opening_;
  double stoppedAt_ = 0;  // seconds into the file at stop(); main thread

  AudioFeed feed_;
  // Shared with the audio thread. The callback may clear `playing_` and set
  // `finished_` at the end of the track; the main thread writes them only
  // under the device lock.
  std::atomic<bool> playing_{false};
  std::atomic<bool> finished_{false};
  std::atomic<std::thread::id> callbackThread_{};

  // Last: closed first, so no callback outlives the fields above.
  std::unique_ptr<AudioOutput> device_;
};

}  // namespace platform
